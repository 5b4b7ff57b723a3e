#include "Core/Relay/RelayRunner.h"
#include "Features/Panel/AttentionNotice.h"
#include "ModelRig.h"
#include "Platform/Linux/BootClock.h"
#include "Platform/Linux/DBusNotifier.h"
#include "Platform/Linux/LogindPower.h"
#include "Platform/Linux/XdgLoginItem.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {
const QString notifications = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

// The desktop's notification service as far as Wrenbox uses it: records Notify calls.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<QStringList> calls; // summary, body, then the actions
public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        calls.append(QStringList{summary, body} + actions);
        return uint(calls.size());
    }
    QString GetServerInformation() { return QStringLiteral("fake"); }
};

class TestLinuxDesktop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void autostartEntry_data();
    void autostartEntry();
    void attentionNotifies_data();
    void attentionNotifies();
    void wakeRestartsAtOnce();
    void bootClockWaitsAsLongAsAsked();

private:
    // A connection of its own on the private bus, as another program would have.
    static QDBusConnection peer(const QString& name) {
        return QDBusConnection::connectToBus(QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
                                             name);
    }

    QTemporaryDir m_config;
    QProcess m_bus;
};

void TestLinuxDesktop::initTestCase() {
    // One private bus stands in for both the session and the system bus, before anything
    // connects to either.
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address")});
    QVERIFY(m_bus.waitForReadyRead(10'000));
    const QByteArray address = m_bus.readLine().trimmed();
    QVERIFY(!address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(QDir(m_config.path()).mkpath(QStringLiteral("autostart")));
}

void TestLinuxDesktop::cleanupTestCase() {
    m_bus.terminate();
    m_bus.waitForFinished();
}

void TestLinuxDesktop::autostartEntry_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("gnome off") << QByteArray("X-GNOME-Autostart-enabled=false\n") << false;
    QTest::newRow("gnome on") << QByteArray("X-GNOME-Autostart-enabled=true\n") << true;
}

void TestLinuxDesktop::autostartEntry() {
    QFETCH(QByteArray, lines);
    QFETCH(bool, enabled);
    QFile file(XdgLoginItem::entryPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Desktop Entry]\nType=Application\nExec=wrenbox\n" + lines);
    file.close();
    XdgLoginItem item(QStringLiteral("/opt/wrenbox/bin/wrenbox-app"));
    QCOMPARE(item.isEnabled(), enabled);

    // The entry the app writes waits for the desktop's panel, where its icon goes.
    QCOMPARE(item.setEnabled(true), std::nullopt);
    QVERIFY(item.isEnabled());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QVERIFY(written.contains("\nX-GNOME-Autostart-Delay=5\n"));
    QVERIFY(written.contains("\nX-KDE-autostart-after=panel\n"));
}

void TestLinuxDesktop::attentionNotifies_data() {
    QTest::addColumn<bool>("server");
    QTest::addColumn<bool>("wanted"); // the Settings switch
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<int>("expected");
    const QByteArray paired = R"({"paired":true,"server":"https://wrenbox.app"})";
    QTest::newRow("into attention while running") << true << true << paired << 1;
    QTest::newRow("switched off") << true << false << paired << 0;
    QTest::newRow("found at start-up") << true << true << QByteArray(R"({"paired":false})") << 0;
    QTest::newRow("no notification server") << false << true << paired << 0;
}

void TestLinuxDesktop::attentionNotifies() {
    QFETCH(bool, server);
    QFETCH(bool, wanted);
    QFETCH(QByteArray, status);
    QFETCH(int, expected);
    FakeNotifications fake;
    QDBusConnection desktop = peer(QStringLiteral("desktop"));
    // Leaving the bus gives the service's name up for the next row.
    const auto leave = qScopeGuard([] { QDBusConnection::disconnectFromBus("desktop"); });
    if (server) {
        QVERIFY(desktop.registerObject(notificationsPath, &fake, QDBusConnection::ExportAllSlots));
        QVERIFY(desktop.registerService(notifications));
    } else {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    }

    RelayRig rig;
    rig.fake.defaults.setBool(QStringLiteral("attentionNotificationsOff"), !wanted);
    rig.relay.reply(statusArgs, status);
    FakeRelay::Stream stream;
    stream.chunks = {{100, R"({"event":"error","message":"Database locked"})"
                           "\n"}};
    stream.stayAlive = false;
    stream.exitCode = 1;
    rig.relay.runStream(stream);
    DBusNotifier notifier;
    int setupOpens = 0;
    AppModel& model = rig.makeModel();
    AttentionNotice notice(model, notifier, rig.fake.clock, [&] { ++setupOpens; });
    model.start();
    QTRY_VERIFY(model.phase().attention());
    // Twice more into the same attention: no repeat within the hour.
    for (int run = 2; run <= 3 && model.status().paired; ++run) {
        rig.advance(std::chrono::seconds(run - 1));
        QTRY_COMPARE(rig.count(runArgs), run);
        QTRY_VERIFY(!model.runner().isRunning());
    }

    // Messages from one connection arrive in order: once this answer is back, any Notify sent
    // before it has been handled.
    QDBusPendingCall barrier = QDBusConnection::sessionBus().asyncCall(
        QDBusMessage::createMethodCall(notifications, notificationsPath, notifications,
                                       QStringLiteral("GetServerInformation")));
    QTRY_VERIFY(barrier.isFinished());
    QCOMPARE(fake.calls.size(), expected);
    if (expected == 0)
        return;
    QCOMPARE(fake.calls.first(), (QStringList{"The relay stopped", "Database locked", "default",
                                              "Open Setup", "open-setup", "Open Setup"}));
    desktop.send(QDBusMessage::createSignal(notificationsPath, notifications,
                                            QStringLiteral("ActionInvoked"))
                 << uint(1) << QStringLiteral("open-setup"));
    QTRY_COMPARE(setupOpens, 1);
}

void TestLinuxDesktop::wakeRestartsAtOnce() {
    QDBusConnection logind = peer(QStringLiteral("logind"));
    QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    RelayRig rig;
    LogindPower power;
    Platform platform = rig.fake.platform();
    platform.power = &power;
    rig.relay.reply(statusArgs, R"({"paired":true,"server":"https://wrenbox.app"})");
    FakeRelay::Stream stream;
    stream.stayAlive = false;
    stream.exitCode = 1;
    rig.relay.runStream(stream);
    rig.model = std::make_unique<AppModel>(platform);
    AppModel& model = *rig.model;
    model.start();
    QTRY_VERIFY(model.runner().restartPending());
    QCOMPARE(rig.count(statusArgs), 1);

    // The clock stands still: only the wake-up can start the relay and the refresh now.
    logind.send(QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                           QStringLiteral("PrepareForSleep"))
                << false);
    QTRY_COMPARE(rig.count(runArgs), 2);
    QTRY_COMPARE(rig.count(statusArgs), 2);
    QTRY_VERIFY(model.runner().restartPending());
    QCOMPARE(model.runner().failures(), 2); // counted on, not started over
    rig.model.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
}

void TestLinuxDesktop::bootClockWaitsAsLongAsAsked() {
    BootClock clock;
    QElapsedTimer elapsed;
    elapsed.start();
    ClockTimer* due = clock.startTimer(120ms, &clock);
    ClockTimer* cancelled = clock.startTimer(10ms, &clock);
    QSignalSpy dueSpy(due, &ClockTimer::finished);
    QSignalSpy cancelledSpy(cancelled, &ClockTimer::finished);
    cancelled->cancel();
    QTRY_COMPARE(dueSpy.count(), 1);
    QVERIFY(elapsed.elapsed() >= 120);
    QCOMPARE(dueSpy.first().first().toBool(), true);
    QCOMPARE(cancelledSpy.count(), 1);
    QCOMPARE(cancelledSpy.first().first().toBool(), false);
}

QTEST_GUILESS_MAIN(TestLinuxDesktop)
#include "tst_linuxdesktop.moc"
