#include "FakePlatform.h"

std::optional<QString> FakeLoginItem::setEnabled(bool value) {
    calls.append(value);
    if (nextFailure) {
        const QString failure = *nextFailure;
        nextFailure.reset();
        return failure;
    }
    enabled = value;
    return std::nullopt;
}

bool FakeMessages::isRunning() const {
    if (!running && m_checksUntilRunning) {
        if (*m_checksUntilRunning <= 0)
            running = true;
        else
            --*m_checksUntilRunning;
    }
    return running;
}

QCoro::Task<> FakeMessages::launchHidden() {
    ++launches;
    m_checksUntilRunning = runningAfterChecks;
    co_return;
}

QCoro::Task<MessagesPermission> FakeMessages::determine(bool ask) {
    if (ask) {
        ++prompts;
        co_return answerWhenAsked;
    }
    ++quietAsks;
    co_return answerWithoutAsking;
}
