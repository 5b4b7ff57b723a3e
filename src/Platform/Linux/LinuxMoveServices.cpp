#include "Platform/Linux/LinuxMoveServices.h"

#include "Core/Platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTimer>

LinuxMoveServices::LinuxMoveServices(BundleInfo& bundle, UserDefaults& defaults,
                                     Workspace& workspace, std::function<void()> stopRelay,
                                     AlertPresenter alert)
    : m_bundle(bundle)
    , m_defaults(defaults)
    , m_workspace(workspace)
    , m_stopRelay(std::move(stopRelay))
    , m_alert(std::move(alert)) {}

QString LinuxMoveServices::bundlePath() const {
    return QDir::cleanPath(m_bundle.bundlePath());
}

QString LinuxMoveServices::homePath() const {
    return QDir::homePath();
}

int LinuxMoveServices::alert(const QString& message, const QString& informative,
                             const QStringList& buttons) {
    return m_alert(message, informative, buttons);
}

void LinuxMoveServices::activateApp() {
    m_workspace.activateApp();
}

void LinuxMoveServices::launchNewInstance(const QString& path, std::function<void()> done) {
    // The program sits in bin/ under the prefix, as in the build tree.
    QProcess::startDetached(QDir(path).filePath(QStringLiteral("bin/wrenbox-app")), {});
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(done));
}

void LinuxMoveServices::stopRelay() {
    if (m_stopRelay)
        m_stopRelay();
}

void LinuxMoveServices::terminate() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}
