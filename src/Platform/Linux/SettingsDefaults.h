#pragma once

#include "Core/Platform/Platform.h"

#include <QHash>
#include <QSettings>

#include <memory>

// User defaults in QSettings: the application's usual settings file, or an INI file of one's own
// (a development run keeps its flags beside its relay state).
class SettingsDefaults final : public UserDefaults {
public:
    // The flags take a few bytes; a larger file is not ours, and reading it would stall start-up.
    static constexpr qint64 maxFileBytes = qint64(1024) * 1024;

    explicit SettingsDefaults(const QString& filePath = {});

    bool boolValue(const QString& key) const override;
    void setBool(const QString& key, bool value) override;
    std::optional<QDateTime> timeValue(const QString& key) const override;
    void setTime(const QString& key, const std::optional<QDateTime>& value) override;

    // Where the usual settings live: the file QSettings would pick for this application.
    static QString usualFile();

private:
    void store(const QString& key, const QVariant& value); // an invalid value removes the key

    // Null when the file could be neither used nor set aside: the flags then live in memory.
    std::unique_ptr<QSettings> m_settings;
    QHash<QString, QVariant> m_unsaved;
};
