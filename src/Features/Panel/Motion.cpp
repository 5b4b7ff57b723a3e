#include "Features/Panel/Motion.h"

#include <QSettings>
#include <QStandardPaths>

bool desktopReducesMotion() {
    // KDE Plasma: "Animation speed" at its instant end writes a factor of 0.
    const QString config =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    if (config.isEmpty())
        return false;
    const QSettings kde(config, QSettings::IniFormat);
    bool ok = false;
    const double factor = kde.value(QStringLiteral("KDE/AnimationDurationFactor")).toDouble(&ok);
    return ok && factor <= 0.0;
}
