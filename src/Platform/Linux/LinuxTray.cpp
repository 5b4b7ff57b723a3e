#include "Platform/Linux/LinuxTray.h"

#include "Platform/Linux/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

#include <functional>

#include <unistd.h>
#include <xcb/xcb.h>

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");
// A bus that does not answer within this is as good as no tray.
constexpr int answerMs = 5'000;

QString itemService() {
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(::getpid());
}
} // namespace

// Whether an XEmbed tray owns the screen's tray selection. A tray announces itself with a
// MANAGER message to the root window; its selection window's destruction says it went.
class XEmbedWatch final : public QAbstractNativeEventFilter {
public:
    // None unless the app runs on X11.
    static std::unique_ptr<XEmbedWatch> create(std::function<void()> changed);
    ~XEmbedWatch() override;

    bool present() const { return m_owner != 0; }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    XEmbedWatch() = default;
    xcb_atom_t atom(const QByteArray& name) const;
    void look();

    std::function<void()> m_changed;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_selection = 0;
    xcb_atom_t m_manager = 0;
    xcb_window_t m_owner = 0;
};

std::unique_ptr<XEmbedWatch> XEmbedWatch::create(std::function<void()> changed) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    std::unique_ptr<XEmbedWatch> watch(new XEmbedWatch);
    watch->m_changed = std::move(changed);
    watch->m_connection = x11->connection();
    // The screen number is the part of DISPLAY after the dot (":0.1"), 0 without one.
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.lastIndexOf('.');
    int screen = dot > display.lastIndexOf(':') ? display.mid(dot + 1).toInt() : 0;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(watch->m_connection));
    for (; screens.rem > 1 && screen > 0; --screen)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return nullptr;
    watch->m_root = screens.data->root;
    watch->m_selection = watch->atom("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    watch->m_manager = watch->atom("MANAGER");
    // MANAGER messages go to clients that take structure events of the root window; the mask is
    // per client, so Qt's own events are kept.
    const xcb_get_window_attributes_cookie_t asked =
        xcb_get_window_attributes(watch->m_connection, watch->m_root);
    if (xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(watch->m_connection, asked, nullptr)) {
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        std::free(attributes);
        xcb_change_window_attributes(watch->m_connection, watch->m_root, XCB_CW_EVENT_MASK, &mask);
    }
    QCoreApplication::instance()->installNativeEventFilter(watch.get());
    watch->look();
    return watch;
}

XEmbedWatch::~XEmbedWatch() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

xcb_atom_t XEmbedWatch::atom(const QByteArray& name) const {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.constData());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    const xcb_atom_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

void XEmbedWatch::look() {
    const xcb_window_t before = m_owner;
    // A tray may go between asking for its window and watching it: ask again until the answer
    // holds.
    for (xcb_window_t seen = 1; seen != m_owner;) {
        seen = m_owner;
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr);
        m_owner = reply ? reply->owner : 0;
        std::free(reply);
        if (m_owner && m_owner != seen) {
            const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(m_connection, m_owner, XCB_CW_EVENT_MASK, &mask);
        }
    }
    xcb_flush(m_connection);
    if (m_owner != before && m_changed)
        m_changed();
}

bool XEmbedWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* sent = static_cast<const xcb_client_message_event_t*>(message);
        if (sent->type == m_manager && sent->format == 32 && sent->data.data32[1] == m_selection)
            look();
        break;
    }
    case XCB_DESTROY_NOTIFY:
        if (static_cast<const xcb_destroy_notify_event_t*>(message)->window == m_owner)
            look();
        break;
    default:
        break;
    }
    return false;
}

LinuxTray::LinuxTray(QObject* parent)
    : DesktopTray(parent)
    , m_bus(QStringLiteral("none")) {
    registerStatusNotifierTypes();
    m_xembed = XEmbedWatch::create([this] { report(); });
    // Connecting to the bus waits on it: not before the app has shown itself.
    QMetaObject::invokeMethod(this, &LinuxTray::connectToBus, Qt::QueuedConnection);
}

LinuxTray::~LinuxTray() = default;

DesktopTray::Host LinuxTray::host() const {
    if (m_sniReady)
        return Host::StatusNotifier;
    if (m_xembed && m_xembed->present())
        return Host::QtTray;
    return m_sniKnown ? Host::None : Host::Unknown;
}

void LinuxTray::report() {
    if (const Host now = host(); now != std::exchange(m_reported, now))
        Q_EMIT hostChanged();
}

template <typename Done> void LinuxTray::whenAnswered(const QDBusPendingCall& call, Done done) {
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                done(*answered);
            });
}

void LinuxTray::connectToBus() {
    m_bus = QDBusConnection::sessionBus();
    if (!m_bus.isConnected()) {
        m_sniKnown = true;
        report();
        return;
    }
    auto* owners = new QDBusServiceWatcher(watcherService, m_bus,
                                           QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owners, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &LinuxTray::watcherOwnerChanged);
    // Whichever watcher owns the name: the bus delivers its signals by name.
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.connect(watcherService, watcherPath, watcherService, QLatin1String(signal), this,
                      SLOT(hostsChanged()));
    askWatcher();
}

void LinuxTray::watcherOwnerChanged(const QString&, const QString&, const QString& after) {
    m_registration = 0;
    if (after.isEmpty()) {
        ++m_question;
        m_sniKnown = true;
        m_sniReady = false;
        report();
        return;
    }
    askWatcher();
}

void LinuxTray::hostsChanged() {
    askWatcher();
}

void LinuxTray::askWatcher() {
    const quint64 question = ++m_question;
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    // No watcher is an error answer, as quick as any other.
    whenAnswered(m_bus.asyncCall(get, answerMs), [this, question](const QDBusPendingCall& call) {
        if (question != m_question)
            return;
        const QDBusPendingReply<QDBusVariant> reply = call;
        setSniReady(reply.isValid() && reply.value().variant().toBool());
    });
}

void LinuxTray::setSniReady(bool ready) {
    m_sniKnown = true;
    m_sniReady = ready;
    report();
    if (m_sniReady && m_published)
        registerItem();
}

void LinuxTray::publish(const TrayItem& item) {
    if (!m_item) {
        m_item = new StatusNotifierItem(this);
        m_menu = new DBusMenu(this);
        // Not from inside the bus call: what they open may wait on the bus itself.
        const auto later = [this](auto signal) {
            return [this, signal](auto... arguments) {
                QMetaObject::invokeMethod(
                    this,
                    [=, this] {
                        Q_EMIT(this->*signal)
                        (arguments...);
                    },
                    Qt::QueuedConnection);
            };
        };
        m_item->activated = later(&LinuxTray::activated);
        m_item->menuRequested = later(&LinuxTray::menuRequested);
        m_menu->chosen = later(&LinuxTray::menuChosen);
    }
    m_item->show(item);
    m_menu->setEntries(item.menu);
    m_published = true;
    if (m_sniReady)
        registerItem();
}

void LinuxTray::registerItem() {
    if (m_registration || !m_bus.isConnected() || !m_item)
        return;
    if (!m_exported) {
        constexpr auto exported = QDBusConnection::ExportScriptableSlots |
                                  QDBusConnection::ExportScriptableSignals |
                                  QDBusConnection::ExportAllProperties;
        m_exported =
            m_bus.registerObject(QLatin1String(StatusNotifierItem::path), m_item, exported) &&
            m_bus.registerObject(QLatin1String(DBusMenu::path), m_menu, exported);
        if (!m_exported) {
            setSniReady(false);
            return;
        }
    }
    const quint64 registration = m_registration = ++m_registrations;
    // A watcher that went meanwhile takes the item's registration with it.
    const auto current = [this, registration] { return m_registration == registration; };
    // The name first (hosts watch it to see the item go), then the watcher hears of it.
    QDBusMessage name = QDBusMessage::createMethodCall(busService, busPath, busService,
                                                       QStringLiteral("RequestName"));
    name << itemService() << uint(4); // not queued behind another owner
    whenAnswered(m_bus.asyncCall(name, answerMs), [this, current](const QDBusPendingCall&) {
        if (!current())
            return;
        QDBusMessage add =
            QDBusMessage::createMethodCall(watcherService, watcherPath, watcherService,
                                           QStringLiteral("RegisterStatusNotifierItem"));
        add << itemService();
        whenAnswered(m_bus.asyncCall(add, answerMs), [this, current](const QDBusPendingCall& call) {
            // A host that will not take the item is no tray for it.
            if (current() && call.isError()) {
                m_registration = 0;
                setSniReady(false);
            }
        });
    });
}

void LinuxTray::withdraw() {
    if (!m_published)
        return;
    m_published = false;
    m_registration = 0;
    if (m_exported) {
        m_bus.unregisterObject(QLatin1String(StatusNotifierItem::path));
        m_bus.unregisterObject(QLatin1String(DBusMenu::path));
        m_exported = false;
    }
    QDBusMessage release = QDBusMessage::createMethodCall(busService, busPath, busService,
                                                          QStringLiteral("ReleaseName"));
    release << itemService();
    m_bus.asyncCall(release, answerMs);
}
