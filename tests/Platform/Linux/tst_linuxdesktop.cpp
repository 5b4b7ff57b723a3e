// The desktop's services on private buses: notifications, logind's wake-ups, the boot-time clock.

#include "Features/Panel/AttentionNotice.h"
#include "Platform/Linux/BootClock.h"
#include "Platform/Linux/DBusNotifier.h"
#include "Platform/Linux/LogindPower.h"

#include "RelayRig.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtDBus>

using namespace std::chrono_literals;

const QString notifications = u"org.freedesktop.Notifications"_qs;
const QString notificationsPath = u"/org/freedesktop/Notifications"_qs;

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
    QString GetServerInformation() { return u"fake"_qs; }
};

class TestLinuxDesktop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // One private bus stands in for both the session and the system bus, before anything
        // connects to either.
        m_bus.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address"_qs});
        QVERIFY(m_bus.waitForReadyRead(10'000));
        m_address = QString::fromUtf8(m_bus.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
    }
    void cleanupTestCase() { m_bus.kill(), m_bus.waitForFinished(); }
    void attentionNotifies_data() {
        QTest::addColumn<bool>("server");
        QTest::addColumn<bool>("wanted"); // the Settings switch
        QTest::addColumn<bool>("paired"); // unpaired is found at start-up, when Setup opens for it
        QTest::addColumn<int>("code");    // the relay's exit; it says why only when 1
        QTest::addColumn<QStringList>("told"); // headline, detail, actions; none: nothing sent
        const QStringList actions{"default", "Open Setup", "open-setup", "Open Setup"};
        const QStringList locked = QStringList{"The relay stopped", "Database locked"} + actions;
        QTest::newRow("into attention while running") << true << true << true << 1 << locked;
        QTest::newRow("stopped for good")
            << true << true << true << 78 << QStringList{locked[0], ""} + actions;
        QTest::newRow("switched off") << true << false << true << 1 << QStringList();
        QTest::newRow("found at start-up") << true << true << false << 1 << QStringList();
        QTest::newRow("no notification server") << false << true << true << 1 << QStringList();
    }
    void attentionNotifies() {
        QFETCH(bool, server);
        QFETCH(bool, wanted);
        QFETCH(bool, paired);
        QFETCH(int, code);
        QFETCH(QStringList, told);
        FakeNotifications fake;
        QDBusConnection desktop = QDBusConnection::connectToBus(m_address, u"desktop"_qs);
        // Leaving the bus gives the service's name up for the next row.
        const auto leave = qScopeGuard([] { QDBusConnection::disconnectFromBus(u"desktop"_qs); });
        if (server) {
            QVERIFY(
                desktop.registerObject(notificationsPath, &fake, QDBusConnection::ExportAllSlots));
            QVERIFY(desktop.registerService(notifications));
        } else {
            QTest::failOnWarning(QRegularExpression(u"."_qs));
        }
        RelayRig rig(paired ? "status-paired" : "status-unpaired");
        rig.fake.defaults.setBool(u"attentionNotificationsOff"_qs, !wanted);
        const QByteArray why =
            code == 1 ? "{\"event\":\"error\",\"message\":\"Database locked\"}\n" : "";
        rig.relay.runStream({.chunks = {{100, why}}, .stayAlive = false, .exitCode = code});
        DBusNotifier notifier;
        int setupOpens = 0;
        AttentionNotice notice(rig.make(), notifier, rig.fake.clock, [&] { ++setupOpens; });
        QVERIFY(rig.start());
        // Into the same attention twice more within the hour: told once.
        for (int run = 1; run <= (code == 1 ? 3 : 1) && paired; ++run) {
            rig.advance(std::chrono::seconds(run - 1));
            QTRY_COMPARE(rig.count(runArgs), run);
            QTRY_VERIFY(!rig.model->relayRunning());
        }
        QVERIFY(rig.settle());
        // Messages from one connection arrive in order: once this answer is back, any Notify sent
        // before it has been handled.
        QDBusPendingCall barrier =
            QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
                notifications, notificationsPath, notifications, u"GetServerInformation"_qs));
        QTRY_VERIFY(barrier.isFinished());
        QCOMPARE(fake.calls, told.isEmpty() ? QList<QStringList>() : QList<QStringList>{told});
        if (told.isEmpty())
            return;
        desktop.send(
            QDBusMessage::createSignal(notificationsPath, notifications, u"ActionInvoked"_qs)
            << uint(1) << u"open-setup"_qs);
        QTRY_COMPARE(setupOpens, 1);
    }
    void wakeRestartsAtOnce() {
        QDBusConnection logind = QDBusConnection::connectToBus(m_address, u"logind"_qs);
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_qs));
        LogindPower power;
        RelayRig rig("status-paired");
        rig.fake.power = &power;
        rig.relay.runStream({.chunks = {}, .stayAlive = false, .exitCode = 1});
        QVERIFY(rig.start());
        QTRY_VERIFY(!rig.model->relayRunning());
        // The clock stands still: only the wake-up can start the relay and the refresh now.
        logind.send(QDBusMessage::createSignal(u"/org/freedesktop/login1"_qs,
                                               u"org.freedesktop.login1.Manager"_qs,
                                               u"PrepareForSleep"_qs)
                    << false);
        QTRY_COMPARE(rig.count(runArgs), 2);
        QTRY_COMPARE(rig.count(statusArgs), 2);
        QTRY_VERIFY(!rig.model->relayRunning());
        // The failures were counted on: the next pause is 2 s, not 1 s.
        rig.advance(1s);
        QVERIFY(!rig.model->relayRunning());
        rig.advance(1s);
        QVERIFY(rig.model->relayRunning());
    }
    void bootClockWaitsAsLongAsAsked() {
        BootClock clock;
        QElapsedTimer elapsed;
        elapsed.start();
        QSignalSpy due(clock.startTimer(120ms, &clock), &ClockTimer::finished);
        QTRY_COMPARE(due.count(), 1);
        QVERIFY(elapsed.elapsed() >= 120 && due.first().first().toBool());
    }

private:
    QProcess m_bus;
    QString m_address; // other programs' connections to it are their own
};

QTEST_GUILESS_MAIN(TestLinuxDesktop)
#include "tst_linuxdesktop.moc"
