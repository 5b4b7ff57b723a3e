#include "Core/Relay/RelayCLI.h"

#include "Core/Clock.h"
#include "Core/Platform/ProcessControl.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

#include <algorithm>
#include <coroutine>
#include <utility>

namespace {

// How one relay call ended.
enum class Ending { Finished, FailedToStart, TimedOut, TooMuchOutput };

// Owns the process of one call for as long as the call runs, collects its output as it arrives,
// and resumes the call's coroutine on the first of: the process finished, it could not start,
// the time limit ran out, it printed more than the cap. Whatever way the call leaves (result,
// exception, or its frame being destroyed), the process is still reaped: a running one is
// killed and deleted once it has exited.
class ProcessCall {
public:
    ProcessCall(const QString& helper, const QStringList& arguments, bool keepOutput,
                ProcessControl& processes)
        : m_process(new QProcess(QCoreApplication::instance()))
        , m_processes(processes)
        , m_keepOutput(keepOutput) {
        m_process->setProgram(helper);
        m_process->setArguments(arguments);
        m_process->setStandardErrorFile(QProcess::nullDevice());
        m_process->setInputChannelMode(QProcess::ForwardedInputChannel);
        // Its own process group, so a timed-out relay is killed together with what it started.
        processes.prepare(*m_process);

        // Read as it arrives: a relay that prints without end must not grow the app with it.
        m_connections.append(QObject::connect(m_process, &QProcess::readyReadStandardOutput,
                                              m_process, [this] { collect(); }));
        m_connections.append(QObject::connect(m_process, &QProcess::finished, m_process, [this] {
            if (collect())
                end(Ending::Finished);
        }));
        m_connections.append(QObject::connect(m_process, &QProcess::errorOccurred, m_process,
                                              [this](QProcess::ProcessError error) {
                                                  if (error == QProcess::FailedToStart)
                                                      end(Ending::FailedToStart);
                                              }));
    }

    ~ProcessCall() {
        for (const auto& connection : std::as_const(m_connections))
            QObject::disconnect(connection);
        if (m_timer)
            m_timer->cancel();
        if (m_process->state() == QProcess::NotRunning) {
            m_process->deleteLater();
            return;
        }
        killGroup();
        QObject::connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
    }

    ProcessCall(const ProcessCall&) = delete;
    ProcessCall& operator=(const ProcessCall&) = delete;

    QProcess* process() const { return m_process; }
    const QByteArray& output() const { return m_output; }

    void start(Clock& clock, std::chrono::milliseconds limit) {
        m_timer = clock.startTimer(limit, m_process);
        m_connections.append(
            QObject::connect(m_timer, &ClockTimer::finished, m_process, [this](bool elapsed) {
                if (elapsed)
                    end(Ending::TimedOut);
            }));
        m_process->start(QIODevice::ReadOnly);
    }

    // co_await call.ending(): resumes at once if the call has already ended.
    auto ending() {
        struct Awaiter {
            ProcessCall& call;
            bool await_ready() const noexcept { return call.m_ending.has_value(); }
            void await_suspend(std::coroutine_handle<> waiter) noexcept { call.m_waiter = waiter; }
            Ending await_resume() const noexcept { return *call.m_ending; }
        };
        return Awaiter{*this};
    }

private:
    // Takes what has arrived; false (and the call ended) once the output passed the cap.
    bool collect() {
        const QByteArray chunk = m_process->readAllStandardOutput();
        if (!m_keepOutput || m_ending)
            return true;
        const qsizetype room = RelayCLI::maxOutputBytes - m_output.size();
        m_output.append(chunk.first(std::min(room, chunk.size())));
        if (chunk.size() <= room)
            return true;
        end(Ending::TooMuchOutput); // may destroy this call: nothing may follow
        return false;
    }

    void end(Ending ending) {
        if (m_ending)
            return;
        m_ending = ending;
        if (auto waiter = std::exchange(m_waiter, nullptr))
            waiter.resume();
    }

    void killGroup() { m_processes.stopGroup(m_process->processId(), ProcessControl::Stop::Kill); }

    QProcess* m_process;
    ProcessControl& m_processes;
    bool m_keepOutput;
    QByteArray m_output;
    QPointer<ClockTimer> m_timer;
    QList<QMetaObject::Connection> m_connections;
    std::optional<Ending> m_ending;
    std::coroutine_handle<> m_waiter;
};

} // namespace

RelayCLI::RelayCLI(QString helper, ProcessControl& processes, Clock& clock,
                   std::chrono::milliseconds timeout)
    : m_helper(std::move(helper))
    , m_clock(&clock)
    , m_timeout(timeout)
    , m_processes(&processes) {}

QCoro::Task<RelayCLI::Output> RelayCLI::execute(QStringList arguments, bool keepOutput) const {
    // Everything this call needs from `this` is copied before the first suspension: the
    // RelayCLI may be gone by the time the relay answers.
    const QString helper = m_helper;
    Clock& clock = *m_clock;
    const auto limit = m_timeout;
    ProcessControl* const processes = m_processes;

    const QFileInfo info(helper);
    if (!info.isFile() || !info.isExecutable())
        throw RelayError::missingHelper();

    ProcessCall call(helper, arguments, keepOutput, *processes);
    call.start(clock, limit);
    switch (co_await call.ending()) {
    case Ending::FailedToStart:
        throw RelayLaunchError(call.process()->errorString());
    case Ending::TimedOut:
        // Leaving kills the relay; it is reaped in the background.
        throw RelayError::failed(
            QStringLiteral("timeout"),
            QCoreApplication::translate("RelayCLI", "The relay didn't answer in time. Try again."));
    case Ending::TooMuchOutput:
        // No record is that long. Leaving kills the relay and everything it started.
        throw RelayError::unreadable(call.output());
    case Ending::Finished:
        break;
    }
    // For a process ended by a signal, Qt reports the signal number as its exit code.
    co_return Output{call.output(), call.process()->exitCode()};
}

template <typename T> QCoro::Task<T> RelayCLI::run(QStringList arguments, bool allowFailure) const {
    const Output output = co_await execute(std::move(arguments));
    if (output.status != 0 && !allowFailure) {
        if (const auto failure = RelayJson::decode<RelayFailure>(output.bytes))
            throw RelayError::failed(failure->code, failure->message);
        throw RelayError::failed(
            std::nullopt,
            QCoreApplication::translate("RelayCLI", "The relay stopped with an error (%1).")
                .arg(output.status));
    }
    if (auto record = RelayJson::decode<T>(output.bytes))
        co_return std::move(*record);
    if (const auto failure = RelayJson::decode<RelayFailure>(output.bytes))
        throw RelayError::failed(failure->code, failure->message);
    throw RelayError::unreadable(output.bytes);
}

QCoro::Task<RelayStatus> RelayCLI::status() const {
    return run<RelayStatus>(
        {QStringLiteral("relay"), QStringLiteral("status"), QStringLiteral("--json")}, false);
}

QCoro::Task<DoctorReport> RelayCLI::doctor() const {
    // The health report is read whatever the exit status.
    return run<DoctorReport>(
        {QStringLiteral("relay"), QStringLiteral("doctor"), QStringLiteral("--json")}, true);
}

QCoro::Task<RelayDevice> RelayCLI::pair(QString code, QString server) const {
    const QStringList arguments{
        QStringLiteral("relay"), QStringLiteral("pair"), code, QStringLiteral("--server"), server,
        QStringLiteral("--json")};
    auto task = run<RelayPaired>(arguments, false);
    const RelayPaired paired = co_await std::move(task);
    co_return paired.device;
}

QCoro::Task<void> RelayCLI::unpair() const {
    const QStringList arguments{QStringLiteral("relay"), QStringLiteral("unpair"),
                                QStringLiteral("--json")};
    auto task = run<RelayOK>(arguments, false);
    co_await std::move(task);
}

QCoro::Task<void> RelayCLI::uninstallLaunchAgent() const {
    const QStringList arguments{QStringLiteral("relay"), QStringLiteral("uninstall")};
    auto task = execute(arguments, false);
    const Output output = co_await std::move(task);
    if (output.status != 0)
        throw RelayError::failed(
            std::nullopt,
            QCoreApplication::translate(
                "RelayCLI",
                "Couldn't remove the command-line relay. Run wrenbox relay uninstall in "
                "Terminal."));
}
