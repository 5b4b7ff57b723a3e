#pragma once

#include "Core/Platform/Platform.h"

#include <QCoreApplication>

// Start at login through an XDG autostart entry, $XDG_CONFIG_HOME/autostart/ (by default
// ~/.config/autostart/). The entry counts as enabled when it exists and is not Hidden=true,
// which is how desktops record "turned off" without deleting it.
class XdgLoginItem final : public LoginItem {
    Q_DECLARE_TR_FUNCTIONS(XdgLoginItem)
public:
    static constexpr const char* fileName = "app.wrenbox.Wrenbox.desktop";

    // `executable` is what the entry runs; the running program when empty.
    explicit XdgLoginItem(QString executable = {});

    bool isEnabled() const override;
    std::optional<QString> setEnabled(bool enabled) override;

private:
    // Read afresh each time, so a changed XDG_CONFIG_HOME is honoured.
    static QString autostartDir();
    static QString entryPath();
    // The Exec value for `program`, quoted and escaped as desktop entries require.
    static QString execValue(const QString& program);

    QString m_executable;
};
