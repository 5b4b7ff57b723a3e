#pragma once

#include "Core/Clock.h"

// The system clock with sleeps on CLOCK_BOOTTIME: they fire on time (no slack) and count the
// time the computer spent suspended, so a pause of a minute that spans a night has ended by
// the morning.
class BootClock final : public Clock {
    Q_OBJECT
public:
    using Clock::Clock;
    QDateTime now() const override;
    ClockTimer* startTimer(std::chrono::milliseconds duration, QObject* owner) override;
};
