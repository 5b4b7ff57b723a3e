#pragma once

#include "Core/Platform/Notifier.h"

#include <QHash>
#include <QObject>

// Notifications through the desktop's org.freedesktop.Notifications service on the session
// bus. The bus is first touched by the first notification, so an app that never needs one
// never connects; every call is asynchronous, and a missing service is no error.
class DBusNotifier final : public QObject, public Notifier {
    Q_OBJECT
public:
    using QObject::QObject;

    void notify(const QString& title, const QString& body, const QString& actionLabel,
                std::function<void()> act) override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString& key);
    void closed(uint id);

private:
    bool m_listening = false;
    QHash<uint, std::function<void()>> m_actions;
};
