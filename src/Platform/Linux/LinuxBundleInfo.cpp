#include "Platform/Linux/LinuxBundleInfo.h"

#include <QDir>
#include <QStandardPaths>
#include <QSysInfo>

LinuxBundleInfo::LinuxBundleInfo(QString applicationDir)
    : m_applicationDir(std::move(applicationDir)) {}

QString LinuxBundleInfo::applicationDir() const {
    return m_applicationDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_applicationDir;
}

QString LinuxBundleInfo::relayHelperPath() const {
    return QDir::cleanPath(applicationDir() + QStringLiteral("/../libexec/wrenbox/wrenbox"));
}

QString LinuxBundleInfo::keeperPath() const {
    return QDir::cleanPath(applicationDir() + QStringLiteral("/../libexec/wrenbox/wrenbox-keeper"));
}

std::optional<QString> LinuxBundleInfo::shortVersion() const {
#ifdef WRENBOX_VERSION
    return QStringLiteral(WRENBOX_VERSION);
#else
    return std::nullopt;
#endif
}

QString LinuxBundleInfo::bundlePath() const {
    return QDir::cleanPath(applicationDir() + QStringLiteral("/.."));
}

QString LinuxBundleInfo::systemVersion() const {
    return QSysInfo::prettyProductName();
}

QString LinuxBundleInfo::diagnosticsHeader() const {
    return tr("Wrenbox for Linux %1, %2")
        .arg(shortVersion().value_or(QStringLiteral("?")), systemVersion());
}

QString LinuxBundleInfo::launchAgentPath() const {
    return QDir::homePath() + QStringLiteral("/.config/systemd/user/app.wrenbox.relay.service");
}

QString LinuxBundleInfo::historyPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/wrenbox/history.sqlite");
}
