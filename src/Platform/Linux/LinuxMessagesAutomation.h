#pragma once

#include "Core/Platform/Platform.h"

// There is no Messages app on Linux: it never runs, cannot be found, and no answer is known.
class LinuxMessagesAutomation final : public MessagesAutomation {
public:
    bool isRunning() const override { return false; }
    bool canLocate() const override { return false; }
    QCoro::Task<> launchHidden() override;
    QCoro::Task<MessagesPermission> determine(bool ask) override;
};
