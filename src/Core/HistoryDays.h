#pragma once

#include "Core/History.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// What the relay was doing over a span of time, as the history shows it; the graver the later.
enum class HistoryState {
    Off,    // the app was not running
    Online, // running and online (also while starting)
    Sending,
    Paused,
    Attention, // it needs the user: not paired, a permission, an update
    Stopped,   // the relay stopped
};

struct HistorySegment {
    QDateTime from; // in UTC: show with toLocalTime()
    QDateTime to;
    HistoryState state = HistoryState::Off;
    // The phase's name as kept ("attention:notPaired", "paused-by-server" …) and what it said.
    QString phase;
    QString text;

    bool operator==(const HistorySegment&) const = default;
};

// The state a phase, by its name as kept, stands for.
HistoryState historyState(const QString& phase);

// One local day: its segments from midnight (or the first thing known) to midnight or now.
struct HistoryDay {
    QDate date;
    QList<HistorySegment> segments;
    qint64 onlineMs = 0; // online or sending
    int restarts = 0;    // the relay's exits on its own
};

// The last `days` local days up to `now`, oldest first, from entries oldest first. Before the
// first entry, and from the app's end to its next start, the app was not running; an app that
// ended without a word (no AppStopped) counts as ended at its last entry.
QList<HistoryDay> historyDays(const QList<HistoryEntry>& entries, const QDateTime& now,
                              int days = 7);
