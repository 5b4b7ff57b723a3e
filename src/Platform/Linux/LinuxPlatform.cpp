#include "Platform/Linux/LinuxPlatform.h"

#include "Core/Clock.h"

Platform LinuxPlatform::platform(Clock* clock) {
    return Platform{clock ? clock : &this->clock,
                    &defaults,
                    &loginItem,
                    &messages,
                    &bundle,
                    &workspace,
                    &processes,
                    &facilities,
                    &notifier,
                    &power};
}
