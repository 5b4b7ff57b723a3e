#include "Platform/Linux/LinuxBundleInfo.h"
#include "Platform/Linux/LinuxMessagesAutomation.h"
#include "Platform/Linux/SettingsDefaults.h"
#include "Platform/Linux/XdgLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestLinuxPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void loginItemRoundTrip();
    void hiddenEntryCountsAsOff();
    void unwritableFolderGivesAnErrorText();
    void execValueIsQuoted_data();
    void execValueIsQuoted();
    void settingsRoundTrip();
    void bundleLayout();
    void noMessagesOnLinux();
    void unusableSettingsAreSetAside_data();
    void unusableSettingsAreSetAside();
    void autostartPipeCountsAsOff();

private:
    std::unique_ptr<QTemporaryDir> m_config;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

void TestLinuxPlatform::init() {
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    m_hadPrevious = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void TestLinuxPlatform::cleanup() {
    if (m_hadPrevious)
        qputenv("XDG_CONFIG_HOME", m_previous);
    else
        qunsetenv("XDG_CONFIG_HOME");
    // Give back write permission so the folder can be removed.
    QFile::setPermissions(m_config->filePath(QStringLiteral("autostart")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_config.reset();
}

void TestLinuxPlatform::loginItemRoundTrip() {
    XdgLoginItem item(QStringLiteral("/opt/wren box/bin/wrenbox"));
    const QString entry =
        m_config->filePath(QStringLiteral("autostart/app.wrenbox.Wrenbox.desktop"));
    QCOMPARE(XdgLoginItem::entryPath(), entry);
    QVERIFY(!item.isEnabled());

    QCOMPARE(item.setEnabled(true), std::nullopt);
    QVERIFY(item.isEnabled());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nType=Application\n"));
    QVERIFY(text.contains("\nExec=\"/opt/wren box/bin/wrenbox\"\n"));
    file.close();

    QCOMPARE(item.setEnabled(false), std::nullopt);
    QVERIFY(!item.isEnabled());
    QVERIFY(!QFile::exists(entry));
    QCOMPARE(item.setEnabled(false), std::nullopt); // already off: still fine
}

void TestLinuxPlatform::hiddenEntryCountsAsOff() {
    QVERIFY(QDir(m_config->path()).mkpath(QStringLiteral("autostart")));
    QFile file(XdgLoginItem::entryPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nExec=wrenbox\nHidden = true\n");
    file.close();
    XdgLoginItem item;
    QVERIFY(!item.isEnabled());

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Desktop Entry]\nType=Application\nExec=wrenbox\nHidden=false\n"
               "[Desktop Action x]\nHidden=true\n");
    file.close();
    QVERIFY(item.isEnabled());

    // Turning it on again replaces the desktop's "off" with a working entry.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Desktop Entry]\nHidden=true\n");
    file.close();
    QCOMPARE(item.setEnabled(true), std::nullopt);
    QVERIFY(item.isEnabled());
}

void TestLinuxPlatform::unwritableFolderGivesAnErrorText() {
    XdgLoginItem item;
    const QString dir = m_config->filePath(QStringLiteral("autostart"));

    // A file where the autostart folder should be: the folder cannot be made.
    {
        QFile blocker(dir);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    auto failure = item.setEnabled(true);
    QVERIFY(failure);
    QVERIFY(failure->startsWith(QStringLiteral("Couldn't turn on start at login")));
    QVERIFY(!item.isEnabled());
    QVERIFY(QFile::remove(dir));

    if (::geteuid() == 0)
        QSKIP("folder permissions do not bind root");
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    failure = item.setEnabled(true);
    QVERIFY(failure);
    QVERIFY(failure->startsWith(QStringLiteral("Couldn't turn on start at login")));
    QVERIFY(!item.isEnabled());
}

void TestLinuxPlatform::execValueIsQuoted_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/bin/wrenbox"
                           << R"("/usr/bin/wrenbox")";
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
    const QString path = m_config->filePath(QStringLiteral("dev/settings.ini"));
    {
        SettingsDefaults defaults(path);
        QVERIFY(!defaults.boolValue(QStringLiteral("paused")));
        defaults.setBool(QStringLiteral("paused"), true);
        defaults.setBool(QStringLiteral("loginItemDecided"), false);
        QVERIFY(defaults.boolValue(QStringLiteral("paused")));
    }
    QVERIFY(QFile::exists(path));
    SettingsDefaults again(path);
    QVERIFY(again.boolValue(QStringLiteral("paused")));
    QVERIFY(!again.boolValue(QStringLiteral("loginItemDecided")));
    QVERIFY(!again.boolValue(QStringLiteral("movedToApplicationsAsked")));
}

void TestLinuxPlatform::bundleLayout() {
    LinuxBundleInfo bundle(QStringLiteral("/opt/wrenbox/bin"));
    QCOMPARE(bundle.relayHelperPath(), QStringLiteral("/opt/wrenbox/libexec/wrenbox/wrenbox"));
    QCOMPARE(bundle.bundlePath(), QStringLiteral("/opt/wrenbox"));
    QCOMPARE(bundle.shortVersion(), std::optional<QString>(QStringLiteral(WRENBOX_VERSION)));
    QCOMPARE(bundle.diagnosticsHeader(), QStringLiteral("Wrenbox for Linux ") +
                                             QStringLiteral(WRENBOX_VERSION) +
                                             QStringLiteral(", ") + QSysInfo::prettyProductName());
}

void TestLinuxPlatform::noMessagesOnLinux() {
    LinuxMessagesAutomation messages;
    QVERIFY(!messages.isRunning());
    QVERIFY(!messages.canLocate());
    QCOMPARE(QCoro::waitFor(messages.determine(true)), MessagesPermission::Unknown);
    QCOMPARE(QCoro::waitFor(messages.determine(false)), MessagesPermission::Unknown);
}

void TestLinuxPlatform::unusableSettingsAreSetAside_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("pipe") << "pipe";
    QTest::newRow("folder") << "folder";
    QTest::newRow("over the size cap") << "large";
}

void TestLinuxPlatform::unusableSettingsAreSetAside() {
    QFETCH(QString, kind);
    QCoreApplication::setOrganizationName(QStringLiteral("Wrenbox"));
    QCoreApplication::setApplicationName(QStringLiteral("Wrenbox"));
    const QString path = SettingsDefaults::usualFile();
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    if (kind == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(QByteArray(SettingsDefaults::maxFileBytes + 1, 'x')) > 0);
    }
    QFileInfo before(path);
    before.stat(); // cached as it is now
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("set aside as .*invalid")));
    SettingsDefaults defaults;
    QVERIFY(!defaults.boolValue(QStringLiteral("paused")));
    defaults.setBool(QStringLiteral("paused"), true);
    QVERIFY(QFileInfo(path).isFile());
    QVERIFY(QFileInfo(path).size() < 100);

    // What was there is kept beside, as it was.
    const QFileInfoList aside = QDir(QFileInfo(path).path())
                                    .entryInfoList({QStringLiteral("Wrenbox.conf.invalid-*")},
                                                   QDir::AllEntries | QDir::System);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(aside.first().isDir(), before.isDir());
    QCOMPARE(aside.first().isFile(), before.isFile());
    QCOMPARE(aside.first().size(), before.size());
}

void TestLinuxPlatform::autostartPipeCountsAsOff() {
    QVERIFY(QDir(m_config->path()).mkpath(QStringLiteral("autostart")));
    QCOMPARE(::mkfifo(QFile::encodeName(XdgLoginItem::entryPath()).constData(), 0600), 0);
    QVERIFY(!XdgLoginItem().isEnabled()); // without reading from the pipe
}

QTEST_GUILESS_MAIN(TestLinuxPlatform)
#include "tst_linuxplatform.moc"
