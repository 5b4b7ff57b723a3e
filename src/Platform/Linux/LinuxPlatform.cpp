#include "Platform/Linux/LinuxPlatform.h"

#include "Core/Clock.h"

Platform LinuxPlatform::platform(Clock* clock) {
    return Platform{clock ? clock : &Clock::system(),
                    &defaults,
                    &loginItem,
                    &messages,
                    &bundle,
                    &workspace,
                    &processes,
                    &facilities};
}
