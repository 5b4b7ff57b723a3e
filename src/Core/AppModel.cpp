#include "Core/AppModel.h"

#include "Core/Clock.h"
#include "Core/LocalServerUrl.h"
#include "Core/Relay/RelayRunner.h"
#include "Core/Tasks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {
bool checkFails(const DoctorReport& doctor, const QString& id) {
    const auto check = doctor.check(id);
    return check && check->status == DoctorCheck::Status::Fail;
}
// Every service but the desktop's look and the system's signals is used from the start.
const Platform& checked(const Platform& platform) {
    Q_ASSERT(platform.clock && platform.defaults && platform.loginItem && platform.messages);
    Q_ASSERT(platform.bundle && platform.workspace && platform.processes && platform.facilities);
    return platform;
}

} // namespace

AppModel::AppModel(const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_platform(checked(platform))
    , m_clock(*platform.clock)
    , m_dryRun(platform.run.dryRun)
    , m_cli(platform.bundle->relayHelperPath(), *platform.processes, *platform.clock) {
    m_notifyAttention =
        !m_platform.defaults->boolValue(QStringLiteral("attentionNotificationsOff"));
    m_userPaused = m_platform.defaults->boolValue(QStringLiteral("paused"));
    if (m_userPaused)
        m_pausedUntil = m_platform.defaults->timeValue(QStringLiteral("pausedUntil"));
    m_runner =
        std::make_unique<RelayRunner>(m_cli.helper(), m_dryRun, m_clock, *platform.processes);
    QPointer<AppModel> self(this);
    m_runner->onEvent = [self](const RelayEvent& event) {
        if (self)
            self->handle(event);
    };
    m_runner->onExit = [self](int code) {
        if (self)
            self->exited(code);
    };
    connect(m_runner.get(), &RelayRunner::runningChanged, this, &AppModel::rederive);
    connect(m_runner.get(), &RelayRunner::runningChanged, this, &AppModel::relayRunningChanged);
    // A timed pause whose time passed while the app was not running ends here and now.
    if (m_pausedUntil)
        detach(resumeWhenDue(m_pauseSerial), "timed pause");
    if (m_platform.power) {
        m_platform.power->setWakeHandler([self] {
            if (self)
                self->woke();
        });
    }
    m_loginItemEnabled = m_platform.loginItem->isEnabled();
    m_launchAgentInstalled = QFileInfo::exists(launchAgentPath());
    m_phase = phase();
    m_setupComplete = setupComplete();
}

AppModel::~AppModel() {
    // The runner reports the exit of the relay it kills on the way out; this model is already
    // half gone by then, so nothing may reach it.
    disconnect(m_runner.get(), nullptr, this, nullptr);
    if (m_platform.power)
        m_platform.power->setWakeHandler({});
    // Sleeping tasks wake up (later) to find the model gone, instead of waiting forever.
    for (const QPointer<ClockTimer>& timer : std::as_const(m_sleeps)) {
        if (timer)
            timer->cancel();
    }
    m_runner->onEvent = [](const RelayEvent&) {};
    m_runner->onExit = [](int) {};
    m_runner.reset();
}

RelayPhase AppModel::phase() const {
    RelayPhase::Inputs in;
    in.loaded = m_loaded;
    in.paired = m_status.paired;
    in.updateRequired = m_status.updateRequired;
    in.sendingEnabled = m_status.sendingEnabled;
    // What this system cannot grant is nothing to attend to.
    const bool privacy = has(Facility::PrivacyPanes);
    const bool automation = has(Facility::AppleEventAutomation);
    in.chatdbFails = privacy && checkFails(m_doctor, QStringLiteral("chatdb"));
    in.automationCheckFails = automation && checkFails(m_doctor, QStringLiteral("automation"));
    in.permissionDenied = automation && m_messagesPermission == MessagesPermission::Denied;
    in.userPaused = m_userPaused;
    in.pausedUntil = m_pausedUntil;
    in.relayError = m_relayError;
    in.relayRunning = m_runner && m_runner->isRunning();
    in.batch = m_batch;
    in.lastSyncAt = m_lastSyncAt;
    return RelayPhase::derive(in);
}

bool AppModel::setupComplete() const {
    // A step whose facility this system lacks has nothing to wait for.
    const bool fullDiskAccess =
        !has(Facility::PrivacyPanes) || !checkFails(m_doctor, QStringLiteral("chatdb"));
    const bool messages = !has(Facility::AppleEventAutomation) ||
                          (m_messagesPermission != MessagesPermission::Denied &&
                           m_messagesPermission != MessagesPermission::NotAsked);
    return m_status.paired && fullDiskAccess && messages;
}

bool AppModel::has(Facility facility) const {
    return !m_platform.facilities || m_platform.facilities->has(facility);
}

QCoro::Task<bool> AppModel::sleepFor(std::chrono::milliseconds duration,
                                     QPointer<ClockTimer>* handle) {
    QPointer<AppModel> self(this);
    const auto slot = m_sleeps.insert(m_sleeps.end(), QPointer<ClockTimer>());
    // No owner: a timer owned by this model would die with it and strand the waiting task.
    auto sleep = m_clock.sleep(duration, nullptr, &*slot);
    if (handle)
        *handle = *slot;
    const bool elapsed = co_await std::move(sleep);
    if (self)
        m_sleeps.erase(slot);
    co_return elapsed;
}

bool AppModel::isLocal(const std::optional<QString>& server) {
    return isLocalServer(server);
}

QString AppModel::dryRunRefusal() {
    static const QString text =
        tr("This copy of Wrenbox is a dry run for testing: it reports texts as sent without "
           "sending them, so it only works with a local server (localhost). Use the normal "
           "Wrenbox app for your dashboard.");
    return text;
}

QString AppModel::defaultServer() {
    return QStringLiteral("https://wrenbox.app");
}

QString AppModel::dashboardPath() {
    return QStringLiteral("app");
}

std::optional<QUrl> AppModel::dashboardURL() const {
    return dashboardURL(m_status.server.value_or(defaultServer()));
}

std::optional<QUrl> AppModel::dashboardURL(const QString& server) {
    QUrl url(server, QUrl::StrictMode);
    // Only an absolute address can be opened as a web page.
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return std::nullopt;
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + dashboardPath());
    return url;
}

QString AppModel::diagnostics() const {
    QStringList lines;
    lines << m_platform.bundle->diagnosticsHeader();
    lines << tr("App: %1").arg(m_platform.bundle->bundlePath());
    lines << tr("Messages permission: %1").arg(messagesPermissionName(m_messagesPermission));
    for (const DoctorCheck& check : m_doctor.checks) {
        QString line = QStringLiteral("[%1] %2: %3")
                           .arg(DoctorCheck::statusName(check.status), check.id, check.detail);
        if (check.fix)
            line += QStringLiteral(" | fix: ") + *check.fix;
        lines << line;
    }
    if (const QList<RelayExit>& exits = m_runner->exits(); !exits.isEmpty()) {
        lines << QString() << tr("Recent relay exits");
        for (const RelayExit& exit : exits)
            lines << exitLine(exit);
        const QString tail = QString::fromUtf8(m_runner->lastStderr()).trimmed();
        if (!tail.isEmpty())
            lines << tr("Standard error of the last run:") << tail;
    }
    return lines.join(QLatin1Char('\n'));
}

QString AppModel::exitLine(const RelayExit& exit) {
    const QString how = exit.signal ? tr("signal %1").arg(exit.code) : tr("exit %1").arg(exit.code);
    return tr("%1  %2  ran %3 s")
        .arg(exit.at.toLocalTime().toString(Qt::ISODate), how)
        .arg(double(exit.ran.count()) / 1000.0, 0, 'f', 1);
}

QString AppModel::launchAgentPath() const {
    return m_platform.bundle->launchAgentPath();
}

void AppModel::checkLaunchAgent() {
    const bool installed = QFileInfo::exists(launchAgentPath());
    if (installed == m_launchAgentInstalled)
        return;
    m_launchAgentInstalled = installed;
    Q_EMIT launchAgentInstalledChanged();
}

QCoro::Task<> AppModel::removeLaunchAgent() {
    QPointer<AppModel> self(this);
    // The command runs in its own frame: it must not depend on this model staying alive.
    const RelayCLI cli = m_cli;
    co_await cli.uninstallLaunchAgent();
    if (!self)
        co_return;
    checkLaunchAgent();
    co_await refresh();
}

bool AppModel::relayRunning() const {
    return m_runner->isRunning();
}

bool AppModel::relayWanted() const {
    return m_runner->wanted();
}

const QList<RelayExit>& AppModel::relayExits() const {
    return m_runner->exits();
}

void AppModel::stopRelay() {
    m_relayRetired = true;
    m_runner->stop();
}

std::optional<QString> AppModel::relayNotice() const {
    return noticeBeside(m_cli.helper());
}

std::optional<QString> AppModel::noticeBeside(const QString& helperPath) {
    QFile file(QFileInfo(helperPath).dir().filePath(QStringLiteral("NOTICE")));
    if (helperPath.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

// Setters: store, notify only on a real change, then re-derive.

template <typename T>
void AppModel::change(T& field, const T& value, void (AppModel::*changed)(), Derived derived) {
    if (field == value)
        return;
    field = value;
    Q_EMIT(this->*changed)();
    if (derived == Derived::Yes)
        rederive();
}

void AppModel::setStatus(const RelayStatus& value) {
    change(m_status, value, &AppModel::statusChanged, Derived::Yes);
}

void AppModel::setDoctor(const DoctorReport& value) {
    change(m_doctor, value, &AppModel::doctorChanged, Derived::Yes);
}

void AppModel::setEvents(const QList<RelayEvent>& value) {
    change(m_events, value, &AppModel::eventsChanged, Derived::No);
}

void AppModel::setToday(const RelayToday& value) {
    change(m_today, value, &AppModel::todayChanged, Derived::No);
}

void AppModel::setLastSyncAt(const std::optional<QDateTime>& value) {
    change(m_lastSyncAt, value, &AppModel::lastSyncAtChanged, Derived::Yes);
}

void AppModel::setBatch(const std::optional<RelayBatch>& value) {
    change(m_batch, value, &AppModel::batchChanged, Derived::Yes);
}

void AppModel::setRelayError(const std::optional<QString>& value) {
    change(m_relayError, value, &AppModel::relayErrorChanged, Derived::Yes);
}

void AppModel::setIsChecking(bool value) {
    change(m_isChecking, value, &AppModel::isCheckingChanged, Derived::No);
}

void AppModel::setLoginItemEnabled(bool value) {
    change(m_loginItemEnabled, value, &AppModel::loginItemEnabledChanged, Derived::No);
}

void AppModel::setLoaded(bool value) {
    change(m_loaded, value, &AppModel::loadedChanged, Derived::Yes);
}

void AppModel::setMessagesPermission(MessagesPermission value) {
    change(m_messagesPermission, value, &AppModel::messagesPermissionChanged, Derived::Yes);
}

void AppModel::setAskingMessages(bool value) {
    change(m_askingMessages, value, &AppModel::askingMessagesChanged, Derived::No);
}

void AppModel::setUserPaused(bool value) {
    change(m_userPaused, value, &AppModel::userPausedChanged, Derived::Yes);
}

void AppModel::setPausedUntil(const std::optional<QDateTime>& value) {
    change(m_pausedUntil, value, &AppModel::pausedUntilChanged, Derived::Yes);
}

void AppModel::setNotifyAttention(bool notify) {
    if (m_notifyAttention == notify)
        return;
    m_notifyAttention = notify;
    // Stored the other way round, so that a fresh start notifies.
    m_platform.defaults->setBool(QStringLiteral("attentionNotificationsOff"), !notify);
    Q_EMIT notifyAttentionChanged();
}

void AppModel::rederive() {
    if (m_stepDepth > 0)
        return;
    const RelayPhase nowPhase = phase();
    if (!(nowPhase == m_phase)) {
        m_phase = nowPhase;
        Q_EMIT phaseChanged();
    }
    const bool complete = setupComplete();
    if (complete != m_setupComplete) {
        m_setupComplete = complete;
        Q_EMIT setupCompleteChanged();
    }
}
