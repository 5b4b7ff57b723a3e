#pragma once

#include <functional>

// The computer's sleep: whoever set a handler hears when the computer wakes up.
class PowerEvents {
public:
    virtual ~PowerEvents() = default;
    // Replaces the handler; it runs on the main thread after each wake-up.
    virtual void setWakeHandler(std::function<void()> handler) = 0;
};
