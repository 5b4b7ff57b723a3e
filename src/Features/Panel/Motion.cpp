#include "Features/Panel/Motion.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

bool desktopReducesMotion() {
    // KDE Plasma: "Animation speed" at its instant end writes a factor of 0.
    const QString config =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    // A huge file would stall the panel while it is parsed; the setting sits near the top anyway.
    const QFileInfo info(config);
    if (config.isEmpty() || !info.isFile() || info.size() > 1024 * 1024)
        return false;
    const QSettings kde(config, QSettings::IniFormat);
    bool ok = false;
    const double factor = kde.value(QStringLiteral("KDE/AnimationDurationFactor")).toDouble(&ok);
    return ok && factor <= 0.0;
}
