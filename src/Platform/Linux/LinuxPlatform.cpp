#include "Platform/Linux/LinuxPlatform.h"

#include "Core/Clock.h"
#include "Platform/Linux/LinuxMoveServices.h"

Platform LinuxPlatform::services(Clock* replacement) {
    Platform platform;
    platform.clock = replacement ? replacement : &clock;
    platform.defaults = &defaults;
    platform.loginItem = &loginItem;
    platform.messages = &messages;
    platform.bundle = &bundle;
    platform.workspace = &workspace;
    platform.processes = &processes;
    platform.facilities = &facilities;
    platform.desktop = &desktop;
    platform.process = &process;
    platform.systemSignals = &systemSignals;
    platform.notifier = &notifier;
    platform.power = &power;
    platform.tray = &tray;
    return platform;
}

std::unique_ptr<MoveServices> LinuxPlatform::moveServices(std::function<void()> stopRelay,
                                                          AlertPresenter alert) {
    return std::make_unique<LinuxMoveServices>(bundle, defaults, workspace, std::move(stopRelay),
                                               std::move(alert));
}

std::unique_ptr<SystemPlatform> makeSystemPlatform(const SystemPlatform::Options& options) {
    return std::make_unique<LinuxPlatform>(options.settingsFile);
}
