// Start-up, the status poll, refreshes and the decision whether the relay runs.

#include "Core/AppModel.h"

#include "Core/Log.h"

#include "Core/Clock.h"
#include "Core/Relay/RelayRunner.h"
#include "Core/Tasks.h"

void AppModel::start() {
    detach(startUp(), "start-up");
    // A new loop replaces the old one: bump the generation first so the cancelled sleep
    // finds itself superseded when it resumes.
    const quint64 generation = ++m_pollGeneration;
    if (m_pollTimer)
        m_pollTimer->cancel();
    detach(pollLoop(generation), "status poll");
}

QCoro::Task<> AppModel::startUp() {
    QPointer<AppModel> self(this);
    co_await refresh();
    if (!self)
        co_return;
    setLoaded(true);
    applyRunState();
    if (setupComplete() && !m_platform.defaults->boolValue(QStringLiteral("loginItemDecided")))
        setLoginItem(true);
}

QCoro::Task<> AppModel::pollLoop(quint64 generation) {
    QPointer<AppModel> self(this);
    while (true) {
        co_await sleepFor(pollInterval, &m_pollTimer);
        if (!self || m_pollGeneration != generation)
            co_return;
        co_await refreshStatus();
        if (!self || m_pollGeneration != generation)
            co_return;
    }
}

QCoro::Task<> AppModel::refresh() {
    QPointer<AppModel> self(this);
    setIsChecking(true);
    co_await m_refreshes.request();
    // A refresh asked for meanwhile keeps the flag on until it has run too.
    if (self && !m_refreshes.busy())
        setIsChecking(false);
}

QCoro::Task<> AppModel::refreshOnce() {
    QPointer<AppModel> self(this);
    co_await refreshStatus();
    if (!self)
        co_return;
    co_await checkMessagesPermission();
    if (!self)
        co_return;
    co_await doctorCheck();
}

QCoro::Task<> AppModel::doctorCheck() {
    QPointer<AppModel> self(this);
    // The command runs in its own frame: it must not depend on this model staying alive.
    const RelayCLI cli = m_cli;
    std::optional<DoctorReport> report;
    try {
        report = co_await cli.doctor();
    } catch (...) {
        // A failing health report keeps the previous one.
    }
    if (self && report)
        setDoctor(*report);
}

QCoro::Task<> AppModel::refreshStatus() {
    return m_statusRefreshes.request();
}

QCoro::Task<> AppModel::refreshStatusOnce() {
    QPointer<AppModel> self(this);
    const RelayCLI cli = m_cli;
    std::optional<RelayStatus> fresh;
    try {
        fresh = co_await cli.status();
    } catch (...) {
        // The last known status stays on screen.
    }
    if (!self || !fresh)
        co_return;
    const OneStep step(*this);
    setStatus(*fresh);
    setToday(fresh->today);
    if (fresh->lastSyncAt && (!m_lastSyncAt || *fresh->lastSyncAt > *m_lastSyncAt))
        setLastSyncAt(fresh->lastSyncAt);
}

void AppModel::woke() {
    qCInfo(lcSupervisor, "the computer woke: the relay is looked at again now");
    Q_EMIT wokeUp();
    // The sleeps counted the night; what the night changed is found out now, and a relay that
    // was waiting to restart need not wait out the rest of its pause.
    m_runner->restartNow();
    if (m_resumeTimer)
        m_resumeTimer->cancel(); // the timed pause looks at the time again
    detach(refresh(), "refresh after waking");
}

void AppModel::applyRunState() {
    if (m_relayRetired)
        return;
    if (m_dryRun && m_status.paired && !isLocal(m_status.server)) {
        m_runner->stop();
        setRelayError(dryRunRefusal());
        return;
    }
    if (m_status.paired && !m_userPaused && !m_status.updateRequired) {
        setRelayError(std::nullopt);
        m_runner->start();
        return;
    }
    m_runner->stop();
}

void AppModel::setPaused(bool paused) {
    pause(paused, std::nullopt);
}

void AppModel::pauseUntil(const QDateTime& until) {
    pause(true, until);
}

QDateTime AppModel::tomorrowMorning(const QDateTime& now) {
    // Someone still up at 00:30 means the coming morning, not the one after it.
    const QDateTime local = now.toLocalTime();
    const bool night = local.time() < QTime(4, 0);
    return QDateTime(local.date().addDays(night ? 0 : 1), QTime(8, 0));
}

void AppModel::pause(bool paused, const std::optional<QDateTime>& until) {
    if (paused && until)
        qCInfo(lcSupervisor, "paused until %s",
               qPrintable(until->toLocalTime().toString(Qt::ISODate)));
    else
        qCInfo(lcSupervisor, paused ? "paused until resumed" : "resumed");
    const OneStep step(*this);
    setUserPaused(paused);
    m_platform.defaults->setBool(QStringLiteral("paused"), paused);
    // Whatever pause was under way gives way to this one.
    ++m_pauseSerial;
    if (m_resumeTimer)
        m_resumeTimer->cancel();
    setPausedUntil(until);
    m_platform.defaults->setTime(QStringLiteral("pausedUntil"), until);
    if (until)
        detach(resumeWhenDue(m_pauseSerial), "timed pause");
    if (paused)
        setBatch(std::nullopt);
    applyRunState();
    push(RelayEvent::make(paused ? RelayEvent::Kind::Paused : RelayEvent::Kind::Resumed,
                          m_clock.now()));
}

QCoro::Task<> AppModel::resumeWhenDue(quint64 serial) {
    QPointer<AppModel> self(this);
    while (self && serial == m_pauseSerial && m_pausedUntil) {
        const qint64 left = m_clock.now().msecsTo(*m_pausedUntil);
        if (left <= 0) {
            setPaused(false);
            co_return;
        }
        co_await sleepFor(std::chrono::milliseconds(left), &m_resumeTimer);
    }
}
