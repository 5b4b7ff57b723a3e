#pragma once

#include "Core/Platform/Platform.h"
#include "Platform/Linux/BootClock.h"
#include "Platform/Linux/DBusNotifier.h"
#include "Platform/Linux/DesktopWorkspace.h"
#include "Platform/Linux/LinuxBundleInfo.h"
#include "Platform/Linux/LinuxFacilities.h"
#include "Platform/Linux/LinuxMessagesAutomation.h"
#include "Platform/Linux/LinuxProcessControl.h"
#include "Platform/Linux/LogindPower.h"
#include "Platform/Linux/SettingsDefaults.h"
#include "Platform/Linux/XdgLoginItem.h"

class Clock;

// The freedesktop services, owned in one place for the shell. Must outlive everything that
// received platform().
struct LinuxPlatform {
    // `settingsFile`: keep the user defaults in this INI file instead of the usual settings.
    explicit LinuxPlatform(const QString& settingsFile = {})
        : defaults(settingsFile) {}
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    SettingsDefaults defaults;
    XdgLoginItem loginItem;
    LinuxMessagesAutomation messages;
    LinuxBundleInfo bundle;
    DesktopWorkspace workspace;
    LinuxProcessControl processes;
    LinuxFacilities facilities;
    BootClock clock;
    DBusNotifier notifier;
    LogindPower power;

    // `clock`: the boot-time clock when none is given.
    Platform platform(Clock* clock = nullptr);
};
