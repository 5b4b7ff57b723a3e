// The freedesktop services: the autostart entry, the settings file, the desktop settings, and on
// private buses and an X server of their own the notifications, logind's wake-ups, an XEmbed tray
// and the boot-time clock.

#include "Features/Panel/AttentionNotice.h"
#include "Platform/Linux/BootClock.h"
#include "Platform/Linux/DBusNotifier.h"
#include "Platform/Linux/LinuxDesktopSettings.h"
#include "Platform/Linux/LinuxTray.h"
#include "Platform/Linux/LogindPower.h"
#include "Platform/Linux/SettingsDefaults.h"
#include "Platform/Linux/UnixSignals.h"
#include "Platform/Linux/XdgLoginItem.h"

#include "RelayRig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtDBus>

#include <sys/stat.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

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

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TestLinuxPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_env.reset();
        m_config = std::make_unique<QTemporaryDir>();
        m_env = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
    }

    void loginItem() {
        QFile entry(config(u"autostart/app.wrenbox.Wrenbox.desktop"_qs));
        XdgLoginItem item(u"/opt/wren box/100%/a$b\"c\\d"_qs);
        QVERIFY(!item.isEnabled());
        QCOMPARE(item.setEnabled(true), std::nullopt);
        QVERIFY(item.isEnabled() && entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        entry.close();
        QVERIFY(text.startsWith("[Desktop Entry]\n") && text.contains("\nType=Application\n"));
        // It starts after the panel its icon goes in, where the desktop orders that, undelayed.
        QVERIFY(text.contains("\nX-GNOME-Autostart-Phase=Applications\n") &&
                text.contains("\nX-KDE-autostart-after=panel\n") && !text.contains("Delay"));
        QVERIFY2(text.contains("Exec=\"/opt/wren box/100%%/a\\\\$b\\\\\"c\\\\\\\\d\""),
                 text.constData());
        QCOMPARE(item.setEnabled(false), std::nullopt);
        QVERIFY(!item.isEnabled() && !entry.exists());
        QCOMPARE(item.setEnabled(false), std::nullopt); // already off: still fine

        // Desktops turn an entry off with Hidden=true or X-GNOME-Autostart-enabled=false; turning
        // it on again replaces that.
        for (const char* hidden :
             {"[Desktop Entry]\nHidden = true\n",
              "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n",
              "[Desktop Entry]\nHidden=false\n[Desktop Action x]\nHidden=true\n"}) {
            QVERIFY(entry.open(QIODevice::WriteOnly | QIODevice::Truncate));
            entry.write(hidden);
            entry.close();
            QCOMPARE(item.isEnabled(), QByteArray(hidden).contains("Hidden=false"));
        }
        QCOMPARE(item.setEnabled(true), std::nullopt);
        QVERIFY(item.isEnabled());
        // An entry that is a pipe counts as off, without reading from it.
        QVERIFY(entry.remove());
        QCOMPARE(::mkfifo(QFile::encodeName(entry.fileName()).constData(), 0600), 0);
        QVERIFY(!item.isEnabled());
        // A file where the folder should be gives an error text.
        QVERIFY(QDir(config(u"autostart"_qs)).removeRecursively());
        QVERIFY(QFile(config(u"autostart"_qs)).open(QIODevice::WriteOnly));
        QVERIFY(item.setEnabled(true).value_or(QString()).startsWith(
            u"Couldn't turn on start at login"_qs));
        QVERIFY(!item.isEnabled());
    }

    void unusableSettingsAreSetAside_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("folder") << "folder";
        QTest::newRow("over the size cap") << "large";
        QTest::newRow("at the size cap") << "fits";
    }

    void unusableSettingsAreSetAside() {
        QFETCH(QString, kind);
        const auto names = qScopeGuard([org = QCoreApplication::organizationName(),
                                        app = QCoreApplication::applicationName()] {
            QCoreApplication::setOrganizationName(org);
            QCoreApplication::setApplicationName(app);
        });
        QCoreApplication::setOrganizationName(u"Wrenbox"_qs);
        QCoreApplication::setApplicationName(u"Wrenbox"_qs);
        const QString path = SettingsDefaults::usualFile();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        if (kind == u"fits") { // 1 MiB of settings is read as it is
            const QByteArray settings = "[General]\npaused=true\n;";
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write(settings + QByteArray((qsizetype(1) << 20) - settings.size(), 'x')));
            file.close();
            QVERIFY(SettingsDefaults().boolValue(u"paused"_qs));
            QCOMPARE(QFileInfo(path).size(), qint64(1) << 20);
            return;
        }
        if (kind == u"pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"folder")
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write(QByteArray((qsizetype(1) << 20) + 1, 'x')) > 0); // 1 MiB + 1
        file.close();
        QFileInfo before(path);
        before.stat(); // cached as it is now
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"set aside as .*invalid"_qs));
        SettingsDefaults defaults;
        QVERIFY(!defaults.boolValue(u"paused"_qs));
        defaults.setBool(u"paused"_qs, true);
        defaults.setTime(u"pausedUntil"_qs, QDateTime::fromSecsSinceEpoch(1714570200));
        QVERIFY(QFileInfo(path).isFile() && QFileInfo(path).size() < 100);
        QVERIFY(SettingsDefaults().boolValue(u"paused"_qs) &&
                !SettingsDefaults().boolValue(u"x"_qs));
        QCOMPARE(SettingsDefaults().timeValue(u"pausedUntil"_qs),
                 QDateTime::fromSecsSinceEpoch(1714570200));
        // What was there is kept beside, as it was.
        const QFileInfoList aside =
            QDir(QFileInfo(path).path())
                .entryInfoList({u"Wrenbox.conf.invalid-*"_qs}, QDir::AllEntries | QDir::System);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(aside.first().isDir(), before.isDir());
        QCOMPARE(aside.first().size(), before.size());
    }

    void desktopSettings() {
        QFile file(config(u"kdeglobals"_qs));
        for (int padding : {0, 1024 * 1024}) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[KDE]\nAnimationDurationFactor=0\n[Padding]\nx=" +
                       QByteArray(padding, 'x'));
            file.close();
            // A huge file would stall the panel while parsed: it is not read at all.
            QCOMPARE(LinuxDesktopSettings().reducesMotion(), padding == 0);
        }
        for (const char* theme : {"HighContrast", "highcontrastinverse", "Adwaita:dark"}) {
            const ScopedEnv gtk("GTK_THEME", QByteArray(theme));
            QCOMPARE(LinuxDesktopSettings().prefersHighContrast(), theme[0] != 'A');
        }
    }

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
    void attentionNotifies_data() { addRows("Platform/Linux/notices.txt"); }
    void attentionNotifies() {
        QFETCH(QByteArrayList, row);
        const bool server = row[1] == "yes", wanted = row[2] == "yes", paired = row[3] == "yes";
        const int code = row[4].toInt();
        const QStringList told =
            row[5].isEmpty() ? QStringList() : QString::fromUtf8(row[5]).split(u'|');
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
        // Still in that one attention past the quiet hour (the wall clock moves on, the relay's
        // restart still waits), the phase worked out again is no news.
        rig.fake.clock.setNow(rig.fake.clock.now().addSecs(2LL * 60 * 60));
        Q_EMIT rig.model->phaseChanged();
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
    void xembedTrayComesAndGoes() {
        LinuxTray tray;
        QSignalSpy changes(&tray, &DesktopTray::hostChanged);
        QTRY_COMPARE(tray.host(), DesktopTray::Host::None); // no tray, no watcher on the bus
        // A tray on a connection of its own takes the screen's selection and says so to all.
        xcb_connection_t* other = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
        const auto atom = [other](const char* name) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
                other, xcb_intern_atom(other, 0, uint16_t(qstrlen(name)), name), nullptr);
            const xcb_atom_t value = reply ? reply->atom : 0;
            std::free(reply);
            return value;
        };
        const xcb_window_t window = xcb_generate_id(other);
        xcb_create_window(other, 0, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S0");
        xcb_set_selection_owner(other, window, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t manager{};
        manager.response_type = XCB_CLIENT_MESSAGE;
        manager.format = 32;
        manager.window = root;
        manager.type = atom("MANAGER");
        manager.data.data32[1] = selection;
        manager.data.data32[2] = window;
        xcb_send_event(other, 0, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&manager));
        xcb_flush(other);
        QTRY_COMPARE(tray.host(), DesktopTray::Host::QtTray);
        // The tray quits: its window goes with its connection.
        xcb_disconnect(other);
        QTRY_COMPARE(tray.host(), DesktopTray::Host::None);
        QCOMPARE(changes.count(), 3);
    }

    // A relay forked but not yet running its program dies of a stop; the app must not quit.
    void aForkedChildTakesItsOwnSignal() {
        UnixSignals handlers;
        QSignalSpy quits(&handlers, &SystemSignals::quitRequested);
        const pid_t child = ::fork();
        if (child == 0) {
            ::raise(SIGTERM);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        QCoreApplication::processEvents();
        QCOMPARE(quits.count(), 0);
    }

    void bootClockWaitsAsLongAsAsked() {
        BootClock clock;
        QElapsedTimer elapsed;
        elapsed.start();
        QSignalSpy due(clock.startTimer(120ms, &clock), &ClockTimer::finished);
        // Its wait counts the time the computer sleeps: a timer on the boot-time clock (the
        // timerfd's clockid in /proc, 7), not on one that stops in suspend (1).
        QStringList clocks;
        const QDir fds(u"/proc/self/fd"_qs);
        for (const QString& fd : fds.entryList(QDir::System)) {
            if (QFile::symLinkTarget(fds.filePath(fd)).endsWith(u"[timerfd]"))
                clocks << QString::fromLatin1(readFile(u"/proc/self/fdinfo/"_qs + fd))
                              .section(u"clockid:"_qs, 1)
                              .section(u'\n', 0, 0)
                              .trimmed();
        }
        QCOMPARE(clocks, QStringList{u"7"_qs});
        QTRY_COMPARE(due.count(), 1);
        QVERIFY(elapsed.elapsed() >= 120 && due.first().first().toBool());
        // Cancelled, it says it did not run out.
        ClockTimer* cancelled = clock.startTimer(1h, &clock);
        QSignalSpy over(cancelled, &ClockTimer::finished);
        cancelled->cancel();
        QCOMPARE(over.count(), 1);
        QVERIFY(!over.first().first().toBool());
    }

private:
    QString config(const QString& name) const { return m_config->filePath(name); }
    std::unique_ptr<ScopedEnv> m_env; // goes after the folder it names
    std::unique_ptr<QTemporaryDir> m_config;
    QProcess m_bus;
    QString m_address; // other programs' connections to it are their own
};

QTEST_MAIN(TestLinuxPlatform)
#include "tst_linuxplatform.moc"
