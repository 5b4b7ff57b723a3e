#include "Platform/Linux/SettingsDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>

namespace {
std::filesystem::path native(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).constData());
}

// Whether QSettings may open `path`. A pipe there would block start-up for good and a huge file
// would stall it, so anything but a plain file of a sane size is renamed beside it (the user may
// want it back) and the defaults are used.
bool usable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    const bool plain = info.isFile();
    if (plain && info.size() <= SettingsDefaults::maxFileBytes)
        return true;
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = path + QStringLiteral(".invalid-") + stamp;
    for (int n = 2; QFileInfo(aside).exists() || QFileInfo(aside).isSymLink(); ++n)
        aside = path + QStringLiteral(".invalid-%1-%2").arg(stamp).arg(n);
    const char* why = plain ? "is too large" : "is not a regular file";
    std::error_code error;
    std::filesystem::rename(native(path), native(aside), error);
    if (error) {
        qWarning("Settings %s %s and cannot be set aside (%s): using defaults, not saved",
                 qPrintable(path), why, error.message().c_str());
        return false;
    }
    qWarning("Settings %s %s: set aside as %s, using defaults", qPrintable(path), why,
             qPrintable(aside));
    return true;
}
} // namespace

QString SettingsDefaults::usualFile() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QCoreApplication::organizationName() + QLatin1Char('/') +
                  QCoreApplication::applicationName() + QStringLiteral(".conf"));
}

SettingsDefaults::SettingsDefaults(const QString& filePath) {
    // One file only, checked first: the settings' system-wide fallbacks are not read either.
    const QString path = filePath.isEmpty() ? usualFile() : filePath;
    if (usable(path))
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

bool SettingsDefaults::boolValue(const QString& key) const {
    if (!m_settings)
        return m_unsaved.value(key, false);
    return m_settings->value(key, false).toBool();
}

void SettingsDefaults::setBool(const QString& key, bool value) {
    if (!m_settings) {
        m_unsaved.insert(key, value);
        return;
    }
    m_settings->setValue(key, value);
    // These flags are decisions the user made; write them now rather than at exit.
    m_settings->sync();
}
