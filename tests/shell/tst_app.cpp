#include "ShellRig.h"

#include "App/TrayIconHost.h"
#include "App/WrenboxMacApp.h"
#include "Core/Relay/RelayRunner.h"
#include "Features/Panel/StatusPanel.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QLocalServer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {
const QString appBinary = QStringLiteral(WRENBOX_APP_BINARY);
const QString devRelay = QStringLiteral(WRENBOX_DEV_RELAY);

bool trayFlag = false;
bool fakeTray() {
    return trayFlag;
}

// Live (not zombie) processes whose parent is `pid`.
QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> found;
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 candidate = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(candidate));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(0) != "Z" && fields.at(1).toLongLong() == pid)
            found.append(candidate);
    }
    return found;
}

bool alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

// A folder for one run of the real app: its own home, settings, runtime folder and relay state.
struct AppHome {
    QTemporaryDir dir;
    QProcessEnvironment environment(bool development) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("WRENBOX_RELAY_DRY_RUN"), QStringLiteral("1"));
        env.insert(QStringLiteral("WRENBOX_REPORT_STARTUP"), QStringLiteral("1"));
        env.remove(QStringLiteral("WRENBOX_CONFIG_DIR"));
        if (development)
            env.insert(QStringLiteral("WRENBOX_CONFIG_DIR"), dir.filePath(QStringLiteral("state")));
        return env;
    }
    bool prepare(bool development) {
        QDir(dir.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(dir.path()).mkpath(QStringLiteral("state"));
        // A paired development relay, so that the app starts its long-running relay.
        QProcess pair;
        pair.setProcessEnvironment(environment(development));
        pair.start(devRelay,
                   {"relay", "pair", "ABC234", "--server", "http://localhost:8080", "--json"});
        return pair.waitForFinished(20'000) && pair.exitCode() == 0;
    }
};

bool waitForLine(QProcess& process, const QByteArray& needle, QByteArray* seen) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20'000) {
        process.waitForReadyRead(100);
        *seen += process.readAllStandardError();
        if (seen->contains(needle))
            return true;
        if (process.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

// Starts the real app in `home` and waits for its first window; what it printed goes to `seen`.
bool launchApp(QProcess& app, const AppHome& home, bool development, QByteArray* seen) {
    app.setProcessEnvironment(home.environment(development));
    app.start(appBinary);
    return waitForLine(app, "first window", seen);
}
} // namespace

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void withoutTrayThePanelIsAWindow();
    void setupOpensOnceAfterDelay();
    void secondLaunchBringsPanelBack();
    void panelQuitStopsRelayAndQuits();
    void panelDropsFromTrayAndToggles();
    void trayAppearingLateIsPickedUp();
    void trayRetriesAreBounded();
    void trayRendersOnlyOnVisibleChange();
    void panelGeometry_data();
    void panelGeometry();
    void sigtermQuitsCleanly_data();
    void sigtermQuitsCleanly();
    void secondRealCopyHandsOver();
    void killedAppLeavesNoRelay();
    void launchFailsLoudlyWithoutAnAnswer_data();
    void launchFailsLoudlyWithoutAnAnswer();
    void commandLineAnswersAlone_data();
    void commandLineAnswersAlone();

private:
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<ScopedEnv> m_configEnv;
};

void TestApp::init() {
    m_config = std::make_unique<QTemporaryDir>();
    m_configEnv = std::make_unique<ScopedEnv>("WRENBOX_CONFIG_DIR", m_config->path().toUtf8());
    trayFlag = false;
    QGuiApplication::setWindowIcon(QIcon());
}

void TestApp::cleanup() {}

namespace {
WrenboxMacApp::Options optionsFor(ShellRig& rig) {
    WrenboxMacApp::Options options;
    options.platform = rig.fake.platform();
    options.handleSignals = false;
    options.trayAvailable = &fakeTray;
    options.singleInstancePath = rig.singleInstancePath();
    options.alert = [](const QString&, const QString&, const QStringList&) { return 0; };
    return options;
}
} // namespace

void TestApp::withoutTrayThePanelIsAWindow() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    WrenboxMacApp app(optionsFor(rig));
    QVERIFY(app.launch({}));
    QVERIFY(!app.tray()->isShown());
    auto* panel = qobject_cast<StatusPanel*>(app.window(QStringLiteral("panel")));
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QVERIFY(!panel->windowFlags().testFlag(Qt::Popup));
    QTRY_VERIFY(app.model().loaded());
}

void TestApp::setupOpensOnceAfterDelay() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    WrenboxMacApp app(optionsFor(rig));
    QVERIFY(app.launch({}));
    QTRY_VERIFY(app.model().loaded());
    QVERIFY(!app.window(QStringLiteral("setup")));
    rig.advance(1500ms);
    QWidget* setup = app.window(QStringLiteral("setup"));
    QVERIFY(setup);
    QVERIFY(setup->isVisible());
    QCOMPARE(setup->windowTitle(), QStringLiteral("Set Up Wrenbox"));
    QCOMPARE(setup->objectName(), QStringLiteral("setup"));

    // Closed and asked again: the same window comes back.
    setup->close();
    app.delegate().openSetup();
    QCOMPARE(app.window(QStringLiteral("setup")), setup);
    QVERIFY(setup->isVisible());
    QCOMPARE(app.openWindow(QStringLiteral("settings"))->windowTitle(),
             QStringLiteral("Wrenbox Settings"));
    QVERIFY(!app.openWindow(QStringLiteral("nonsense")));
}

void TestApp::secondLaunchBringsPanelBack() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    WrenboxMacApp app(optionsFor(rig));
    QVERIFY(app.launch({}));
    QWidget* panel = app.window(QStringLiteral("panel"));
    panel->close();
    QVERIFY(!panel->isVisible());
    Q_EMIT app.delegate().reopenRequested();
    QVERIFY(panel->isVisible());
}

void TestApp::panelQuitStopsRelayAndQuits() {
    ShellRig rig;
    rig.relay.reply(statusArgs, pairedStatus);
    rig.relay.runStream({});
    WrenboxMacApp app(optionsFor(rig));
    QVERIFY(app.launch({}));
    QTRY_VERIFY(app.model().relayRunning());
    QTRY_VERIFY(!rig.relay.livePids().isEmpty());
    auto* quit = app.window(QStringLiteral("panel"))->findChild<QPushButton*>("quit");
    QVERIFY(quit);
    QMetaObject::invokeMethod(quit, &QPushButton::click, Qt::QueuedConnection);
    QCoreApplication::exec(); // returns once Quit ended the loop
    QVERIFY(!app.model().relayWanted());
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
}

void TestApp::panelDropsFromTrayAndToggles() {
    ShellRig rig;
    trayFlag = true;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    WrenboxMacApp app(optionsFor(rig));
    QVERIFY(app.launch({}));
    QVERIFY(app.tray()->isShown());
    QVERIFY(!app.window(QStringLiteral("panel"))); // a tray app opens no window at launch
    // Nor does it draw its window icon: the tray's own window would carry it to the display.
    QVERIFY(QGuiApplication::windowIcon().isNull());

    const QRect icon(100, 0, 24, 24);
    app.togglePanel(icon);
    QWidget* panel = app.window(QStringLiteral("panel"));
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QVERIFY(panel->windowFlags().testFlag(Qt::Popup));
    QVERIFY(panel->geometry().top() > icon.bottom());
    QVERIFY(panel->windowIcon().availableSizes().contains(QSize(48, 48)));
    app.togglePanel(icon);
    QVERIFY(!panel->isVisible());

    // Opened as a window (from a second launch without a tray, say) it is an ordinary one.
    app.openWindow(QStringLiteral("panel"));
    QVERIFY(panel->isVisible());
    QVERIFY(!panel->windowFlags().testFlag(Qt::Popup));
}

void TestApp::trayAppearingLateIsPickedUp() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    WrenboxMacApp app(optionsFor(rig));
    QVERIFY(app.launch({}));
    TrayIconHost* tray = app.tray();
    QSignalSpy appeared(tray, &TrayIconHost::appeared);
    rig.advance(2s);
    QVERIFY(!tray->isShown());
    trayFlag = true;
    rig.advance(5s);
    QVERIFY(tray->isShown());
    QCOMPARE(appeared.count(), 1);
    QTRY_VERIFY(app.model().loaded());
    QCOMPARE(tray->toolTip(), QStringLiteral("Wrenbox, needs attention"));
}

void TestApp::trayRetriesAreBounded() {
    ShellRig rig;
    AppModel model(rig.fake.platform());
    TrayIconHost tray(model, rig.fake.clock, &fakeTray);
    QVERIFY(!tray.start());
    for (int i = 0; i < 10; ++i)
        rig.advance(1min);
    QVERIFY(!tray.isShown());
    QCOMPARE(tray.retriesLeft(), 0);
    QCOMPARE(rig.fake.clock.pendingTimers(), 0);
}

void TestApp::trayRendersOnlyOnVisibleChange() {
    ShellRig rig;
    trayFlag = true;
    AppModel model(rig.fake.platform());
    TrayIconHost tray(model, rig.fake.clock, &fakeTray);
    QVERIFY(tray.start());
    QCOMPARE(tray.renders(), 1);
    QCOMPARE(tray.toolTip(), QStringLiteral("Wrenbox, online")); // starting
    Q_EMIT model.phaseChanged();
    Q_EMIT model.batchChanged();
    QCOMPARE(tray.renders(), 1);

    // The icon reads on any panel, so the app's own palette turning dark redraws nothing.
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, QColor(0xF0, 0xF0, 0xF0));
    QApplication::setPalette(dark);
    QCOMPARE(tray.renders(), 1);
    QApplication::setPalette(light);
}

void TestApp::panelGeometry_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("top bar, middle")
        << QSize(300, 400) << QRect(1000, 0, 24, 24) << QRect(861, 28, 300, 400);
    QTest::newRow("bottom panel") << QSize(300, 400) << QRect(1000, 1056, 24, 24)
                                  << QRect(861, 652, 300, 400);
    QTest::newRow("right edge") << QSize(300, 400) << QRect(1900, 0, 20, 20)
                                << QRect(1620, 24, 300, 400);
    QTest::newRow("left edge") << QSize(300, 400) << QRect(0, 1060, 20, 20)
                               << QRect(0, 656, 300, 400);
    QTest::newRow("unknown anchor") << QSize(300, 400) << QRect() << QRect(810, 340, 300, 400);
}

void TestApp::panelGeometry() {
    QFETCH(QSize, size);
    QFETCH(QRect, anchor);
    QFETCH(QRect, expected);
    QCOMPARE(WrenboxMacApp::panelGeometry(size, anchor, QRect(0, 0, 1920, 1080)), expected);
}

void TestApp::sigtermQuitsCleanly_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestApp::sigtermQuitsCleanly() {
    QFETCH(int, signalNumber);
    AppHome home;
    QVERIFY(home.prepare(true));
    QProcess app;
    QByteArray seen;
    QVERIFY2(launchApp(app, home, true, &seen), seen.constData());

    QList<qint64> relays;
    const bool relayStarted = QTest::qWaitFor(
        [&] {
            relays = childrenOf(app.processId());
            return !relays.isEmpty();
        },
        20'000);
    QVERIFY2(relayStarted, "the app started no relay");
    ::kill(pid_t(app.processId()), signalNumber);
    QVERIFY(app.waitForFinished(20'000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    for (const qint64 relay : std::as_const(relays))
        QTRY_VERIFY2(!alive(relay), "a relay outlived the app");
    // The app's own settings stay beside the development state.
    QVERIFY(!QFile::exists(home.dir.filePath(QStringLiteral("config/Wrenbox/Wrenbox.conf"))));
    // A development run never registers itself to start at login.
    QVERIFY(!QFile::exists(home.dir.filePath("config/autostart/app.wrenbox.Wrenbox.desktop")));
}

void TestApp::secondRealCopyHandsOver() {
    AppHome home;
    QVERIFY(home.prepare(false));
    QProcess first;
    QByteArray seen;
    QVERIFY2(launchApp(first, home, false, &seen), seen.constData());

    QProcess second;
    second.setProcessEnvironment(home.environment(false));
    second.start(appBinary, {QStringLiteral("wrenbox-mac://pair?code=ABC234")});
    QVERIFY(second.waitForFinished(20'000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!second.readAllStandardError().contains("first window")); // it showed nothing
    QCOMPARE(first.state(), QProcess::Running);

    // Development copies run side by side.
    QProcess development;
    QByteArray developmentSeen;
    QVERIFY2(launchApp(development, home, true, &developmentSeen), developmentSeen.constData());
    ::kill(pid_t(development.processId()), SIGTERM);
    ::kill(pid_t(first.processId()), SIGTERM);
    QVERIFY(development.waitForFinished(20'000));
    QVERIFY(first.waitForFinished(20'000));
    QCOMPARE(first.exitCode(), 0);
}

void TestApp::killedAppLeavesNoRelay() {
    // The real app installed beside the fake relay, which stays up without a word: nothing but
    // the app's end can end it.
    AppHome home;
    QVERIFY(home.prepare(false));
    FakeRelay relay;
    relay.reply(statusArgs, pairedStatus);
    relay.reply(doctorArgs, "{}");
    relay.runStream({});
    const QString installed = home.dir.filePath(QStringLiteral("install"));
    QVERIFY(QDir(installed).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(installed).mkpath(QStringLiteral("libexec/wrenbox")));
    QVERIFY(QFile::copy(appBinary, installed + QStringLiteral("/bin/wrenbox-app")));
    QVERIFY(
        QFile::link(relay.helperPath(), installed + QStringLiteral("/libexec/wrenbox/wrenbox")));
    QProcess app;
    app.setProcessEnvironment(home.environment(false));
    app.start(installed + QStringLiteral("/bin/wrenbox-app"));
    QTRY_VERIFY_WITH_TIMEOUT(
        relay.calls().contains(QStringList{"relay", "run", "--events", "json", "--dry-run"}),
        20'000);

    app.kill(); // SIGKILL: the app gets no say
    QVERIFY(app.waitForFinished(20'000));
    QTRY_VERIFY2(relay.livePids().isEmpty(), "a relay outlived the killed app");
}

void TestApp::launchFailsLoudlyWithoutAnAnswer_data() {
    QTest::addColumn<bool>("listener");
    QTest::newRow("a listener that never answers") << true;
    QTest::newRow("a plain file") << false;
}

void TestApp::launchFailsLoudlyWithoutAnAnswer() {
    QFETCH(bool, listener);
    AppHome home;
    QVERIFY(QDir(home.dir.path()).mkpath(QStringLiteral("run")));
    QFile::setPermissions(home.dir.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString path = home.dir.filePath(QStringLiteral("run/wrenbox-%1.socket").arg(::getuid()));
    QLocalServer silent; // never accepts, so never answers
    QFile file(path);
    if (listener)
        QVERIFY(silent.listen(path));
    else
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
    file.close();

    QProcess app;
    app.setProcessEnvironment(home.environment(false));
    app.start(appBinary, {QStringLiteral("wrenbox-mac://pair?code=ABC234")});
    QVERIFY(app.waitForFinished(20'000));
    QCOMPARE(app.exitCode(), 1);
    const QByteArray said = app.readAllStandardError();
    QVERIFY2(said.contains(QFile::encodeName(path)), said.constData());
    QVERIFY(!said.contains("first window"));
    if (!listener) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("mine"));
    }
}

void TestApp::commandLineAnswersAlone_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");   // what standard output starts with
    QTest::addColumn<QByteArray>("error"); // the first line of standard error
    const QByteArray usage = "Usage: wrenbox-app [options] [link]\n";
    const QString link = QStringLiteral("wrenbox-mac://pair?code=ABC234");
    QTest::newRow("help") << QStringList{"--help"} << 0 << usage << QByteArray();
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QByteArray("Wrenbox " WRENBOX_VERSION "\n") << QByteArray();
    QTest::newRow("unknown option") << QStringList{link, "--verbose"} << 2 << QByteArray()
                                    << QByteArray("wrenbox-app: Unknown option 'verbose'.\n");
    QTest::newRow("two links") << QStringList{link, link} << 2 << QByteArray()
                               << QByteArray("wrenbox-app: Expected at most one pairing link, "
                                             "got 2.\n");
}

void TestApp::commandLineAnswersAlone() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, error);
    AppHome home;
    QProcessEnvironment env = home.environment(false);
    // No display: a copy that went on to start its GUI would abort here.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(appBinary, arguments);
    QVERIFY(app.waitForFinished(20'000));
    const QByteArray stdOut = app.readAllStandardOutput();
    const QByteArray stdErr = app.readAllStandardError();
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), exitCode);
    QVERIFY2(stdOut.startsWith(out), stdOut.constData());
    if (error.isEmpty()) {
        QCOMPARE(stdErr, QByteArray());
    } else {
        QCOMPARE(stdErr.left(stdErr.indexOf('\n') + 1), error);
        QVERIFY2(stdErr.mid(error.size()).startsWith("Usage: wrenbox-app [options] [link]\n"),
                 stdErr.constData());
        QCOMPARE(stdOut, QByteArray());
    }
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
