#pragma once

#include "Core/Relay/RelayError.h"
#include "Core/Relay/RelayRecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>

#include <qcoro/qcorotask.h>

class Clock;
class ProcessControl;

// Runs the relay's one-shot commands. Each call starts its own process on the main loop (never
// blocking it) and decodes the output. Operations throw RelayError (a RelayLaunchError when the
// process cannot be started). A command that has not finished after `timeout` is killed and
// reported as RelayError::failed("timeout", …); one that prints more than maxOutputBytes is
// killed as soon as it does and reported as RelayError::unreadable.
class RelayCLI {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{60'000};
    static constexpr qsizetype maxOutputBytes = qsizetype(4) * 1024 * 1024;

    // `processes` prepares each relay process and kills a timed-out one with its group; `clock`
    // times the command limit. Both must outlive the calls.
    RelayCLI(QString helper, ProcessControl& processes, Clock& clock,
             std::chrono::milliseconds timeout = defaultTimeout);

    const QString& helper() const { return m_helper; }

    QCoro::Task<RelayStatus> status() const;                           // relay status --json
    QCoro::Task<DoctorReport> doctor() const;                          // relay doctor --json
    QCoro::Task<RelayDevice> pair(QString code, QString server) const; // relay pair …
    QCoro::Task<void> unpair() const;                                  // relay unpair --json
    QCoro::Task<void> uninstallLaunchAgent() const;                    // relay uninstall

private:
    struct Output {
        QByteArray bytes; // what the relay printed on standard output (at most maxOutputBytes)
        int status = 0;   // exit code, or the signal number for a process ended by a signal
    };
    // Without `keepOutput`, what the relay prints is read and dropped, and `bytes` stays empty.
    QCoro::Task<Output> execute(QStringList arguments, bool keepOutput = true) const;
    template <typename T> QCoro::Task<T> run(QStringList arguments, bool allowFailure) const;

    QString m_helper;
    Clock* m_clock;
    std::chrono::milliseconds m_timeout;
    ProcessControl* m_processes;
};
