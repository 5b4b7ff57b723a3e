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
        return m_unsaved.value(key, false).toBool();
    return m_settings->value(key, false).toBool();
}

void SettingsDefaults::setBool(const QString& key, bool value) {
    store(key, value);
}

std::optional<QDateTime> SettingsDefaults::timeValue(const QString& key) const {
    const QVariant value = m_settings ? m_settings->value(key) : m_unsaved.value(key);
    // Kept as text in UTC, so the file stays readable and moves with the user across zones.
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODate);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

void SettingsDefaults::setTime(const QString& key, const std::optional<QDateTime>& value) {
    store(key, value ? QVariant(value->toUTC().toString(Qt::ISODate)) : QVariant());
}

void SettingsDefaults::store(const QString& key, const QVariant& value) {
    if (!m_settings) {
        if (value.isValid())
            m_unsaved.insert(key, value);
        else
            m_unsaved.remove(key);
        return;
    }
    if (value.isValid())
        m_settings->setValue(key, value);
    else
        m_settings->remove(key);
    // These are decisions the user made; write them now rather than at exit.
    m_settings->sync();
}
