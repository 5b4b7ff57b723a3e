#include "Platform/Linux/LinuxDesktopSettings.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>

bool LinuxDesktopSettings::prefersHighContrast() const {
    const QString theme = qEnvironmentVariable("GTK_THEME");
    return theme.contains(QLatin1String("HighContrast"), Qt::CaseInsensitive);
}

bool LinuxDesktopSettings::reducesMotion() const {
    const QString config =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    // A huge file would stall the panel while it is parsed; the setting sits near the top anyway.
    const QFileInfo info(config);
    if (config.isEmpty() || !info.isFile() || info.size() > qint64(1024) * 1024)
        return false;
    const QSettings kde(config, QSettings::IniFormat);
    bool ok = false;
    const double factor = kde.value(QStringLiteral("KDE/AnimationDurationFactor")).toDouble(&ok);
    return ok && factor <= 0.0;
}

bool LinuxDesktopSettings::compositorPlacesWindows() const {
    return QGuiApplication::platformName() == QLatin1String("wayland") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}
