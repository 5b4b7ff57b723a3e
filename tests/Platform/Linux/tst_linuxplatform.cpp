// The freedesktop services: the autostart entry, the settings file, the desktop settings.

#include "Platform/Linux/LinuxDesktopSettings.h"
#include "Platform/Linux/SettingsDefaults.h"
#include "Platform/Linux/XdgLoginItem.h"

#include "RelayRig.h"

#include <QDir>
#include <QRegularExpression>

#include <sys/stat.h>

class TestLinuxPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void loginItem();
    void unusableSettingsAreSetAside_data();
    void unusableSettingsAreSetAside();
    void desktopSettings();

private:
    QString config(const QString& name) const { return m_config->filePath(name); }
    std::unique_ptr<ScopedEnv> m_env; // goes after the folder it names
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestLinuxPlatform::init() {
    m_env.reset();
    m_config = std::make_unique<QTemporaryDir>();
    m_env = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void TestLinuxPlatform::loginItem() {
    QFile entry(config(u"autostart/app.wrenbox.Wrenbox.desktop"_qs));
    XdgLoginItem item(uR"(/opt/wren box/100%/a$b"c\d)"_qs);
    QVERIFY(!item.isEnabled());
    QCOMPARE(item.setEnabled(true), std::nullopt);
    QVERIFY(item.isEnabled() && entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    entry.close();
    QVERIFY(text.startsWith("[Desktop Entry]\n") && text.contains("\nType=Application\n"));
    // It waits for the panel its icon goes in.
    QVERIFY(text.contains("\nX-GNOME-Autostart-Delay=5\n") &&
            text.contains("\nX-KDE-autostart-after=panel\n"));
    QVERIFY2(text.contains(R"(Exec="/opt/wren box/100%%/a\\$b\\"c\\\\d")"), text.constData());
    QCOMPARE(item.setEnabled(false), std::nullopt);
    QVERIFY(!item.isEnabled() && !entry.exists());
    QCOMPARE(item.setEnabled(false), std::nullopt); // already off: still fine

    // Desktops turn an entry off with Hidden=true or X-GNOME-Autostart-enabled=false; turning it
    // on again replaces that.
    for (const char* hidden :
         {"[Desktop Entry]\nHidden = true\n", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n",
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
    defaults.setTime(u"pausedUntil"_qs, QDateTime::fromSecsSinceEpoch(1714570200));
    QVERIFY(QFileInfo(path).isFile() && QFileInfo(path).size() < 100);
    QVERIFY(SettingsDefaults().boolValue(u"paused"_qs) && !SettingsDefaults().boolValue(u"x"_qs));
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

void TestLinuxPlatform::desktopSettings() {
    QFile file(config(u"kdeglobals"_qs));
    for (int padding : {0, 1024 * 1024}) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[KDE]\nAnimationDurationFactor=0\n[Padding]\nx=" + QByteArray(padding, 'x'));
        file.close();
        // A huge file would stall the panel while parsed: it is not read at all.
        QCOMPARE(LinuxDesktopSettings().reducesMotion(), padding == 0);
    }
    for (const char* theme : {"HighContrast", "highcontrastinverse", "Adwaita:dark"}) {
        const ScopedEnv gtk("GTK_THEME", QByteArray(theme));
        QCOMPARE(LinuxDesktopSettings().prefersHighContrast(), theme[0] != 'A');
    }
}

QTEST_GUILESS_MAIN(TestLinuxPlatform)
#include "tst_linuxplatform.moc"
