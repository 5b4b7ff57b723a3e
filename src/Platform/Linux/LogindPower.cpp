#include "Platform/Linux/LogindPower.h"

#include <QDBusConnection>

void LogindPower::setWakeHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
    if (m_listening || !m_handler)
        return;
    m_listening = true;
    // Connecting to the bus waits on it: not before the app has shown itself. A subscription,
    // not a poll: the bus sends the signal when it happens.
    QMetaObject::invokeMethod(
        this,
        [this] {
            QDBusConnection::systemBus().connect(
                QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                this, SLOT(prepareForSleep(bool)));
        },
        Qt::QueuedConnection);
}

void LogindPower::prepareForSleep(bool sleeping) {
    if (!sleeping && m_handler)
        m_handler();
}
