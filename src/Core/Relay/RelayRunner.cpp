#include "Core/Relay/RelayRunner.h"

#include "Core/Log.h"

#include "Core/Clock.h"
#include "Core/Platform/ProcessControl.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace {

constexpr std::chrono::seconds killAfter{5};
constexpr std::chrono::seconds longestPause{60};

// Keeps the end of a run's standard error, never more than its share.
void keepTail(QByteArray& tail, const QByteArray& chunk) {
    tail.append(chunk);
    if (tail.size() > RelayRunner::stderrTailBytes)
        tail.remove(0, tail.size() - RelayRunner::stderrTailBytes);
}

} // namespace

RelayRunner::RelayRunner(QString helper, bool dryRun, Clock& clock, ProcessControl& processes,
                         QObject* parent)
    : QObject(parent)
    , m_helper(std::move(helper))
    , m_dryRun(dryRun)
    , m_clock(clock)
    , m_processes(processes) {}

RelayRunner::~RelayRunner() {
    // The app is quitting: nothing may outlive it, and no callback may reach a runner that is
    // half gone. A short wait is acceptable here, nowhere else.
    if (m_restartTimer) {
        disconnect(m_restartTimer, nullptr, this, nullptr);
        delete m_restartTimer;
    }
    QList<Retired> processes = std::exchange(m_retired, {});
    if (m_process)
        processes.append(Retired{m_process, m_process->processId()});
    m_process = nullptr;
    for (const Retired& relay : std::as_const(processes)) {
        disconnect(relay.process, nullptr, this, nullptr);
        if (relay.process->state() != QProcess::NotRunning)
            m_processes.stopGroup(relay.group, ProcessControl::Stop::Terminate);
    }
    QDeadlineTimer deadline(std::chrono::milliseconds(500));
    for (const Retired& relay : std::as_const(processes)) {
        if (relay.process->state() != QProcess::NotRunning)
            relay.process->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 0)));
        // Whatever did not stop in time, and anything the relay left in its group, goes now.
        m_processes.stopGroup(relay.group, ProcessControl::Stop::Kill);
        if (relay.process->state() != QProcess::NotRunning)
            relay.process->waitForFinished(1000); // reaps it; SIGKILL cannot be ignored
        delete relay.process;
    }
    // What escaped the groups (a child in a session of its own) was handed to the app.
    m_processes.endOrphans();
}

bool RelayRunner::isRunning() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

void RelayRunner::start() {
    m_wanted = true;
    if (m_restartTimer)
        m_restartTimer->cancel();
    if (!m_process)
        launch();
}

void RelayRunner::restartNow() {
    if (!m_wanted || m_process || !m_restartTimer || !m_restartTimer->isPending())
        return;
    m_restartTimer->cancel();
    launch();
}

void RelayRunner::stop() {
    m_wanted = false;
    if (m_restartTimer) {
        m_restartTimer->cancel();
        m_restartTimer->deleteLater();
        m_restartTimer = nullptr;
    }
    m_failures = 0;
    QProcess* process = std::exchange(m_process, nullptr);
    if (!process)
        return;
    // Whatever it still prints is no longer news, even lines already read.
    ++m_streams;
    m_buffer.clear();
    m_discarding = false;
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    const qint64 group = process->processId();
    m_retired.append(Retired{process, group});
    Q_EMIT runningChanged();
    m_processes.stopGroup(group, ProcessControl::Stop::Terminate);
    ClockTimer* deadline = m_clock.startTimer(killAfter, process);
    // The platform's process control outlives every runner.
    connect(deadline, &ClockTimer::finished, process,
            [processes = &m_processes, group](bool elapsed) {
                if (elapsed)
                    processes->stopGroup(group, ProcessControl::Stop::Kill);
            });
}

void RelayRunner::launch() {
    const QFileInfo info(m_helper);
    if (!info.isFile() || !info.isExecutable()) {
        RelayEvent event = RelayEvent::make(RelayEvent::Kind::Error, m_clock.now());
        event.message = tr("The relay inside Wrenbox is missing. Download Wrenbox again.");
        onEvent(event);
        return;
    }

    auto* process = new QProcess(this);
    process->setProgram(m_helper);
    QStringList arguments{QStringLiteral("relay"), QStringLiteral("run"),
                          QStringLiteral("--events"), QStringLiteral("json")};
    if (m_dryRun)
        arguments.append(QStringLiteral("--dry-run"));
    process->setArguments(arguments);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    // Its own process group: stopping signals the group, so nothing the relay started
    // outlives it.
    m_processes.prepare(*process);

    m_buffer.clear();
    m_discarding = false;
    ++m_streams;

    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] {
        const QByteArray chunk = process->readAllStandardOutput();
        // A stopped or replaced relay's output is read (so it never blocks) and dropped.
        if (process == m_process)
            consume(chunk);
    });
    // What it writes to standard error goes only into the diagnostics report.
    m_stderr.clear();
    connect(process, &QProcess::readyReadStandardError, this, [this, process] {
        const QByteArray chunk = process->readAllStandardError();
        if (process == m_process)
            keepTail(m_stderr, chunk);
    });
    connect(process, &QProcess::finished, this,
            [this, process](int exitCode, QProcess::ExitStatus exitStatus) {
                // For a process ended by a signal, Qt reports the signal number as its exit code.
                exited(process, exitCode, exitStatus == QProcess::CrashExit);
            });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failedToStart(process);
    });

    m_process = process;
    m_launchedAt = m_clock.now();
    process->start(QIODevice::ReadOnly);
    if (m_process == process) {
        m_group = process->processId();
        qCInfo(lcSupervisor, "relay started (process %lld)", m_group);
    }
    Q_EMIT runningChanged();
}

qsizetype RelayRunner::retiredIndex(const QProcess* process) const {
    for (qsizetype i = 0; i < m_retired.size(); ++i) {
        if (m_retired[i].process == process)
            return i;
    }
    return -1;
}

void RelayRunner::failedToStart(QProcess* process) {
    const QString description = process->errorString();
    const bool current = process == m_process;
    if (const qsizetype index = retiredIndex(process); index >= 0)
        m_retired.removeAt(index);
    process->deleteLater();
    if (!current)
        return;
    m_process = nullptr;
    Q_EMIT runningChanged();
    RelayEvent event = RelayEvent::make(RelayEvent::Kind::Error, m_clock.now());
    event.message = description;
    onEvent(event);
    scheduleRestart();
}

void RelayRunner::consume(const QByteArray& chunk) {
    if (chunk.isEmpty())
        return;

    // The lines are taken from a local copy: onEvent may stop, relaunch or even delete the runner.
    QByteArray data = std::exchange(m_buffer, QByteArray());
    const qsizetype carried = data.size(); // known to hold no line feed
    data.append(chunk);
    qsizetype start = 0;
    if (m_discarding) {
        const qsizetype feed = data.indexOf('\n');
        if (feed < 0)
            return;
        m_discarding = false;
        start = feed + 1;
    }

    const QPointer<RelayRunner> self(this);
    const quint64 stream = m_streams;
    const QDateTime now = m_clock.now();
    qsizetype from = std::max(start, carried);
    for (;;) {
        const qsizetype feed = data.indexOf('\n', from);
        if (feed < 0)
            break;
        const qsizetype length = feed - start;
        if (length > 0 && length <= maxLineBytes) {
            auto event =
                RelayEvent::decode(QByteArray::fromRawData(data.constData() + start, length), now);
            if (event) {
                if (event->kind == RelayEvent::Kind::Synced ||
                    event->kind == RelayEvent::Kind::Sent) {
                    m_failures = 0;
                    m_progressAt = now;
                }
                onEvent(*event);
                // A stop or relaunch empties the buffer: the rest belongs to a retired relay.
                if (!self || m_streams != stream)
                    return;
            }
        }
        start = from = feed + 1;
    }

    const qsizetype rest = data.size() - start;
    if (rest > maxLineBytes) {
        // An over-long line: drop it up to its line feed instead of holding it without bound.
        m_discarding = true;
        return;
    }
    if (start == 0)
        m_buffer = std::move(data);
    else if (rest > 0)
        m_buffer = data.mid(start);
}

int RelayRunner::exitsWithin(std::chrono::milliseconds window) const {
    const QDateTime since = m_clock.now().addMSecs(-window.count());
    int count = 0;
    for (const RelayExit& exit : m_exits)
        count += exit.at > since && (!m_progressAt || exit.at > *m_progressAt) ? 1 : 0;
    return count;
}

void RelayRunner::exited(QProcess* process, int status, bool signal) {
    const qsizetype index = retiredIndex(process);
    const bool retired = index >= 0;
    // Whatever the relay left in its group goes with it: stopped or ended on its own, nothing
    // it started may outlive it. The relay itself has been reaped, so only its group is signalled.
    if (retired)
        m_processes.killLeftovers(m_retired.takeAt(index).group);
    else if (process == m_process)
        m_processes.killLeftovers(std::exchange(m_group, 0));
    m_processes.endOrphans();
    process->deleteLater();

    if (m_process && m_process != process)
        return; // replaced already: its exit is no longer news
    if (!retired && m_process != process)
        return;
    const bool wasCurrent = m_process == process;
    m_process = nullptr;
    if (wasCurrent) {
        keepTail(m_stderr, process->readAllStandardError());
        m_lastStderr = std::exchange(m_stderr, {});
        const QDateTime now = m_clock.now();
        m_exits.append(
            RelayExit{now, status, signal, std::chrono::milliseconds(m_launchedAt.msecsTo(now))});
        qCInfo(lcSupervisor, "relay exited (%s %d) after %lld s", signal ? "signal" : "status",
               status, qint64(m_launchedAt.secsTo(now)));
        if (m_exits.size() > keptExits)
            m_exits.removeFirst();
    }

    const QPointer<RelayRunner> self(this);
    if (wasCurrent)
        Q_EMIT runningChanged();
    if (!self)
        return;
    onExit(status);
    if (!self)
        return;
    if (status == stoppedForGood)
        m_wanted = false;
    else if (m_wanted)
        scheduleRestart();
}

void RelayRunner::scheduleRestart() {
    ++m_failures;
    const int exponent = std::min(m_failures - 1, 6);
    const auto pause =
        std::min<std::chrono::milliseconds>(std::chrono::seconds(1 << exponent), longestPause);
    if (m_restartTimer) {
        m_restartTimer->cancel();
        m_restartTimer->deleteLater();
    }
    qCInfo(lcSupervisor, "restart in %lld s", qint64(pause.count() / 1000));
    ClockTimer* timer = m_clock.startTimer(pause, this);
    m_restartTimer = timer;
    connect(timer, &ClockTimer::finished, this, [this, timer](bool elapsed) {
        timer->deleteLater();
        if (elapsed && m_wanted && !m_process)
            launch();
    });
}
