#include "Platform/Linux/DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString actionKey = QStringLiteral("open-setup");
// The action a click on the notification itself picks.
const QString defaultKey = QStringLiteral("default");
} // namespace

void DBusNotifier::notify(const QString& title, const QString& body, const QString& actionLabel,
                          std::function<void()> act) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!m_listening) {
        m_listening = true;
        bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                    SLOT(closed(uint)));
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Wrenbox") << uint(0) << QStringLiteral("app.wrenbox.Wrenbox") << title
         << body << QStringList{defaultKey, actionLabel, actionKey, actionLabel}
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("app.wrenbox.Wrenbox")}}
         << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, act = std::move(act)](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<uint> reply = *done;
                // No service, or it refused: the tray icon still tells.
                if (reply.isValid())
                    m_actions.insert(reply.value(), act);
            });
}

void DBusNotifier::actionInvoked(uint id, const QString& key) {
    const auto found = m_actions.constFind(id);
    if (found == m_actions.constEnd() || (key != actionKey && key != defaultKey))
        return;
    const std::function<void()> act = found.value();
    act();
}

void DBusNotifier::closed(uint id) {
    m_actions.remove(id);
}
