// Starting at login.

#include "Core/AppModel.h"

void AppModel::setLoginItem(bool enabled) {
    // Any decision, the app's own or the user's, is final: no later launch overrides it.
    m_platform.defaults->setBool(QStringLiteral("loginItemDecided"), true);
    const std::optional<QString> failure = m_platform.loginItem->setEnabled(enabled);
    if (failure && !m_relayError)
        setRelayError(*failure);
    setLoginItemEnabled(m_platform.loginItem->isEnabled());
}
