#pragma once

#include "Core/MessagesPermission.h"
#include "Core/Platform/DesktopSettings.h"
#include "Core/Platform/DesktopTray.h"
#include "Core/Platform/Notifier.h"
#include "Core/Platform/PowerEvents.h"
#include "Core/Platform/ProcessControl.h"
#include "Core/RunOptions.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

#include <qcoro/qcorotask.h>

class Clock;

// What the app takes from the operating system, behind small interfaces: each system's
// implementations live in its own folder under Platform/, the fakes that tests use in
// tests/fakes. Platform/README.md lists what a new system must provide.

// Persistent flags ("paused", "loginItemDecided", "movedToApplicationsAsked", "notify") and
// times ("pausedUntil").
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    virtual bool boolValue(const QString& key) const = 0; // false when absent
    virtual void setBool(const QString& key, bool value) = 0;
    // None when absent or unreadable.
    virtual std::optional<QDateTime> timeValue(const QString& key) const = 0;
    virtual void setTime(const QString& key, const std::optional<QDateTime>& value) = 0;
};

// Starting the app at login.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Registers or unregisters; on failure returns the error text to show.
    virtual std::optional<QString> setEnabled(bool enabled) = 0;
};

// The Messages app and permission to automate it.
class MessagesAutomation {
public:
    virtual ~MessagesAutomation() = default;
    virtual bool isRunning() const = 0;
    // Whether Messages is installed where it can be launched from.
    virtual bool canLocate() const = 0;
    // Launches Messages hidden, in the background; completes when the launch has been handed
    // over (its outcome is not reported).
    virtual QCoro::Task<> launchHidden() = 0;
    // The system's answer. May wait for the user; never blocks the main thread.
    virtual QCoro::Task<MessagesPermission> determine(bool ask) = 0;
};

// Where the app and its relay helper are, and what they are.
class BundleInfo {
public:
    virtual ~BundleInfo() = default;
    virtual QString relayHelperPath() const = 0;
    virtual std::optional<QString> shortVersion() const = 0;
    virtual QString bundlePath() const = 0;
    virtual QString systemVersion() const = 0;
    // The first line of the diagnostics report.
    virtual QString diagnosticsHeader() const = 0;
    // Where the relay's own installer puts the service that starts it at login.
    virtual QString launchAgentPath() const = 0;
    // Where the app keeps its history; empty: nowhere but in memory.
    virtual QString historyPath() const = 0;
};

// The desktop: bringing the app forward, opening addresses, the clipboard.
class Workspace {
public:
    virtual ~Workspace() = default;
    virtual void activateApp() = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    virtual void copyText(const QString& text) = 0;
};

// System facilities that some setup steps lean on. Where one is missing, its step has nothing
// to do here and must neither offer controls nor hold up setup.
enum class Facility {
    PrivacyPanes,         // a settings pane that grants Full Disk Access to an app
    AppleEventAutomation, // a permission, asked by the system, to automate the Messages app
    DragIntoList,         // dropping the app's icon into a privacy list grants access
    GoToFolder,           // the file chooser's go-to-folder shortcut (Cmd-Shift-G)
};

// A pane of the system's settings where the user grants the app a permission.
enum class SettingsPane { FullDiskAccess, Automation };

class SystemFacilities {
public:
    virtual ~SystemFacilities() = default;
    virtual bool has(Facility facility) const = 0;
    // Where the system's settings show `pane`; empty where there is no such pane.
    virtual QUrl settingsPane(SettingsPane pane) const = 0;
};

// The running process as the system sees it.
class ProcessInfo {
public:
    virtual ~ProcessInfo() = default;
    // Names the user this copy runs for, so per-user resources (the single-copy socket) differ.
    virtual QString userId() const = 0;
    // How long ago the system started this process, when it can tell.
    virtual std::optional<double> msSinceStart() const = 0;
};

// The system's requests to the process (quit, a child ended), delivered on the main thread.
class SystemSignals : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void quitRequested();
    void childExited(); // one or more children ended
};

// Everything the model and the shell receive from the platform, in one place. Not owned.
struct Platform {
    Clock* clock = nullptr;
    UserDefaults* defaults = nullptr;
    LoginItem* loginItem = nullptr;
    MessagesAutomation* messages = nullptr;
    BundleInfo* bundle = nullptr;
    Workspace* workspace = nullptr;
    ProcessControl* processes = nullptr;
    const SystemFacilities* facilities = nullptr;
    // None where the desktop offers no such thing.
    Notifier* notifier = nullptr;
    PowerEvents* power = nullptr;
    const DesktopSettings* desktop = nullptr;
    // None where the app shows no tray icon.
    DesktopTray* tray = nullptr;
    const ProcessInfo* process = nullptr;
    // None where the system's requests are not turned into signals (tests).
    SystemSignals* systemSignals = nullptr;
    RunOptions run;
};
