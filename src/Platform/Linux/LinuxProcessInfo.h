#pragma once

#include "Core/Platform/Platform.h"

class LinuxProcessInfo final : public ProcessInfo {
public:
    QString userId() const override; // the numeric user id
    // From the start time in /proc (10 ms resolution) against the clock that counts suspend.
    std::optional<double> msSinceStart() const override;
};
