#pragma once

#include "Core/Relay/RelayEvent.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class Clock;
class ClockTimer;
class ProcessControl;
class QProcess;

// Keeps the long-running relay (`relay run --events json`) alive while its owner wants it:
// launches it in its own process group, splits its output into lines, decodes each into an
// event, reports every exit, and restarts it after a pause of 1, 2, 4 … 60 seconds.
class RelayRunner : public QObject {
    Q_OBJECT
public:
    static constexpr int stoppedForGood = 78;
    static constexpr qsizetype maxLineBytes = 1024 * 1024;

    // `processes`: gives each relay its own process group, stops the group, and ends what the
    // relay leaves behind.
    RelayRunner(QString helper, bool dryRun, Clock& clock, ProcessControl& processes,
                QObject* parent = nullptr);
    ~RelayRunner() override; // stops and reaps every relay it started

    std::function<void(const RelayEvent&)> onEvent = [](const RelayEvent&) {};
    std::function<void(int status)> onExit = [](int) {};

    void start();
    void stop();

    bool wanted() const { return m_wanted; }
    // True while the current relay process exists and has not exited.
    bool isRunning() const;

    // Feeds output bytes as if read from the relay; the event path in one call (also used by
    // the benchmark).
    void consume(const QByteArray& chunk);

Q_SIGNALS:
    // The current process started or ended, or was let go by stop(): isRunning() may differ.
    void runningChanged();

private:
    void launch();
    void exited(QProcess* process, int status);
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
    QList<Retired> m_retired;
    quint64 m_streams = 0; // counts launches and stops, so consume() notices one made by a callback
};
