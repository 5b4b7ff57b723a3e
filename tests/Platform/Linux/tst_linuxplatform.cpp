// The freedesktop services: the autostart entry, the settings file, the install layout.

#include "Platform/Linux/LinuxBundleInfo.h"
#include "Platform/Linux/LinuxMessagesAutomation.h"
#include "Platform/Linux/SettingsDefaults.h"
#include "Platform/Linux/XdgLoginItem.h"

#include "RelayRig.h"

#include <QDir>
#include <QSysInfo>

#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

class TestLinuxPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void loginItemRoundTrip();
    void hiddenEntryCountsAsOff();
    void unwritableFolderGivesAnErrorText();
    void execValueIsQuoted_data();
    void execValueIsQuoted();
    void settingsRoundTrip();
    void bundleLayoutAndNoMessages();
    void unusableSettingsAreSetAside_data();
    void unusableSettingsAreSetAside();

private:
    QString config(const QString& name) const { return m_config->filePath(name); }
    void write(const QByteArray& entry) {
        QDir().mkpath(config(u"autostart"_qs));
        QFile file(XdgLoginItem::entryPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(entry);
    }
    std::unique_ptr<ScopedEnv> m_env; // goes after the folder it names
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestLinuxPlatform::init() {
    m_env.reset();
    m_config = std::make_unique<QTemporaryDir>();
    m_env = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void TestLinuxPlatform::loginItemRoundTrip() {
    XdgLoginItem item(u"/opt/wren box/bin/wrenbox"_qs);
    QCOMPARE(XdgLoginItem::entryPath(), config(u"autostart/app.wrenbox.Wrenbox.desktop"_qs));
    QVERIFY(!item.isEnabled());
    QCOMPARE(item.setEnabled(true), std::nullopt);
    QVERIFY(item.isEnabled());
    QFile file(XdgLoginItem::entryPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nType=Application\n"));
    QVERIFY(text.contains("\nExec=\"/opt/wren box/bin/wrenbox\"\n"));
    QCOMPARE(item.setEnabled(false), std::nullopt);
    QVERIFY(!item.isEnabled() && !file.exists());
    QCOMPARE(item.setEnabled(false), std::nullopt); // already off: still fine
}

void TestLinuxPlatform::hiddenEntryCountsAsOff() {
    XdgLoginItem item;
    write("[Desktop Entry]\nType=Application\nExec=wrenbox\nHidden = true\n");
    QVERIFY(!item.isEnabled());
    write("[Desktop Entry]\nExec=wrenbox\nHidden=false\n[Desktop Action x]\nHidden=true\n");
    QVERIFY(item.isEnabled());
    // Turning it on again replaces the desktop's "off" with a working entry.
    write("[Desktop Entry]\nHidden=true\n");
    QCOMPARE(item.setEnabled(true), std::nullopt);
    QVERIFY(item.isEnabled());
}

void TestLinuxPlatform::unwritableFolderGivesAnErrorText() {
    XdgLoginItem item;
    QFile blocker(config(u"autostart"_qs)); // a file where the folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    const auto failure = item.setEnabled(true);
    QVERIFY(failure && failure->startsWith(u"Couldn't turn on start at login"_qs));
    QVERIFY(!item.isEnabled());
}

void TestLinuxPlatform::execValueIsQuoted_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::newRow("space") << "/a b/wrenbox"
                           << R"("/a b/wrenbox")";
    QTest::newRow("dollar and quote") << R"(/a$b"c/x)"
                                      << R"("/a\\$b\\"c/x")";
    QTest::newRow("backslash") << R"(/a\b)"
                               << R"("/a\\\\b")";
    QTest::newRow("percent") << "/100%/x"
                             << R"("/100%%/x")";
}

void TestLinuxPlatform::execValueIsQuoted() {
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(XdgLoginItem::execValue(program), exec);
}

void TestLinuxPlatform::settingsRoundTrip() {
    const QString path = config(u"dev/settings.ini"_qs);
    {
        SettingsDefaults defaults(path);
        QVERIFY(!defaults.boolValue(u"paused"_qs));
        defaults.setBool(u"paused"_qs, true);
        defaults.setBool(u"loginItemDecided"_qs, false);
    }
    SettingsDefaults again(path);
    QVERIFY(again.boolValue(u"paused"_qs));
    QVERIFY(!again.boolValue(u"loginItemDecided"_qs));
    QVERIFY(!again.boolValue(u"movedToApplicationsAsked"_qs));
}

void TestLinuxPlatform::bundleLayoutAndNoMessages() {
    LinuxBundleInfo bundle(u"/opt/wrenbox/bin"_qs);
    QCOMPARE(bundle.relayHelperPath(), u"/opt/wrenbox/libexec/wrenbox/wrenbox"_qs);
    QCOMPARE(bundle.bundlePath(), u"/opt/wrenbox"_qs);
    QCOMPARE(bundle.shortVersion(), u"" WRENBOX_VERSION ""_qs);
    QCOMPARE(bundle.diagnosticsHeader(),
             u"Wrenbox for Linux " WRENBOX_VERSION ", "_qs + QSysInfo::prettyProductName());
    LinuxMessagesAutomation messages;
    QVERIFY(!messages.isRunning() && !messages.canLocate());
    QCOMPARE(QCoro::waitFor(messages.determine(true)), MessagesPermission::Unknown);
}

void TestLinuxPlatform::unusableSettingsAreSetAside_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("pipe") << "pipe";
    QTest::newRow("folder") << "folder";
    QTest::newRow("over the size cap") << "large";
}

void TestLinuxPlatform::unusableSettingsAreSetAside() {
    QFETCH(QString, kind);
    QCoreApplication::setOrganizationName(u"Wrenbox"_qs);
    QCoreApplication::setApplicationName(u"Wrenbox"_qs);
    const QString path = SettingsDefaults::usualFile();
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    if (kind == u"pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"folder")
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write(QByteArray(SettingsDefaults::maxFileBytes + 1, 'x')) > 0);
    file.close();
    QFileInfo before(path);
    before.stat(); // cached as it is now
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"set aside as .*invalid"_qs));
    SettingsDefaults defaults;
    QVERIFY(!defaults.boolValue(u"paused"_qs));
    defaults.setBool(u"paused"_qs, true);
    QVERIFY(QFileInfo(path).isFile() && QFileInfo(path).size() < 100);
    // What was there is kept beside, as it was.
    const QFileInfoList aside =
        QDir(QFileInfo(path).path())
            .entryInfoList({u"Wrenbox.conf.invalid-*"_qs}, QDir::AllEntries | QDir::System);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(aside.first().isDir(), before.isDir());
    QCOMPARE(aside.first().size(), before.size());
    // An autostart entry that is a pipe counts as off, without reading from it.
    QDir().mkpath(config(u"autostart"_qs));
    QCOMPARE(::mkfifo(QFile::encodeName(XdgLoginItem::entryPath()).constData(), 0600), 0);
    QVERIFY(!XdgLoginItem().isEnabled());
}

QTEST_GUILESS_MAIN(TestLinuxPlatform)
#include "tst_linuxplatform.moc"
