#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

class Clock;
class ClockTimer;
class QSqlDatabase;
class QSqlError;

// One thing that happened, as the history keeps it.
struct HistoryEntry {
    enum class Kind {
        AppStarted,
        AppStopped,
        Phase, // `value`: the phase's name; `text`: what it said, for attention
        RelayStarted,
        RelayExited, // `number`: the exit status; `span`: how long it ran, in ms
        Paused,      // `value`: who ("user" or "server"); `number`: its end in ms since the
                     // epoch, 0 for none
        Resumed,     // `value`: who
        Woke,
        Paired, // `value`: the device's name
        Unpaired,
    };

    QDateTime at;
    Kind kind = Kind::Phase;
    QString value;
    qint64 number = 0;
    qint64 span = 0;
    QString text;

    bool operator==(const HistoryEntry&) const = default;
};

// What happened to the relay and the app, kept in an SQLite database across runs: for 30 days,
// in at most 10 MB. Entries are written in batches a second apart, on the main thread; each
// write is one small transaction. A database that cannot be opened or written (damaged, held by
// another copy, its disk full, its folder not writable) never stops the app: a damaged one is
// set aside and started afresh, otherwise the history of this run is kept in memory only, and
// problem() says why, once.
class HistoryStore : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::hours keptFor{24 * 30};
    static constexpr qint64 maxBytes = qint64(10) << 20;
    static constexpr std::chrono::milliseconds batchDelay{1'000};
    static constexpr std::chrono::hours pruneEvery{24};
    // Kept in memory where the database is out of reach.
    static constexpr qsizetype memoryEntries = 5'000;
    // The days before today kept in memory as well, for the views.
    static constexpr int recentDays = 7;

    // `path` empty: the history of this run is kept in memory only.
    HistoryStore(QString path, Clock& clock, QObject* parent = nullptr);
    ~HistoryStore() override;

    // Opens the database, migrating an older one, and prunes it; entries recorded before wait
    // for it. Apart so that the app shows itself first.
    void open();

    void record(HistoryEntry entry);
    // Writes what waits now (at quit, and for tests).
    void flush();
    // Drops what is older than keptFor, then the oldest until the file is within maxBytes.
    void prune();

    // Entries from `since` on, oldest first, those still waiting to be written included.
    QList<HistoryEntry> since(const QDateTime& since) const;
    // What tells the state at `at`: the last start or end of the app before it, and the last
    // phase after that start, oldest first.
    QList<HistoryEntry> lastBefore(const QDateTime& at) const;
    // The newest `count` entries, newest first.
    QList<HistoryEntry> latest(int count) const;

    // Why the history is not kept in its database, or what was done about a damaged one; empty
    // when all is well.
    const QString& problem() const { return m_problem; }

    // The versions of the database's layout; every one has a step from the one before.
    static constexpr int schemaVersion = 2;
    static QString schemaStep(int version);

Q_SIGNALS:
    // Entries were recorded or dropped: views read them again.
    void changed();

private:
    bool openDatabase();
    bool attemptOpen(QSqlError& error, QString& check, QString& problem);
    // Brings the layout up to date; why it could not, else empty.
    QString migrate(QSqlDatabase& db);
    // Writes in one transaction; why it could not, else empty.
    QString write(const QList<HistoryEntry>& batch);
    void setAside(const QString& why);
    void fail(const QString& problem);
    void schedulePrune();
    QDateTime recentStart() const;
    QList<HistoryEntry>::const_iterator recentAt(const QDateTime& at) const;
    QList<HistoryEntry> query(const QString& where, const QVariantList& values,
                              const QString& order, int limit) const;

    QString m_path;
    Clock& m_clock;
    QString m_connection; // empty while there is no database to write
    QString m_problem;
    QList<HistoryEntry> m_pending; // recorded, not yet written
    // The recent days, oldest first, for the views to read without a query: all that was kept
    // from m_recentFrom on and all recorded since (everything this run, while there is no
    // database and m_recentFrom is invalid).
    QList<HistoryEntry> m_recent;
    QDateTime m_recentFrom;
    mutable std::pair<qint64, QList<HistoryEntry>> m_olderState{-1, {}}; // lastBefore's, by time
    bool m_opened = false;
    QPointer<ClockTimer> m_batch;
    QPointer<ClockTimer> m_pruneTimer;
};
