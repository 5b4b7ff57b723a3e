#pragma once

#include "Core/Platform/Platform.h"
#include "ManualClock.h"

#include <QDir>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// In-memory platform services that record what was asked of them.

class FakeDefaults final : public UserDefaults {
public:
    bool boolValue(const QString& key) const override { return values.value(key, false); }
    void setBool(const QString& key, bool value) override { values.insert(key, value); }
    std::optional<QDateTime> timeValue(const QString& k) const override { return times.value(k); }
    void setTime(const QString& k, const std::optional<QDateTime>& t) override { times[k] = t; }

    QHash<QString, bool> values;
    QHash<QString, std::optional<QDateTime>> times;
};

class FakeLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    std::optional<QString> setEnabled(bool value) override;

    bool enabled = false;
    // When set, the next change fails with this text and leaves `enabled` as it was.
    std::optional<QString> nextFailure;
    QList<bool> calls;
};

class FakeMessages final : public MessagesAutomation {
public:
    bool isRunning() const override;
    bool canLocate() const override { return locatable; }
    QCoro::Task<> launchHidden() override;
    QCoro::Task<MessagesPermission> determine(bool ask) override;

    mutable bool running = false; // may come up during a check after launchHidden()
    bool locatable = false;
    // After launchHidden(), Messages counts as running from this many isRunning() checks on
    // (0: at once); none: it never comes up.
    std::optional<int> runningAfterChecks = 0;
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
    QString systemVersion() const override { return u"Test OS 1"_qs; }
    QString diagnosticsHeader() const override {
        return u"Wrenbox for Test "_qs + version.value_or(u"?"_qs) + u", Test OS 1"_qs;
    }
    QString launchAgentPath() const override { return agentPath; }
    QString historyPath() const override { return history; }

    QString helperPath = QStringLiteral("/nonexistent/wrenbox");
    std::optional<QString> version = QStringLiteral("1.2.3");
    QString path = QStringLiteral("/opt/wrenbox");
    QString agentPath =
        QDir::homePath() + QStringLiteral("/.config/systemd/user/app.wrenbox.relay.service");
    QString history; // none: in memory
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

// Every facility exists unless a test takes it away; the settings panes are macOS's.
class FakeFacilities final : public SystemFacilities {
public:
    bool has(Facility facility) const override { return !missing.contains(facility); }
    QUrl settingsPane(SettingsPane pane) const override {
        return QUrl(u"x-apple.systempreferences:com.apple.preference.security?"_qs +
                    (pane == SettingsPane::FullDiskAccess ? u"Privacy_AllFiles"_qs
                                                          : u"Privacy_Automation"_qs));
    }

    QSet<Facility> missing;
};

// Each relay in its own process group, stopped by signalling the group; nothing is adopted.
class FakeProcessControl final : public ProcessControl {
public:
    void prepare(QProcess& process) override;
    void adoptOrphans() override {}
    void endOrphans() override {}
    void reapOrphans() override {}
    void stopGroup(qint64 leader, Stop how) override;
    void killLeftovers(qint64 group) override;
};

class FakeDesktop final : public DesktopSettings {
public:
    bool prefersHighContrast() const override { return highContrast; }
    bool reducesMotion() const override { return reduceMotion; }
    bool compositorPlacesWindows() const override { return compositorPlaces; }

    bool highContrast = false;
    bool reduceMotion = false;
    bool compositorPlaces = false;
};

// A tray the test puts up and takes down; what the app publishes in it is kept.
class FakeTray final : public DesktopTray {
public:
    Host host() const override { return current; }
    void publish(const TrayItem& item) override { published = item; }
    void withdraw() override { published.reset(); }
    void set(Host host) {
        current = host;
        Q_EMIT hostChanged();
    }

    Host current = Host::None;
    std::optional<TrayItem> published;
};

class FakeProcessInfo final : public ProcessInfo {
public:
    QString userId() const override { return QStringLiteral("test-user"); }
    std::optional<double> msSinceStart() const override { return std::nullopt; }
};

// All fakes with a manual clock, handed out as one Platform.
struct FakePlatform {
    ManualClock clock;
    FakeDefaults defaults;
    FakeLoginItem loginItem;
    FakeMessages messages;
    FakeBundle bundle;
    FakeWorkspace workspace;
    FakeFacilities facilities;
    FakeProcessControl processes;
    FakeDesktop desktop;
    FakeProcessInfo process;
    SystemSignals systemSignals; // tests emit its signals themselves
    RunOptions run;
    PowerEvents* power = nullptr; // none unless a test brings the desktop's
    FakeTray tray;
    DesktopTray* desktopTray = nullptr; // the desktop's own, in place of `tray`

    Platform platform() {
        return {&clock,   &defaults,      &loginItem, &messages,
                &bundle,  &workspace,     &processes, &facilities,
                nullptr,  power,          &desktop,   desktopTray ? desktopTray : &tray,
                &process, &systemSignals, run};
    }
};
