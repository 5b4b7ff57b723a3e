// The application shell: its windows and tray icon over the fake relay, and the real app and
// development relay as child processes for start, hand-over and quit.

#include "App/AppDelegate.h"
#include "App/SingleInstance.h"
#include "App/TrayIconHost.h"
#include "App/WrenboxMacApp.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {
bool trayFlag = false;

// An app over the fake relay and platform, as a development copy with its own single-copy socket.
struct Shell : RelayRig {
    explicit Shell(const char* status = "status-unpaired", bool tray = false)
        : RelayRig(status) {
        trayFlag = tray;
        fake.run.development = true;
        WrenboxMacApp::Options options;
        options.platform = fake.platform();
        options.handleSignals = false;
        options.trayAvailable = [] { return trayFlag; };
        options.singleInstancePath = home.filePath(u"wrenbox.sock"_qs);
        options.alert = [](const QString&, const QString&, const QStringList&) { return 0; };
        app = std::make_unique<WrenboxMacApp>(options);
    }
    ~Shell() { app.reset(); }
    QSystemTrayIcon* tray() const { return app->findChild<QSystemTrayIcon*>(); }
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

// One run of the real app in a home of its own, with a paired development relay.
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
        copy.setProcessEnvironment(environment());
        copy.start(QStringLiteral(WRENBOX_APP_BINARY), arguments);
        return QTest::qWaitFor(
                   [&] {
                       seen += copy.readAllStandardError();
                       return seen.contains("first window") ||
                              copy.state() == QProcess::NotRunning || !waitForWindow;
                   },
                   20'000) &&
               (!waitForWindow || seen.contains("first window"));
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
    void setupOpensOnceAfterTheDelay_data();
    void setupOpensOnceAfterTheDelay();
    void panelQuitStopsTheRelayAndQuits();
    void panelDropsFromTheTrayAndToggles();
    void trayAppearingLateIsPickedUpAndRetriesAreBounded();
    void panelGeometry_data();
    void panelGeometry();
    void signalsQuitCleanly_data();
    void signalsQuitCleanly();
    void quitWhileHandlingAHandedOverLinkIsClean();
    void secondCopyHandsOverAndAKilledCopyIsReplaced();
    void killedAppLeavesNoRelay();
    void launchFailsLoudlyWithoutAnAnswer();
};

void TestApp::setupOpensOnceAfterTheDelay_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::newRow("incomplete") << QByteArray("status-unpaired");
    QTest::newRow("complete") << QByteArray("status-paired");
}

void TestApp::setupOpensOnceAfterTheDelay() {
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
    QCOMPARE(rig.app->openWindow(u"settings"_qs)->windowTitle(), u"Wrenbox Settings"_qs);
    QVERIFY(!rig.app->openWindow(u"nonsense"_qs));
    QVERIFY(rig.settle());
}

void TestApp::panelQuitStopsTheRelayAndQuits() {
    Shell rig("status-paired");
    FakeRelay::Stream stream;
    stream.spawnGrandchild = true;
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

void TestApp::panelDropsFromTheTrayAndToggles() {
    Shell rig("status-unpaired", true);
    QGuiApplication::setWindowIcon(QIcon());
    QVERIFY(rig.app->launch({}));
    QVERIFY(rig.tray()->isVisible());
    QVERIFY(!rig.app->window(u"panel"_qs));          // a tray app opens no window at launch,
    QVERIFY(QGuiApplication::windowIcon().isNull()); // nor draws its window icon
    const QRect icon(100, 0, 24, 24);
    rig.app->togglePanel(icon);
    QWidget* panel = rig.app->window(u"panel"_qs);
    QVERIFY(panel->isVisible() && panel->windowFlags().testFlag(Qt::Popup));
    QVERIFY(panel->geometry().top() > icon.bottom());
    QVERIFY(panel->windowIcon().availableSizes().contains(QSize(48, 48)));
    rig.app->togglePanel(icon);
    QVERIFY(!panel->isVisible());
    // Opened as a window (from a second launch, say) it is an ordinary one.
    rig.app->openWindow(u"panel"_qs);
    QVERIFY(panel->isVisible() && !panel->windowFlags().testFlag(Qt::Popup));
    QVERIFY(rig.settle());
}

void TestApp::trayAppearingLateIsPickedUpAndRetriesAreBounded() {
    {
        Shell rig;
        QVERIFY(rig.app->launch({}));
        rig.advance(2s);
        QVERIFY(!rig.tray());
        trayFlag = true;
        rig.advance(5s);
        QVERIFY(rig.tray()->isVisible());
        QVERIFY(rig.settle());
        QCOMPARE(rig.tray()->toolTip(), u"Wrenbox, needs attention"_qs);
        // The icon reads on any panel and is drawn again only when its look changes.
        const qint64 key = rig.tray()->icon().cacheKey();
        Q_EMIT rig.app->model().phaseChanged();
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        QApplication::setPalette(dark);
        QCOMPARE(rig.tray()->icon().cacheKey(), key);
        QApplication::setPalette(light);
    }
    RelayRig rig;
    TrayIconHost tray(rig.make(), rig.fake.clock);
    QVERIFY(!tray.start());
    for (int i = 0; i < 10; ++i)
        rig.advance(1min);
    QVERIFY(!tray.findChild<QSystemTrayIcon*>());
    QCOMPARE(rig.fake.clock.pendingTimers(), 0); // no more looks
}

void TestApp::panelGeometry_data() {
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("top bar, middle") << QRect(1000, 0, 24, 24) << QRect(861, 28, 300, 400);
    QTest::newRow("bottom panel") << QRect(1000, 1056, 24, 24) << QRect(861, 652, 300, 400);
    QTest::newRow("right edge") << QRect(1900, 0, 20, 20) << QRect(1620, 24, 300, 400);
    QTest::newRow("left edge") << QRect(0, 1060, 20, 20) << QRect(0, 656, 300, 400);
    QTest::newRow("unknown anchor") << QRect() << QRect(810, 340, 300, 400);
}

void TestApp::panelGeometry() {
    QFETCH(QRect, anchor);
    QFETCH(QRect, expected);
    QCOMPARE(WrenboxMacApp::panelGeometry(QSize(300, 400), anchor, QRect(0, 0, 1920, 1080)),
             expected);
}

void TestApp::signalsQuitCleanly_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestApp::signalsQuitCleanly() {
    QFETCH(int, signalNumber);
    RealApp real(true);
    QVERIFY(real.paired);
    QProcess app;
    QVERIFY2(real.launch(app), real.seen.constData());
    QList<qint64> relays;
    QVERIFY2(
        QTest::qWaitFor([&] { return !(relays = childrenOf(app.processId())).isEmpty(); }, 20'000),
        "the app started no relay");
    ::kill(pid_t(app.processId()), signalNumber);
    QTRY_COMPARE_WITH_TIMEOUT(app.state(), QProcess::NotRunning, 20'000);
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    for (const qint64 relay : std::as_const(relays))
        QTRY_VERIFY2(!FakeRelay::isAlive(relay), "a relay outlived the app");
    // A development run keeps its settings beside its state and never starts at login.
    QVERIFY(!QFile::exists(real.home.filePath(u"config/Wrenbox/Wrenbox.conf"_qs)));
    QVERIFY(!QFile::exists(real.home.filePath(u"config/autostart/app.wrenbox.Wrenbox.desktop"_qs)));
}

void TestApp::quitWhileHandlingAHandedOverLinkIsClean() {
    // The first copy refuses a handed-over link with an alert, which waits in an event loop of
    // its own; asked to quit then, it must end cleanly, not crash unwinding from the alert.
    RealApp real(false);
    QVERIFY(real.paired);
    QProcess first;
    QVERIFY2(real.launch(first), real.seen.constData());
    QProcess second;
    QVERIFY(real.launch(second, {u"wrenbox-mac://pair?code=ABC234"_qs}, false));
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20'000);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!second.readAllStandardError().contains("first window")); // it showed nothing
    QCOMPARE(first.state(), QProcess::Running);
    ::kill(pid_t(first.processId()), SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(first.state(), QProcess::NotRunning, 20'000);
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
}

void TestApp::secondCopyHandsOverAndAKilledCopyIsReplaced() {
    RealApp real(false);
    const QString path = real.home.filePath(u"run/wrenbox-%1.socket"_qs.arg(::getuid()));
    QProcess killed;
    QVERIFY2(real.launch(killed), real.seen.constData());
    killed.kill();
    QVERIFY(killed.waitForFinished(10'000));
    QVERIFY(QFile::exists(path)); // left behind, yet the next copy is the first
    {
        SingleInstance first(path);
        QCOMPARE(first.claim({}), SingleInstance::Role::First);
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);
        // A message declaring 4 GiB: the first copy hangs up without allocating it.
        QLocalSocket client;
        client.connectToServer(path);
        QVERIFY(client.waitForConnected(2000));
        client.write(QByteArray("\xff\xff\xff\xff", 4) + QByteArray(1000, 'a'));
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        const QStringList link{u"wrenbox-mac://pair?code=ABC234&server=http://lökälhost"_qs};
        for (const QStringList& arguments : {link, QStringList{}}) {
            QProcess second;
            QVERIFY(real.launch(second, arguments, false));
            QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20'000);
            QCOMPARE(second.exitCode(), 0);
            QTRY_VERIFY(!received.isEmpty());
            QCOMPARE(received.takeFirst().first().toStringList(), arguments);
        }
    }
    QVERIFY(!QFile::exists(path)); // a copy that quits normally removes its socket
}

void TestApp::killedAppLeavesNoRelay() {
    // The real app installed beside the fake relay, which stays up without a word: nothing but
    // the app's end can end it.
    RealApp real(false);
    FakeRelay relay;
    relay.reply(statusArgs, answer("status-paired"));
    relay.reply(doctorArgs, "{}");
    relay.runStream({});
    const QString installed = real.home.filePath(u"install"_qs);
    QVERIFY(QDir(installed).mkpath(u"bin"_qs) && QDir(installed).mkpath(u"libexec/wrenbox"_qs));
    QVERIFY(QFile::copy(QStringLiteral(WRENBOX_APP_BINARY), installed + u"/bin/wrenbox-app"_qs));
    QVERIFY(QFile::link(relay.helperPath(), installed + u"/libexec/wrenbox/wrenbox"_qs));
    QProcess app;
    app.setProcessEnvironment(real.environment());
    app.start(installed + u"/bin/wrenbox-app"_qs);
    QTRY_VERIFY_WITH_TIMEOUT(relay.calls().contains(runArgs + QStringList{"--dry-run"}), 20'000);
    app.kill(); // SIGKILL: the app gets no say
    QTRY_VERIFY2(relay.livePids().isEmpty(), "a relay outlived the killed app");
}

void TestApp::launchFailsLoudlyWithoutAnAnswer() {
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

QTEST_MAIN(TestApp)
#include "tst_app.moc"
