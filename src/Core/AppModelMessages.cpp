// Permission to automate the Messages app: checking it quietly, and asking for it.

#include "Core/AppModel.h"

#include "Core/Clock.h"

QCoro::Task<> AppModel::checkMessagesPermission() {
    MessagesAutomation& messages = *m_platform.messages;
    if (!messages.isRunning()) {
        // Without Messages running there is no answer to get, and asking would prompt.
        if (m_messagesPermission == MessagesPermission::NotAsked)
            setMessagesPermission(MessagesPermission::Unknown);
        co_return;
    }
    QPointer<AppModel> self(this);
    const MessagesPermission answer = co_await messages.determine(false);
    if (self)
        setMessagesPermission(answer);
}

QCoro::Task<> AppModel::requestMessagesAutomation() {
    QPointer<AppModel> self(this);
    MessagesAutomation& messages = *m_platform.messages;
    Workspace& workspace = *m_platform.workspace;
    setAskingMessages(true);
    if (!messages.isRunning() && messages.canLocate()) {
        co_await messages.launchHidden();
        if (!self)
            co_return;
        // The system only asks while Messages runs; give it up to 5 seconds to come up.
        for (int check = 0; check < messagesLaunchChecks && !messages.isRunning(); ++check) {
            co_await sleepFor(messagesLaunchPause);
            if (!self)
                co_return;
        }
    }
    workspace.activateApp();
    const MessagesPermission answer = co_await messages.determine(true);
    if (!self)
        co_return;
    setMessagesPermission(answer);
    co_await refresh();
    if (self)
        setAskingMessages(false);
}
