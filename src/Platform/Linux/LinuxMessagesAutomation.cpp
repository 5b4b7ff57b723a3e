#include "Platform/Linux/LinuxMessagesAutomation.h"

QCoro::Task<> LinuxMessagesAutomation::launchHidden() {
    co_return;
}

QCoro::Task<MessagesPermission> LinuxMessagesAutomation::determine(bool) {
    co_return MessagesPermission::Unknown;
}
