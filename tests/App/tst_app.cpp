// The application shell: the whole app over the fake relay and platform, the desktop's tray on a
// private bus, and the real app and development relay as child processes for start, hand-over
// and quit.

#include "App/AppDelegate.h"
#include "App/SingleInstance.h"
#include "App/TrayIconHost.h"
#include "App/WrenboxMacApp.h"
#include "Features/Panel/MenuBarLabel.h"
#include "Platform/Linux/LinuxTray.h"
#include "Platform/Linux/StatusNotifierItem.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QAccessible>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtDBus>

#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {
using Host = DesktopTray::Host;

// The whole app over the fake relay and platform, its alerts kept for the test. Given no
// single-copy socket it is a development copy, which claims none. Its tray is the fake one
// unless a test brings the desktop's.
struct Shell : RelayRig {
    explicit Shell(const char* status = "status-unpaired", bool dryRun = false,
                   const QString& socket = {}, DesktopTray* tray = nullptr)
        : RelayRig(status) {
        fake.run.development = socket.isEmpty();
        fake.run.dryRun = dryRun;
        fake.desktopTray = tray;
        WrenboxMacApp::Options options;
        options.platform = fake.platform();
        options.singleInstancePath = socket;
        options.alert = [this](const QString& message, const QString& informative,
                               const QStringList&) {
            alerts.append(message + u'|' + informative);
            return 0;
        };
        app = std::make_unique<WrenboxMacApp>(options);
    }
    [[nodiscard]] bool settle() {
        return QTest::qWaitFor([this] { return !app->model().isChecking(); }, 20'000) &&
               RelayRig::settle();
    }
    QSystemTrayIcon* tray() const { return app->findChild<QSystemTrayIcon*>(); }
    QWidget* panel() const { return app->window(u"panel"_qs); }
    QString field(const QString& name) const {
        return child<QLineEdit>(app->window(u"setup"_qs), name)->text();
    }
    QStringList alerts;
    std::unique_ptr<WrenboxMacApp> app; // goes before the model's platform
};

// The live processes whose parent is `pid`.
QList<qint64> childrenOf(qint64 pid) {
    QFile file(u"/proc/%1/task/%1/children"_qs.arg(pid));
    QList<qint64> found;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& child : file.readAll().split(' '))
            if (FakeRelay::isAlive(child.toLongLong()))
                found.append(child.toLongLong());
    return found;
}

// A bar's StatusNotifierWatcher on a connection of its own to the test's bus. Its host counts as
// registered from the start, or once registerHost() is called.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items)
public:
    FakeWatcher(const QString& address, bool hostUp)
        : host(hostUp)
        , bus(QDBusConnection::connectToBus(address, u"bar-%1"_qs.arg(++made))) {
        bus.registerObject(u"/StatusNotifierWatcher"_qs, this, QDBusConnection::ExportAllContents);
        named = bus.registerService(u"org.kde.StatusNotifierWatcher"_qs);
    }
    // Closing the connection gives up the name, as a bar that quits does.
    ~FakeWatcher() override { QDBusConnection::disconnectFromBus(bus.name()); }
    void registerHost() {
        host = true;
        Q_EMIT StatusNotifierHostRegistered();
    }
    // Calls the item as a host does, waiting for the answer without blocking the app's side.
    QList<QVariant> call(const QString& path, const QString& interface, const QString& method,
                         const QVariantList& arguments = {}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(items.value(0), path, interface, method);
        message.setArguments(arguments);
        const QDBusPendingCall pending = bus.asyncCall(message);
        if (!QTest::qWaitFor([&] { return pending.isFinished(); }))
            return {};
        return pending.reply().arguments();
    }
    template <typename T> T property(const QString& name) {
        const QList<QVariant> got =
            call(u"/StatusNotifierItem"_qs, u"org.freedesktop.DBus.Properties"_qs, u"Get"_qs,
                 {u"org.kde.StatusNotifierItem"_qs, name});
        return qdbus_cast<T>(got.value(0).value<QDBusVariant>().variant());
    }

    bool hostRegistered() {
        ++asked;
        return host;
    }

    bool host;
    int asked = 0;
    QStringList items;
    QDBusConnection bus;
    bool named = false;
    static inline int made = 0;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierHostRegistered();
};

// How far `point` is from `rect`, in pixels.
int distance(const QPoint& point, const QRect& rect) {
    const int dx = std::max({rect.left() - point.x(), 0, point.x() - rect.right()});
    const int dy = std::max({rect.top() - point.y(), 0, point.y() - rect.bottom()});
    return qRound(std::hypot(dx, dy));
}

// Runs of the real app in a home of their own, with a paired development relay.
struct RealApp {
    explicit RealApp(bool developmentRun)
        : development(developmentRun) {
        QDir(home.path()).mkpath(u"run"_qs);
        QFile::setPermissions(home.filePath(u"run"_qs),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcess pair;
        pair.setProcessEnvironment(environment());
        pair.start(QStringLiteral(WRENBOX_DEV_RELAY),
                   {"relay", "pair", "ABC234", "--server", "http://localhost:8080", "--json"});
        paired = pair.waitForFinished(20'000) && pair.exitCode() == 0;
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        env.insert(u"HOME"_qs, home.path());
        env.insert(u"XDG_CONFIG_HOME"_qs, home.filePath(u"config"_qs));
        env.insert(u"XDG_DATA_HOME"_qs, home.filePath(u"data"_qs));
        env.insert(u"XDG_RUNTIME_DIR"_qs, home.filePath(u"run"_qs));
        env.insert(u"WRENBOX_RELAY_DRY_RUN"_qs, u"1"_qs);
        env.insert(u"WRENBOX_REPORT_STARTUP"_qs, u"1"_qs);
        env.remove(u"WRENBOX_CONFIG_DIR"_qs);
        if (development)
            env.insert(u"WRENBOX_CONFIG_DIR"_qs, home.filePath(u"state"_qs));
        return env;
    }
    // Starts a copy; with `waitForWindow`, waits until it shows its first window.
    bool launch(QProcess& copy, const QStringList& arguments = {}, bool waitForWindow = true) {
        seen.clear();
        copy.setProcessEnvironment(environment());
        copy.start(QStringLiteral(WRENBOX_APP_BINARY), arguments);
        return !waitForWindow || (QTest::qWaitFor([&] {
                                      seen += copy.readAllStandardError();
                                      return seen.contains("first window") ||
                                             copy.state() == QProcess::NotRunning;
                                  }) &&
                                  seen.contains("first window"));
    }
    QTemporaryDir home;
    bool development;
    bool paired = false;
    QByteArray seen;
};
} // namespace

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // A private session bus for the trays and for the real copies, before anything connects.
        m_bus.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address"_qs});
        QVERIFY(m_bus.waitForReadyRead(10'000));
        m_address = QString::fromUtf8(m_bus.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    }
    void cleanupTestCase() { m_bus.kill(), m_bus.waitForFinished(); }

    void setupOpensOnceAfterTheDelay_data() {
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("incomplete") << QByteArray("status-unpaired");
        QTest::newRow("complete") << QByteArray("status-paired");
    }

    void setupOpensOnceAfterTheDelay() {
        QFETCH(QByteArray, status);
        Shell rig(status.constData());
        QVERIFY(rig.app->launch({}));
        QVERIFY(rig.settle());
        rig.advance(1499ms);
        QVERIFY(!rig.app->window(u"setup"_qs));
        rig.advance(1ms);
        QWidget* setup = rig.app->window(u"setup"_qs);
        QCOMPARE(setup && setup->isVisible(), status == "status-unpaired");
        if (!setup)
            return;
        QCOMPARE(setup->windowTitle(), u"Set Up Wrenbox"_qs);
        // Closed, it comes back only when asked.
        setup->close();
        rig.advance(60s);
        QVERIFY(!rig.app->window(u"setup"_qs) || !rig.app->window(u"setup"_qs)->isVisible());
        rig.app->delegate().openSetup();
        QVERIFY(rig.app->window(u"setup"_qs)->isVisible());
        QVERIFY(rig.settle());
    }

    void panelQuitStopsTheRelayAndQuits() {
        Shell rig("status-paired");
        FakeRelay::Stream stream;
        stream.children = {FakeRelay::Stream::Child::InGroup};
        rig.relay.runStream(stream);
        QVERIFY(rig.app->launch({}));
        // The relay and its own child; not a status call, or Quit would come before the relay.
        QTRY_VERIFY(rig.count(runArgs) == 1 && rig.relay.livePids().size() == 2);
        QMetaObject::invokeMethod(child<QPushButton>(rig.app->window(u"panel"_qs), u"Quit"_qs),
                                  &QPushButton::click, Qt::QueuedConnection);
        QCoreApplication::exec(); // returns once Quit ended the loop
        QVERIFY(!rig.app->model().relayWanted());
        QTRY_VERIFY_WITH_TIMEOUT(rig.relay.livePids().isEmpty(), 20'000);
    }

    void panelDropsFromTheTrayAndToggles_data() {
        QTest::addColumn<bool>("compositorPlaces");
        QTest::newRow("X11") << false;
        QTest::newRow("Wayland") << true;
    }

    void panelDropsFromTheTrayAndToggles() {
        QFETCH(bool, compositorPlaces);
        Shell rig;
        rig.fake.tray.current = Host::QtTray;
        rig.fake.desktop.compositorPlaces = compositorPlaces;
        QGuiApplication::setWindowIcon(QIcon());
        QVERIFY(rig.app->launch({}));
        QVERIFY(rig.tray()->isVisible());
        QVERIFY(!rig.panel());                           // a tray app opens no window at launch,
        QVERIFY(QGuiApplication::windowIcon().isNull()); // nor draws its window icon
        const QRect icon(100, 0, 24, 24);
        rig.app->togglePanel(icon);
        QWidget* panel = rig.panel();
        QVERIFY(panel->isVisible() && panel->windowIcon().availableSizes().contains(QSize(48, 48)));
        // A popup under the icon; where no client places itself, a window that goes as one would.
        QCOMPARE(panel->windowFlags().testFlag(Qt::Popup), !compositorPlaces);
        if (!compositorPlaces)
            QVERIFY(panel->geometry().top() > icon.bottom());
        // It takes the keyboard at its first control; Escape closes it.
        QTRY_COMPARE(QApplication::focusWidget(), child(panel, u"Dashboard"_qs));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!panel->isVisible());
        rig.advance(1s); // past the guard against the closing click opening it again
        rig.app->togglePanel(icon);
        QVERIFY(panel->isVisible());
        if (compositorPlaces) {
            QTRY_VERIFY(panel->isActiveWindow());
            QWidget elsewhere;
            QVERIFY(showActive(elsewhere));
            QTRY_VERIFY(!panel->isVisible());
        } else {
            rig.app->togglePanel(icon);
            QVERIFY(!panel->isVisible());
        }
        // Opened as a window (from a second launch, say) it is an ordinary one that stays.
        rig.app->openWindow(u"panel"_qs);
        QVERIFY(panel->isVisible() && !panel->windowFlags().testFlag(Qt::Popup));
        QWidget elsewhere;
        QVERIFY(showActive(elsewhere));
        QVERIFY(panel->isVisible());
        QVERIFY(rig.settle());
    }

    void iconFollowsTheTray() {
        Shell rig;
        QVERIFY(rig.app->launch({}));
        // No tray: the panel is a window at once, saying so, with where to learn more.
        QVERIFY(!rig.tray() && rig.panel()->isVisible() && shown(child(rig.panel(), u"noTray"_qs)));
        QVERIFY(rig.fake.defaults.boolValue(u"noTrayNoticeShown"_qs));
        rig.advance(AppDelegate::setupDelay); // Setup has come and goes: no window is left
        rig.app->window(u"setup"_qs)->close();
        rig.panel()->close();
        rig.fake.tray.set(Host::QtTray);
        QVERIFY(rig.tray()->isVisible() && !shown(child(rig.panel(), u"noTray"_qs)));
        QVERIFY(rig.settle());
        QCOMPARE(rig.tray()->toolTip(), u"Wrenbox, needs attention"_qs);
        // The icon reads on any panel and is drawn again only when its look changes.
        const qint64 key = rig.tray()->icon().cacheKey();
        Q_EMIT rig.app->model().phaseChanged();
        const QPalette light = QApplication::palette();
        QApplication::setPalette(QPalette(QColor(0x20, 0x20, 0x20)));
        QCOMPARE(rig.tray()->icon().cacheKey(), key);
        QApplication::setPalette(light);
        // The tray goes and a StatusNotifier host comes within the grace a restarting panel gets:
        // the app's own item shows there (not Qt's icon), and no window opens.
        rig.fake.tray.set(Host::None);
        QVERIFY(!rig.tray());
        rig.advance(TrayIconHost::lostGrace - 1ms);
        rig.fake.tray.set(Host::StatusNotifier);
        QVERIFY(!rig.tray() && rig.fake.tray.published);
        QCOMPARE(rig.fake.tray.published->toolTip, u"Wrenbox, needs attention"_qs);
        QCOMPARE(rig.fake.tray.published->menu,
                 QStringList({u"Open Wrenbox"_qs, u"Settings…"_qs, u"Quit Wrenbox"_qs}));
        QCOMPARE(rig.fake.tray.published->icon.first().argb.size(), 16 * 16 * 4);
        const auto timers = rig.app->findChild<TrayIconHost*>()->findChildren<ClockTimer*>();
        QVERIFY(std::none_of(timers.begin(), timers.end(), [](auto* t) { return t->isPending(); }));
        rig.advance(1h);
        QVERIFY(!rig.panel()->isVisible());
        // Gone for longer, the panel shows as a window.
        rig.fake.tray.set(Host::None);
        QVERIFY(!rig.fake.tray.published);
        rig.advance(TrayIconHost::lostGrace);
        QVERIFY(rig.panel()->isVisible() && !shown(child(rig.panel(), u"noTray"_qs)));
        // The next run says nothing of a missing tray: once was enough.
        Shell next;
        next.fake.defaults.values = rig.fake.defaults.values;
        QVERIFY(next.app->launch({}));
        QVERIFY(next.panel()->isVisible() && !shown(child(next.panel(), u"noTray"_qs)));
        QVERIFY(rig.settle() && next.settle());
    }

    void statusNotifierHostsComeAndGo() {
        LinuxTray tray; // the desktop's, on the test's private bus
        Shell rig("status-unpaired", false, {}, &tray);
        QVERIFY(rig.app->launch({}));
        QTRY_VERIFY(rig.panel() && rig.panel()->isVisible()); // no bar yet
        QWidget* panel = rig.panel();
        panel->close();
        rig.advance(1s); // past the guard against a closing click opening it again
        auto bar = std::make_unique<FakeWatcher>(m_address, false);
        QVERIFY(bar->named);
        // The bar owns the watcher's name before its host registers: no item yet. Once the app
        // has asked, a round trip of its own to the bus brings the answer in ahead of it.
        QSignalSpy hostChanges(&tray, &DesktopTray::hostChanged);
        QTRY_VERIFY(bar->asked > 0);
        const QDBusPendingCall after =
            QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
                u"org.freedesktop.DBus"_qs, u"/"_qs, u"org.freedesktop.DBus"_qs, u"GetId"_qs));
        QTRY_VERIFY(after.isFinished());
        QCoreApplication::processEvents();
        QVERIFY(hostChanges.isEmpty() && bar->items.isEmpty());
        bar->registerHost();
        QTRY_COMPARE(bar->items.size(), 1);
        // What a host reads of the item.
        QCOMPARE(bar->property<QString>(u"Title"_qs), u"Wrenbox"_qs);
        QCOMPARE(bar->property<SniToolTip>(u"ToolTip"_qs).title, u"Wrenbox, needs attention"_qs);
        const auto icon = bar->property<QList<TrayPixmap>>(u"IconPixmap"_qs);
        QVERIFY(!icon.isEmpty() && icon.first().argb.size() ==
                                       qsizetype(icon.first().width) * icon.first().height * 4);
        DBusMenuLayout menu;
        const QList<QVariant> layout = bar->call(u"/MenuBar"_qs, u"com.canonical.dbusmenu"_qs,
                                                 u"GetLayout"_qs, {0, -1, QStringList()});
        QCOMPARE(layout.size(), 2);
        layout.at(1).value<QDBusArgument>() >> menu;
        QStringList labels;
        for (const DBusMenuLayout& entry : std::as_const(menu.children))
            labels.append(entry.properties.value(u"label"_qs).toString());
        QCOMPARE(labels, QStringList({u"Open Wrenbox"_qs, u"Settings…"_qs, u"Quit Wrenbox"_qs}));
        // Clicked at the top right of the screen, the panel drops there, on screen.
        const QPoint click(700, 10);
        bar->call(u"/StatusNotifierItem"_qs, u"org.kde.StatusNotifierItem"_qs, u"Activate"_qs,
                  {click.x(), click.y()});
        QTRY_VERIFY(panel->isVisible());
        QVERIFY(panel->windowFlags().testFlag(Qt::Popup));
        QVERIFY(distance(click, panel->frameGeometry()) <= 48);
        QVERIFY(panel->screen()->availableGeometry().contains(panel->frameGeometry()));
        panel->hide();
        // The menu's second entry opens Settings.
        bar->call(u"/MenuBar"_qs, u"com.canonical.dbusmenu"_qs, u"Event"_qs,
                  {2, u"clicked"_qs, QVariant::fromValue(QDBusVariant(0)), 0u});
        QTRY_VERIFY(rig.app->window(u"settings"_qs) &&
                    rig.app->window(u"settings"_qs)->isVisible());
        rig.app->window(u"settings"_qs)->close();
        // Other hosts read the entries by group and send events in groups; an entry that is not
        // there is sent back and nothing happens.
        const auto menuCall = [&](const QString& method, const QVariantList& arguments) {
            return bar->call(u"/MenuBar"_qs, u"com.canonical.dbusmenu"_qs, method, arguments);
        };
        const auto quitEntry = qdbus_cast<QList<DBusMenuItem>>(
            menuCall(u"GetGroupProperties"_qs,
                     {QVariant::fromValue(QList<int>{3, 9}), QStringList{u"label"_qs}})
                .value(0));
        QCOMPARE(quitEntry.size(), 1);
        QCOMPARE(quitEntry.first().properties, QVariantMap({{u"label"_qs, u"Quit Wrenbox"_qs}}));
        QCOMPARE(menuCall(u"GetProperty"_qs, {1, u"label"_qs})
                     .value(0)
                     .value<QDBusVariant>()
                     .variant()
                     .toString(),
                 u"Open Wrenbox"_qs);
        const QList<DBusMenuEvent> nowhere{{9, u"clicked"_qs, QDBusVariant(0), 0}};
        QCOMPARE(qdbus_cast<QList<int>>(
                     menuCall(u"EventGroup"_qs, {QVariant::fromValue(nowhere)}).value(0)),
                 QList<int>{9});
        // The bar quits: once its grace is over, the panel is a window again.
        bar.reset();
        QTRY_COMPARE(tray.host(), Host::None);
        rig.advance(TrayIconHost::lostGrace);
        QVERIFY(panel->isVisible() && !panel->windowFlags().testFlag(Qt::Popup));
        // It comes back: the item registers with it again.
        bar = std::make_unique<FakeWatcher>(m_address, true);
        QTRY_COMPARE(bar->items.size(), 1);
        QVERIFY(rig.settle());
    }

    void panelGeometry_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("top bar, middle") << QRect(1000, 0, 24, 24) << QRect(861, 28, 300, 400);
        QTest::newRow("bottom panel") << QRect(1000, 1056, 24, 24) << QRect(861, 652, 300, 400);
        QTest::newRow("right edge") << QRect(1900, 0, 20, 20) << QRect(1620, 24, 300, 400);
        QTest::newRow("left edge") << QRect(0, 1060, 20, 20) << QRect(0, 656, 300, 400);
        QTest::newRow("side bar") << QRect(4, 500, 24, 24) << QRect(32, 311, 300, 400);
        QTest::newRow("click on a top bar") << QRect(1500, 12, 1, 1) << QRect(1350, 17, 300, 400);
        QTest::newRow("unknown anchor") << QRect() << QRect(810, 340, 300, 400);
    }

    void panelGeometry() {
        QFETCH(QRect, anchor);
        QFETCH(QRect, expected);
        QCOMPARE(WrenboxMacApp::panelGeometry(QSize(300, 400), anchor, QRect(0, 0, 1920, 1080)),
                 expected);
    }

    void signalsQuitCleanly_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("blockedByLauncher"); // a mask the app inherits
        QTest::addColumn<QStringList>("arguments"); // a refused link: an alert before the main loop
        for (const int number : {SIGTERM, SIGINT, SIGHUP})
            QTest::newRow(strsignal(number)) << number << false << QStringList();
        QTest::newRow("SIGTERM blocked") << int(SIGTERM) << true << QStringList();
        QTest::newRow("SIGTERM at a launch alert")
            << int(SIGTERM) << false << QStringList{u"wrenbox-mac://pair?code=ABC234"_qs};
    }

    void signalsQuitCleanly() {
        QFETCH(int, signalNumber);
        QFETCH(bool, blockedByLauncher);
        QFETCH(QStringList, arguments);
        RealApp real(true);
        QVERIFY(real.paired);
        QProcess app;
        if (blockedByLauncher)
            app.setChildProcessModifier([signalNumber] {
                sigset_t blocked;
                ::sigemptyset(&blocked), ::sigaddset(&blocked, signalNumber);
                ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
            });
        QVERIFY2(real.launch(app, arguments), real.seen.constData());
        QList<qint64> relays;
        // The keeper and a relay; on a quit, the keeper too ends with the app.
        QVERIFY2(QTest::qWaitFor([&] { return (relays = childrenOf(app.processId())).size() > 1; },
                                 20'000),
                 "the app started no relay");
        ::kill(pid_t(app.processId()), signalNumber);
        QTRY_COMPARE_WITH_TIMEOUT(app.state(), QProcess::NotRunning, 20'000);
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        for (const qint64 relay : std::as_const(relays))
            QTRY_VERIFY2(!FakeRelay::isAlive(relay), "a relay outlived the app");
        // A development run keeps its settings beside its state and never starts at login.
        QVERIFY(!QFile::exists(real.home.filePath(u"config/Wrenbox/Wrenbox.conf"_qs)));
        QVERIFY(
            !QFile::exists(real.home.filePath(u"config/autostart/app.wrenbox.Wrenbox.desktop"_qs)));
    }

    void secondCopyHandsOverAndAKilledCopyIsReplaced() {
        RealApp real(false);
        const QString path = real.home.filePath(u"run/wrenbox-%1.socket"_qs.arg(::getuid()));
        // A real first copy refuses a handed-over link with an alert, which waits in an event loop
        // of its own; asked to quit then, it must end cleanly, not crash unwinding from the alert.
        QProcess first;
        QVERIFY2(real.launch(first), real.seen.constData());
        QProcess second;
        QVERIFY(real.launch(second, {u"wrenbox-mac://pair?code=ABC234"_qs}, false));
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20'000);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!second.readAllStandardError().contains("first window")); // it showed nothing
        QCOMPARE(first.state(), QProcess::Running);
        // The desktop entry's Quit ends it from another copy.
        QProcess quit;
        QVERIFY(real.launch(quit, {u"--quit"_qs}, false));
        QTRY_COMPARE_WITH_TIMEOUT(first.state(), QProcess::NotRunning, 20'000);
        QTRY_COMPARE(quit.state(), QProcess::NotRunning);
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!QFile::exists(path)); // a copy that quits normally removes its socket

        // Installed beside the fake relay and the keeper, the relay starting children that live
        // until killed: in its group, a daemon, one in a session of its own.
        RelayRig fakes("status-paired");
        using Child = FakeRelay::Stream::Child;
        fakes.relay.runStream(
            {.chunks = {}, .children = {Child::InGroup, Child::Daemon, Child::OwnSession}});
        const QString installed = real.home.filePath(u"install"_qs);
        QVERIFY(QDir(installed).mkpath(u"bin"_qs) && QDir(installed).mkpath(u"libexec/wrenbox"_qs));
        QVERIFY(
            QFile::copy(QStringLiteral(WRENBOX_APP_BINARY), installed + u"/bin/wrenbox-app"_qs));
        QVERIFY(QFile::link(fakes.relay.helperPath(), installed + u"/libexec/wrenbox/wrenbox"_qs));
        QVERIFY(QFile::link(QStringLiteral(WRENBOX_KEEPER),
                            installed + u"/libexec/wrenbox/wrenbox-keeper"_qs));
        QProcess killed;
        killed.setProcessEnvironment(real.environment());
        killed.start(installed + u"/bin/wrenbox-app"_qs);
        // The relay run and its children, which share its command line; not the status calls.
        const auto running = [&fakes] {
            QList<qint64> pids = fakes.relay.livePids();
            pids.removeIf([](qint64 pid) {
                QFile command(u"/proc/%1/cmdline"_qs.arg(pid));
                return !command.open(QIODevice::ReadOnly) ||
                       !command.readAll().contains(QByteArray("\0run\0", 5));
            });
            return pids;
        };
        QTRY_COMPARE_WITH_TIMEOUT(running().size(), 4, 20'000);
        // The relay crashes: the app ends its children, now its own, and reaps them (no zombies);
        // the next relay starts its own.
        const QList<qint64> before = running();
        QList<qint64> relay = childrenOf(killed.processId());
        relay.removeIf(
            [&](qint64 pid) { return !before.contains(pid) || ::getpgid(pid_t(pid)) != pid; });
        QVERIFY(relay.size() == 1 && ::kill(pid_t(relay[0]), SIGKILL) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(running().size() == 4 && running() != before &&
                                     fakes.relay.livePids(true).size() == 4,
                                 20'000);
        // Not the app's own, though alike: a mark that begins like the app's, or its pid alone.
        QFile relayEnvironment(u"/proc/%1/environ"_qs.arg(running().value(0)));
        QVERIFY(relayEnvironment.open(QIODevice::ReadOnly));
        QString mark;
        for (const QByteArray& variable : relayEnvironment.readAll().split('\0'))
            if (variable.startsWith("WRENBOX_RELAY_OWNER="))
                mark = QString::fromLatin1(variable.mid(20));
        QProcess decoys[2];
        for (const int i : {0, 1}) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"WRENBOX_RELAY_OWNER"_qs,
                               i ? mark + u'0' : mark.section(u'-', 0, 0));
            decoys[i].setProcessEnvironment(environment);
            decoys[i].start(u"sleep"_qs, {u"60"_qs});
            QVERIFY(mark.size() > 20 && decoys[i].waitForStarted());
        }
        // Killed, the app gets no say: the keeper ends them all, and only them.
        killed.kill();
        QTRY_VERIFY2_WITH_TIMEOUT(fakes.relay.livePids().isEmpty(),
                                  "a relay or its child outlived the killed app", 2000);
        QVERIFY(decoys[0].state() == QProcess::Running && decoys[1].state() == QProcess::Running);
        for (QProcess& decoy : decoys)
            decoy.kill(), decoy.waitForFinished();
        QVERIFY(QFile::exists(path)); // left behind, yet the next copy is the first
        Shell rig("status-unpaired", false, path);
        QVERIFY(rig.app->launch({}));
        QWidget* panel = rig.app->window(u"panel"_qs); // a window, where there is no tray
        QVERIFY(panel->isVisible() && !panel->windowFlags().testFlag(Qt::Popup));
        panel->close();
        // A message declaring 4 GiB: the first copy hangs up without allocating it.
        QLocalSocket client;
        client.connectToServer(path);
        QVERIFY(client.waitForConnected(2000));
        client.write(QByteArray("\xff\xff\xff\xff", 4) + QByteArray(1000, 'a'));
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        // Started again, the app brings its panel back as a window, in front; started with a
        // link, it opens Setup.
        for (const QString& link : {u""_qs, u"--settings"_qs,
                                    u"wrenbox-mac://pair?code=ABC234&server=http://lökälhost"_qs}) {
            QProcess again;
            QVERIFY(real.launch(again, link.isEmpty() ? QStringList() : QStringList{link}, false));
            QTRY_COMPARE_WITH_TIMEOUT(again.state(), QProcess::NotRunning, 20'000);
            QCOMPARE(again.exitCode(), 0);
            QTRY_VERIFY(!link.isEmpty() || (panel->isVisible() && panel->isActiveWindow()));
        }
        QTRY_VERIFY(rig.app->window(u"settings"_qs) &&
                    rig.app->window(u"settings"_qs)->isVisible());
        QVERIFY(!panel->windowFlags().testFlag(Qt::Popup));
        QTRY_VERIFY(rig.app->window(u"setup"_qs) && rig.app->window(u"setup"_qs)->isVisible());
        QCOMPARE(rig.field(u"Pairing code"_qs) + u' ' + rig.field(u"Server"_qs),
                 u"ABC234 http://lökälhost"_qs);
        QVERIFY(rig.settle());
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // how its output begins
        const QString usage = u"Usage: wrenbox-app [options] [link]"_qs;
        const QString version = QStringLiteral("Wrenbox " WRENBOX_VERSION);
        const QString link = u"wrenbox-mac://pair?code=ABC234"_qs;
        QTest::newRow("--help") << QStringList{u"--help"_qs} << 0 << usage;
        QTest::newRow("-h") << QStringList{u"-h"_qs} << 0 << usage;
        QTest::newRow("--version") << QStringList{u"--version"_qs} << 0 << version;
        QTest::newRow("-v") << QStringList{u"-v"_qs} << 0 << version;
        QTest::newRow("unknown option")
            << QStringList{u"--bogus"_qs} << 2 << u"wrenbox-app: Unknown option 'bogus'."_qs;
        QTest::newRow("two links") << QStringList{link, link} << 2
                                   << u"wrenbox-app: Expected at most one pairing link, got 2."_qs;
        QTest::newRow("quit, none running") << QStringList{u"--quit"_qs} << 0 << QString();
    }

    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        RealApp real(false);
        QProcess app;
        QVERIFY(real.launch(app, arguments, false));
        QTRY_COMPARE_WITH_TIMEOUT(app.state(), QProcess::NotRunning, 20'000);
        QCOMPARE(app.exitCode(), exitCode);
        const QByteArray out = app.readAllStandardOutput() + app.readAllStandardError();
        // Started, it would have shown its panel: there is no tray here.
        QVERIFY2(out.startsWith(says.toUtf8()) && !out.contains("first window"), out.constData());
    }

    void aDeadCopysSocketIsTakenOver() {
        // A child that a killed copy was starting (forked, not yet running its program) holds the
        // copy's socket a moment longer: it takes the next copy's connection and, as it ends, drops
        // it unanswered.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"wrenbox.socket"_qs);
        const int held = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
        QVERIFY(::bind(held, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(held, 4) == 0);
        std::thread ending([held] {
            pollfd waiting{held, POLLIN, 0};
            ::poll(&waiting, 1, 20'000); // until a connection waits in the backlog
            ::close(held);
        });
        SingleInstance next(path);
        const SingleInstance::Role role = next.claim({});
        ending.join();
        QCOMPARE(role, SingleInstance::Role::First);
        QVERIFY(next.failure().isEmpty());
    }

    void launchFailsLoudlyWithoutAnAnswer() {
        for (bool listener : {true, false}) { // one that never answers, or a plain file
            RealApp real(false);
            const QString path = real.home.filePath(u"run/wrenbox-%1.socket"_qs.arg(::getuid()));
            QLocalServer silent; // never accepts, so never answers
            QFile file(path);
            if (listener)
                QVERIFY(silent.listen(path));
            else
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
            file.close();
            QProcess app;
            QVERIFY(real.launch(app, {u"wrenbox-mac://pair?code=ABC234"_qs}, false));
            QTRY_COMPARE_WITH_TIMEOUT(app.state(), QProcess::NotRunning, 20'000);
            QCOMPARE(app.exitCode(), 1);
            const QByteArray said = app.readAllStandardError();
            QVERIFY2(said.contains(QFile::encodeName(path)) && !said.contains("first window"),
                     said.constData());
            QVERIFY(listener || (file.open(QIODevice::ReadOnly) && file.readAll() == "mine"));
        }
    }

    void accessibleWindows_data() { addRows("App/access.txt"); }

    void accessibleWindows() {
        QFETCH(QByteArrayList, row);
        Shell rig(row[2].constData());
        rig.fake.tray.current = Host::QtTray;
        QVERIFY(rig.app->launch({}));
        QTRY_VERIFY(rig.app->model().loaded());
        QWidget* window = rig.app->openWindow(QString::fromUtf8(row[1]));
        QVERIFY(QTest::qWaitForWindowActive(window) && rig.settle());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const auto nameOf = [](QWidget* w) {
            return w ? QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name)
                     : QString();
        };
        QTRY_COMPARE(nameOf(QApplication::focusWidget()), QString::fromUtf8(row[3]));
        // Everything read has a name; what only decorates is not read.
        QStringList faults;
        const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            const QAccessible::State state = node->state();
            if (state.invisible || node->role() == QAccessible::NoRole ||
                node->role() == QAccessible::Notification) // heard only when it speaks
                return;
            const QString name = node->text(QAccessible::Name);
            const auto* label = qobject_cast<const QLabel*>(node->object());
            if (name.isEmpty() && (state.focusable || node->childCount() == 0 || label))
                faults.append(
                    u"unnamed %1 %2"_qs.arg(node->role())
                        .arg(node->object() ? node->object()->metaObject()->className() : "?"));
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(window));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u", ")));
        // Tab goes from control to control in reading order, each named.
        QStringList stops;
        for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isVisibleTo(window) &&
                w->isEnabled())
                stops.append(nameOf(w));
        }
        QCOMPARE(stops.join(u" > "), QString::fromUtf8(row[4]));
        // Escape closes it, and Ctrl+W a window that is not the panel.
        const QString id = QString::fromUtf8(row[1]);
        const auto closed = [&] {
            return !rig.app->window(id) || !rig.app->window(id)->isVisible();
        };
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(closed());
        if (id != u"panel") {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // Setup goes
            QVERIFY(QTest::qWaitForWindowActive(rig.app->openWindow(id)));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
            QVERIFY(closed());
        }
        QVERIFY(rig.settle());
    }

    void pairingLinks_data() { addRows("App/links.txt"); }

    void pairingLinks() {
        QFETCH(QByteArrayList, row);
        const QString url = QString::fromUtf8(row[2]), shown = QString::fromUtf8(row[3]);
        const bool refused = row[4] == "yes";
        Shell rig("status-unpaired", row[1] == "1");
        rig.app->delegate().handle(QUrl(url));
        const QWidget* setup = rig.app->window(u"setup"_qs);
        QCOMPARE(setup && setup->isVisible()
                     ? rig.field(u"Pairing code"_qs) + u' ' + rig.field(u"Server"_qs)
                     : u"-"_qs,
                 shown);
        QCOMPARE(rig.alerts, refused ? QStringList{u"This pairing link wasn't used|"_qs +
                                                   AppModel::dryRunRefusal()}
                                     : QStringList());
        // The app comes forward for Setup or for the alert, not for a link it ignored.
        QCOMPARE(rig.fake.workspace.activations, shown != u"-" || refused ? 1 : 0);
        QVERIFY(rig.settle());
    }

    void activationRefreshesEverything() {
        Shell rig;
        rig.fake.tray.current = Host::QtTray; // no window at launch, to bring the app forward
        QVERIFY(rig.app->launch({}));
        // The relay is asked nothing until the event loop turns: the first window comes first.
        QVERIFY(!rig.app->model().isChecking());
        QTRY_VERIFY(rig.app->model().loaded());
        QVERIFY(rig.settle());
        // Brought forward by the desktop, it asks again.
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(rig.settle());
        QCOMPARE(rig.count(doctorArgs), 2);
    }

    void laterLinkNeverInheritsAServer_data() {
        QTest::addColumn<QList<QStringList>>("launches");
        const QString evil = u"wrenbox-mac://pair?code=ABC234&server=https://evil.example"_qs;
        const QString plain = u"wrenbox-mac://pair?code=XYZ789"_qs;
        QTest::newRow("later link without server") << QList<QStringList>{{evil}, {plain}};
        QTest::newRow("later link with empty server")
            << QList<QStringList>{{evil}, {plain + "&server="}};
        QTest::newRow("both on one command line")
            << QList<QStringList>{{u"--verbose"_qs, evil, u"wrenbox-mac://pair?nothing"_qs, plain}};
    }

    void laterLinkNeverInheritsAServer() {
        QFETCH(QList<QStringList>, launches);
        Shell rig;
        // The first launch's arguments, then links handed over by later ones.
        QVERIFY(rig.app->launch(launches.first()));
        for (const QString& link : launches.value(1))
            rig.app->delegate().openUrls({QUrl(link)});
        // The link naming no server pairs with the default one, never with the earlier link's.
        const QStringList pair{"relay", "pair", "XYZ789", "--server", "https://wrenbox.app",
                               "--json"};
        QTRY_COMPARE(rig.count(pair), 1);
        QVERIFY(rig.settle());
    }

private:
    QProcess m_bus;
    QString m_address;
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
