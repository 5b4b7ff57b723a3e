#pragma once

#include "Core/Platform/Platform.h"

#include <QSettings>

#include <memory>

// User defaults in QSettings: the application's usual settings, or an INI file of one's own (a
// development run keeps its flags beside its relay state).
class SettingsDefaults final : public UserDefaults {
public:
    explicit SettingsDefaults(const QString& filePath = {});

    bool boolValue(const QString& key) const override;
    void setBool(const QString& key, bool value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};
