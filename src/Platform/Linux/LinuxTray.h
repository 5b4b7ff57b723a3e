#pragma once

#include "Core/Platform/DesktopTray.h"

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QPointer>

#include <memory>

class DBusMenu;
class QDBusPendingCall;
class StatusNotifierItem;
class XEmbedWatch;

// The desktop's tray on freedesktop systems. A StatusNotifier host is ready when the watcher
// (org.kde.StatusNotifierWatcher) owns its name on the session bus and says a host registered:
// some bars take the name seconds before their host does. Then the app's own item is exported
// and registered, and again whenever the watcher comes back. Otherwise, on X11, an XEmbed tray
// (the owner of the _NET_SYSTEM_TRAY_S<n> selection) is left to Qt's tray icon. Both are
// watched through what the bus and the X server announce; nothing polls.
class LinuxTray final : public DesktopTray {
    Q_OBJECT
public:
    explicit LinuxTray(QObject* parent = nullptr);
    ~LinuxTray() override;

    Host host() const override;
    void publish(const TrayItem& item) override;
    void withdraw() override;

private Q_SLOTS:
    void watcherOwnerChanged(const QString& service, const QString& before, const QString& after);
    void hostsChanged();

private:
    void connectToBus();
    // Asks whether a host is registered now; answers that come after a newer question are
    // dropped.
    void askWatcher();
    void setSniReady(bool ready);
    void registerItem();
    // Runs `done` with the call's reply once it arrives (or fails), unless this tray is gone.
    template <typename Done> void whenAnswered(const QDBusPendingCall& call, Done done);
    // Emits hostChanged() when host() has moved since it was last reported.
    void report();

    QDBusConnection m_bus;
    Host m_reported = Host::Unknown;
    bool m_sniKnown = false;
    bool m_sniReady = false;
    quint64 m_question = 0;
    std::unique_ptr<XEmbedWatch> m_xembed;

    StatusNotifierItem* m_item = nullptr;
    DBusMenu* m_menu = nullptr;
    bool m_published = false;
    bool m_exported = false;
    // The item's registration with the current watcher, under way or done; 0: none.
    quint64 m_registration = 0;
    quint64 m_registrations = 0;
};
