#include "Core/RunOptions.h"

#include <QDir>

RunOptions RunOptions::fromEnvironment(const QProcessEnvironment& environment) {
    RunOptions options;
    options.dryRun =
        environment.value(QStringLiteral("WRENBOX_RELAY_DRY_RUN")) == QLatin1String("1");
    options.development = environment.contains(QStringLiteral("WRENBOX_CONFIG_DIR"));
    const QString configDir = environment.value(QStringLiteral("WRENBOX_CONFIG_DIR"));
    if (!configDir.isEmpty()) {
        options.settingsFile = QDir(configDir).filePath(QStringLiteral("wrenbox-app.ini"));
        options.historyFile = QDir(configDir).filePath(QStringLiteral("history.sqlite"));
    }
    return options;
}
