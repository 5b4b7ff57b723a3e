#include "Platform/Linux/SettingsDefaults.h"

SettingsDefaults::SettingsDefaults(const QString& filePath)
    : m_settings(filePath.isEmpty() ? std::make_unique<QSettings>()
                                    : std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
}

bool SettingsDefaults::boolValue(const QString& key) const {
    return m_settings->value(key, false).toBool();
}

void SettingsDefaults::setBool(const QString& key, bool value) {
    m_settings->setValue(key, value);
    // These flags are decisions the user made; write them now rather than at exit.
    m_settings->sync();
}
