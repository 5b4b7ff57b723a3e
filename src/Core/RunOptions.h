#pragma once

#include <QProcessEnvironment>
#include <QString>

// What differs from one run of the app to the next, read from the environment once at start-up.
struct RunOptions {
    // WRENBOX_RELAY_DRY_RUN is exactly "1": the relay only pretends to send.
    bool dryRun = false;
    // WRENBOX_CONFIG_DIR is set (even empty): a development copy, which keeps its login switch
    // in memory and runs beside any other copy.
    bool development = false;
    // Where a development copy keeps its user defaults and history; empty: the usual places.
    QString settingsFile;
    QString historyFile;

    static RunOptions fromEnvironment(const QProcessEnvironment& environment);
};
