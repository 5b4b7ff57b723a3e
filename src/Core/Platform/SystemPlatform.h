#pragma once

#include "Core/Platform/MoveServices.h"
#include "Core/Platform/Platform.h"

#include <QString>

#include <functional>
#include <memory>

// The services of the system the app was built for, owned in one place. Made once at start-up
// by makeSystemPlatform(); each system defines that function in its folder under Platform/.
class SystemPlatform {
public:
    struct Options {
        // Keep the user defaults in this file instead of the system's usual place.
        QString settingsFile;
    };

    virtual ~SystemPlatform() = default;

    // Valid as long as this object lives; `clock` replaces the system clock when given.
    virtual Platform services(Clock* clock = nullptr) = 0;
    // The move-to-Applications services; `stopRelay` is called before the app hands over.
    virtual std::unique_ptr<MoveServices> moveServices(std::function<void()> stopRelay,
                                                       AlertPresenter alert) = 0;
};

std::unique_ptr<SystemPlatform> makeSystemPlatform(const SystemPlatform::Options& options);
