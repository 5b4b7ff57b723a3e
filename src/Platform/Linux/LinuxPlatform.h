#pragma once

#include "Core/Platform/SystemPlatform.h"
#include "Platform/Linux/BootClock.h"
#include "Platform/Linux/DBusNotifier.h"
#include "Platform/Linux/DesktopWorkspace.h"
#include "Platform/Linux/LinuxBundleInfo.h"
#include "Platform/Linux/LinuxDesktopSettings.h"
#include "Platform/Linux/LinuxFacilities.h"
#include "Platform/Linux/LinuxMessagesAutomation.h"
#include "Platform/Linux/LinuxProcessControl.h"
#include "Platform/Linux/LinuxProcessInfo.h"
#include "Platform/Linux/LinuxTray.h"
#include "Platform/Linux/LogindPower.h"
#include "Platform/Linux/SettingsDefaults.h"
#include "Platform/Linux/UnixSignals.h"
#include "Platform/Linux/XdgLoginItem.h"

// The freedesktop services, owned in one place for the shell. Must outlive everything that
// received services().
class LinuxPlatform final : public SystemPlatform {
public:
    // `settingsFile`: keep the user defaults in this INI file instead of the usual settings.
    explicit LinuxPlatform(const QString& settingsFile = {})
        : defaults(settingsFile)
        , processes(bundle.keeperPath()) {}
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    Platform services(Clock* replacement = nullptr) override;
    std::unique_ptr<MoveServices> moveServices(std::function<void()> stopRelay,
                                               AlertPresenter alert) override;

    SettingsDefaults defaults;
    XdgLoginItem loginItem;
    LinuxMessagesAutomation messages;
    LinuxBundleInfo bundle;
    DesktopWorkspace workspace;
    LinuxProcessControl processes;
    LinuxFacilities facilities;
    LinuxDesktopSettings desktop;
    LinuxProcessInfo process;
    UnixSignals systemSignals;
    BootClock clock;
    DBusNotifier notifier;
    LogindPower power;
    LinuxTray tray;
};
