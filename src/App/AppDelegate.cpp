#include "App/AppDelegate.h"

#include "App/CommandLine.h"
#include "App/SingleInstance.h"
#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Core/MacPairLink.h"
#include "Core/MoveToApplications.h"
#include "Core/PairingRequest.h"
#include "Core/Platform/Platform.h"
#include "Core/Tasks.h"

#include <QGuiApplication>
#include <QTimer>

namespace {
// Arguments that carry a scheme are opened URLs; anything else (a path, an option) is not.
QList<QUrl> urlsAmong(const QStringList& arguments) {
    QList<QUrl> urls;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        if (url.isValid() && !url.scheme().isEmpty())
            urls.append(url);
    }
    return urls;
}
} // namespace

AppDelegate::AppDelegate(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_model(*m_services.model) {
    Q_ASSERT(m_services.model && m_services.pairing && m_services.clock);
    if (!m_services.alert)
        m_services.alert = showModalAlert;
}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::finishLaunching(const QStringList& arguments) {
    const bool quitting = arguments.contains(QLatin1String(CommandLine::quitOption));
    if (!m_services.developmentRun) {
        m_single = new SingleInstance(m_services.singleInstancePath, this);
        switch (m_single->claim(arguments)) {
        case SingleInstance::Role::Second:
            return false;
        case SingleInstance::Role::Failed:
            m_launchFailure = m_single->failure();
            return false;
        case SingleInstance::Role::First:
        case SingleInstance::Role::Alone:
            break;
        }
        connect(m_single, &SingleInstance::argumentsReceived, this,
                [this](const QStringList& handed) { act(handed, false); });
    }
    // Nothing was running to quit.
    if (quitting)
        return false;

    if (m_services.move)
        MoveToApplications::offerIfNeeded(*m_services.move);

    // On the first turn of the event loop, once the tray icon or first window is on its way:
    // the relay's first process, started before it, held a first window back a few ms.
    QTimer::singleShot(0, this, [this] { m_model.start(); });

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        applicationDidBecomeActive();
                });
    }
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);

    detach(openSetupAfterLaunch(), "opening Setup after launch");

    act(arguments, true);
    return true;
}

void AppDelegate::act(const QStringList& arguments, bool launching) {
    if (arguments.contains(QLatin1String(CommandLine::quitOption))) {
        Q_EMIT quitRequested();
        return;
    }
    if (arguments.contains(QLatin1String(CommandLine::settingsOption))) {
        Q_EMIT settingsRequested();
        return;
    }
    const QList<QUrl> urls = urlsAmong(arguments);
    if (!urls.isEmpty())
        openUrls(urls);
    else if (!launching || arguments.contains(QLatin1String(CommandLine::openOption)))
        Q_EMIT reopenRequested();
}

void AppDelegate::openUrls(const QList<QUrl>& urls) {
    // An alert inside handle() runs a nested loop; the delegate may be gone after it.
    QPointer<AppDelegate> self(this);
    for (const QUrl& url : urls) {
        if (!self)
            return;
        handle(url);
    }
}

void AppDelegate::handle(const QUrl& url) {
    const std::optional<MacPairLink> link = MacPairLink::fromUrl(url);
    if (!link)
        return;
    const std::optional<QString> server =
        link->server ? link->server : std::optional<QString>(AppModel::defaultServer());
    if (m_model.dryRun() && !AppModel::isLocal(server)) {
        if (m_services.workspace)
            m_services.workspace->activateApp();
        m_services.alert(tr("This pairing link wasn't used"), AppModel::dryRunRefusal(), {});
        return;
    }
    m_services.pairing->setPending(link);
    openSetup();
}

void AppDelegate::openSetup() {
    if (m_services.workspace)
        m_services.workspace->activateApp();
    Q_EMIT setupRequested();
}

void AppDelegate::applicationDidBecomeActive() {
    detach(m_model.refresh(), "refresh on activation");
}

void AppDelegate::applicationWillTerminate() {
    m_model.stopRelay();
}

QCoro::Task<> AppDelegate::openSetupAfterLaunch() {
    QPointer<AppDelegate> self(this);
    // A cancelled sleep goes straight on; a delegate that is gone does not.
    co_await m_services.clock->sleep(setupDelay, this);
    if (!self)
        co_return;
    if (!m_model.setupComplete())
        openSetup();
}
