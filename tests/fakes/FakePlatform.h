#pragma once

#include "Core/Platform/Platform.h"
#include "ManualClock.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

// In-memory platform services that record what was asked of them.

class FakeDefaults final : public UserDefaults {
public:
    bool boolValue(const QString& key) const override { return values.value(key, false); }
    void setBool(const QString& key, bool value) override { values.insert(key, value); }
    bool contains(const QString& key) const { return values.contains(key); }
    QHash<QString, bool> values;
};

class FakeLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    std::optional<QString> setEnabled(bool value) override {
        calls.append(value);
        // A failure leaves the state as it was.
        if (const auto failure = std::exchange(nextFailure, std::nullopt))
            return failure;
        enabled = value;
        return std::nullopt;
    }
    bool enabled = false;
    std::optional<QString> nextFailure; // the next change fails with this text
    QList<bool> calls;
};

class FakeMessages final : public MessagesAutomation {
public:
    bool isRunning() const override {
        // After launchHidden(), Messages comes up once it was asked `runningAfterChecks` times.
        if (!running && m_checksUntilRunning && (*m_checksUntilRunning)-- <= 0)
            running = true;
        return running;
    }
    bool canLocate() const override { return locatable; }
    QCoro::Task<> launchHidden() override {
        ++launches;
        m_checksUntilRunning = runningAfterChecks;
        co_return;
    }
    QCoro::Task<MessagesPermission> determine(bool ask) override {
        ++(ask ? prompts : quietAsks);
        co_return ask ? answerWhenAsked : answerWithoutAsking;
    }
    mutable bool running = false;
    bool locatable = false;
    std::optional<int> runningAfterChecks = 0; // none: it never comes up
    MessagesPermission answerWithoutAsking = MessagesPermission::Unknown;
    MessagesPermission answerWhenAsked = MessagesPermission::Unknown;
    int launches = 0;
    int prompts = 0;   // determine(true) calls
    int quietAsks = 0; // determine(false) calls

private:
    mutable std::optional<int> m_checksUntilRunning;
};

class FakeBundle final : public BundleInfo {
public:
    QString relayHelperPath() const override { return helperPath; }
    std::optional<QString> shortVersion() const override { return version; }
    QString bundlePath() const override { return path; }
    QString systemVersion() const override { return system; }
    QString diagnosticsHeader() const override {
        return QStringLiteral("Wrenbox for Test %1, %2")
            .arg(version.value_or(QStringLiteral("?")), system);
    }
    QString helperPath = QStringLiteral("/nonexistent/wrenbox");
    std::optional<QString> version = QStringLiteral("1.2.3");
    QString path = QStringLiteral("/opt/wrenbox");
    QString system = QStringLiteral("Test OS 1");
};

class FakeWorkspace final : public Workspace {
public:
    void activateApp() override { ++activations; }
    bool openUrl(const QUrl& url) override {
        opened.append(url);
        return true;
    }
    void copyText(const QString& text) override { copied.append(text); }
    int activations = 0;
    QList<QUrl> opened;
    QStringList copied;
};

// All fakes with a manual clock, handed out as one Platform.
struct FakePlatform {
    ManualClock clock;
    FakeDefaults defaults;
    FakeLoginItem loginItem;
    FakeMessages messages;
    FakeBundle bundle;
    FakeWorkspace workspace;
    Platform platform() {
        return Platform{&clock, &defaults, &loginItem, &messages, &bundle, &workspace};
    }
};
