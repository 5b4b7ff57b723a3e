#pragma once

#include "Core/Relay/RelayEvent.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

#include <QDateTime>

#include <chrono>
#include <optional>

class Clock;
class ClockTimer;
class ProcessControl;
class QProcess;

// One exit of the long-running relay that nobody asked for.
struct RelayExit {
    QDateTime at;
    int code = 0;        // the exit code, or the signal's number when `signal`
    bool signal = false; // ended by a signal
    std::chrono::milliseconds ran{0};
    bool operator==(const RelayExit&) const = default;
};

// Keeps the long-running relay (`relay run --events json`) alive while its owner wants it:
// launches it in its own process group, splits its output into lines, decodes each into an
// event, reports every exit, and restarts it after a pause of 1, 2, 4 … 60 seconds.
class RelayRunner : public QObject {
    Q_OBJECT
public:
    static constexpr int stoppedForGood = 78;
    static constexpr qsizetype maxLineBytes = qsizetype(1024) * 1024;
    static constexpr qsizetype keptExits = 20;
    static constexpr qsizetype stderrTailBytes = qsizetype(8) * 1024;

    // `processes`: gives each relay its own process group, stops the group, and ends what the
    // relay leaves behind.
    RelayRunner(QString helper, bool dryRun, Clock& clock, ProcessControl& processes,
                QObject* parent = nullptr);
    ~RelayRunner() override; // stops and reaps every relay it started

    std::function<void(const RelayEvent&)> onEvent = [](const RelayEvent&) {};
    std::function<void(int status)> onExit = [](int) {};

    void start();
    void stop();
    // A relay waiting out a restart pause starts now; the count of failures stays.
    void restartNow();

    bool wanted() const { return m_wanted; }
    // True while the current relay process exists and has not exited.
    bool isRunning() const;
    // The latest unexpected exits, oldest first, and the end of what the last such run wrote
    // to standard error.
    const QList<RelayExit>& exits() const { return m_exits; }
    const QByteArray& lastStderr() const { return m_lastStderr; }
    // How often the relay ended on its own within `window`, not counting exits before its last
    // sync or sent text.
    int exitsWithin(std::chrono::milliseconds window) const;

    // Feeds output bytes as if read from the relay; the event path in one call (also used by
    // the benchmark).
    void consume(const QByteArray& chunk);

Q_SIGNALS:
    // The current process started or ended, or was let go by stop(): isRunning() may differ.
    void runningChanged();

private:
    void launch();
    void exited(QProcess* process, int status, bool signal);
    void scheduleRestart();
    void failedToStart(QProcess* process);

    // A stopped relay, kept until it has exited so that its exit can still be reported.
    struct Retired {
        QProcess* process;
        qint64 group; // its process group, still valid for stragglers after the relay is reaped
    };
    qsizetype retiredIndex(const QProcess* process) const;

    QString m_helper;
    bool m_dryRun;
    Clock& m_clock;
    ProcessControl& m_processes;
    QProcess* m_process = nullptr;
    qint64 m_group = 0; // the current relay's process group, known even after it was reaped
    QByteArray m_buffer;
    bool m_discarding = false; // inside an over-long line, dropping bytes up to its line feed
    bool m_wanted = false;
    QPointer<ClockTimer> m_restartTimer;
    int m_failures = 0;
    QDateTime m_launchedAt;
    std::optional<QDateTime> m_progressAt; // the last synced or sent event
    QByteArray m_stderr;                   // the current run's, at most stderrTailBytes
    QByteArray m_lastStderr;
    QList<RelayExit> m_exits;
    QList<Retired> m_retired;
    quint64 m_streams = 0; // counts launches and stops, so consume() notices one made by a callback
};
