#include "Core/MoveToApplications.h"
#include "Core/Platform/MoveServices.h"
#include "FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Alert {
    QString message;
    QString informative;
    QStringList buttons;
};

// Real files in a temporary root: "/Applications" and the home folder live inside it.
class TestMoveServices final : public FileMoveServices {
public:
    explicit TestMoveServices(const QString& root)
        : m_root(root) {}

    bool offersMove() const override { return offers; }
    QString bundlePath() const override { return bundle; }
    QString systemApplicationsPath() const override { return m_root + "/Applications"; }
    QString homePath() const override { return m_root + "/home"; }
    int alert(const QString& message, const QString& informative,
              const QStringList& buttons) override {
        alerts.append({message, informative, buttons});
        return answer;
    }
    void activateApp() override { ++activations; }
    void launchNewInstance(const QString& path, std::function<void()> done) override {
        launched.append(path);
        pendingLaunch = std::move(done);
    }
    void stopRelay() override { log.append(QStringLiteral("stop")); }
    void terminate() override { log.append(QStringLiteral("terminate")); }
    std::optional<QString> trash(const QString& path) override {
        log.append(QStringLiteral("trash ") + path);
        return FileMoveServices::trash(path);
    }
    std::optional<QString> copy(const QString& from, const QString& to) override {
        log.append(QStringLiteral("copy ") + to);
        return FileMoveServices::copy(from, to);
    }
    UserDefaults& defaults() override { return fakeDefaults; }

    bool offers = true;
    QString bundle;
    int answer = 0;
    int activations = 0;
    QList<Alert> alerts;
    QStringList launched;
    QStringList log;
    std::function<void()> pendingLaunch;
    FakeDefaults fakeDefaults;

private:
    QString m_root;
};

void makeBundle(const QString& path) {
    QVERIFY(QDir().mkpath(path + "/bin"));
    QFile program(path + "/bin/wrenbox-app");
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("program");
}
} // namespace

class TestMove : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void neverOfferedInPlace_data();
    void neverOfferedInPlace();
    void siblingFolderIsOffered();
    void notOfferedWhenAlreadyAsked();
    void notOfferedWhereUnsupported();
    void declineSetsFlag();
    void acceptCopiesLaunchesTrashesAndQuits();
    void acceptTrashesExistingCopyFirst();
    void copyFailureShowsAlertAndKeepsRunning();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<TestMoveServices> m_services;
    QString root() const { return m_root->path(); }
};

void TestMove::init() {
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    // The trash lives inside the test's folder, never in the real home.
    qputenv("XDG_DATA_HOME", (root() + "/home/.local/share").toUtf8());
    qputenv("HOME", (root() + "/home").toUtf8());
    QVERIFY(QDir().mkpath(root() + "/Applications"));
    QVERIFY(QDir().mkpath(root() + "/home"));
    m_services = std::make_unique<TestMoveServices>(root());
}

void TestMove::neverOfferedInPlace_data() {
    QTest::addColumn<QString>("bundle");
    QTest::newRow("system Applications") << "/Applications/Wrenbox.app";
    QTest::newRow("user Applications") << "/home/Applications/Wrenbox.app";
    QTest::newRow("deep in user Applications") << "/home/Applications/Tools/Wrenbox.app";
    QTest::newRow("unclean path") << "/Applications/./Wrenbox.app";
}

void TestMove::neverOfferedInPlace() {
    QFETCH(QString, bundle);
    m_services->bundle = root() + bundle;
    MoveToApplications::offerIfNeeded(*m_services);
    QVERIFY(m_services->alerts.isEmpty());
    QVERIFY(!m_services->fakeDefaults.contains(MoveToApplications::askedKey));
    QCOMPARE(m_services->activations, 0);
}

void TestMove::siblingFolderIsOffered() {
    m_services->bundle = root() + "/ApplicationsOld/Wrenbox.app";
    makeBundle(m_services->bundle);
    m_services->answer = 1; // Not Now
    MoveToApplications::offerIfNeeded(*m_services);
    QCOMPARE(m_services->alerts.size(), 1);
    const Alert& offer = m_services->alerts.first();
    QCOMPARE(offer.message, QStringLiteral("Move Wrenbox to Applications?"));
    QCOMPARE(offer.informative,
             QStringLiteral("Wrenbox works best from your Applications folder: macOS finds it "
                            "there for Full Disk Access and for starting at login."));
    QCOMPARE(offer.buttons, (QStringList{"Move to Applications", "Not Now"}));
    QCOMPARE(m_services->activations, 1);
}

void TestMove::notOfferedWhenAlreadyAsked() {
    m_services->bundle = root() + "/Downloads/Wrenbox.app";
    m_services->fakeDefaults.setBool(MoveToApplications::askedKey, true);
    MoveToApplications::offerIfNeeded(*m_services);
    QVERIFY(m_services->alerts.isEmpty());
}

void TestMove::notOfferedWhereUnsupported() {
    m_services->offers = false;
    m_services->bundle = root() + "/Downloads/Wrenbox.app";
    MoveToApplications::offerIfNeeded(*m_services);
    QVERIFY(m_services->alerts.isEmpty());
    QVERIFY(!m_services->fakeDefaults.contains(MoveToApplications::askedKey));
}

void TestMove::declineSetsFlag() {
    m_services->bundle = root() + "/Downloads/Wrenbox.app";
    makeBundle(m_services->bundle);
    m_services->answer = 1;
    MoveToApplications::offerIfNeeded(*m_services);
    QCOMPARE(m_services->alerts.size(), 1);
    QVERIFY(m_services->fakeDefaults.boolValue(MoveToApplications::askedKey));
    QVERIFY(m_services->log.isEmpty());
    QVERIFY(m_services->launched.isEmpty());

    // The next launch asks nothing.
    MoveToApplications::offerIfNeeded(*m_services);
    QCOMPARE(m_services->alerts.size(), 1);
}

void TestMove::acceptCopiesLaunchesTrashesAndQuits() {
    const QString bundle = root() + "/Downloads/Wrenbox.app";
    const QString destination = root() + "/Applications/Wrenbox.app";
    m_services->bundle = bundle;
    makeBundle(bundle);
    MoveToApplications::offerIfNeeded(*m_services);

    QCOMPARE(m_services->alerts.size(), 1);
    QVERIFY(QFile::exists(destination + "/bin/wrenbox-app"));
    QCOMPARE(m_services->launched, QStringList{destination});
    QCOMPARE(m_services->log, QStringList{"copy " + destination});
    // Nothing more happens until the launch completes.
    QVERIFY(QFile::exists(bundle));
    QVERIFY(m_services->pendingLaunch);

    m_services->pendingLaunch();
    QCOMPARE(m_services->log,
             (QStringList{"copy " + destination, "trash " + bundle, "stop", "terminate"}));
    QVERIFY(!QFile::exists(bundle));
    QVERIFY(QFile::exists(root() + "/home/.local/share/Trash/files/Wrenbox.app/bin/wrenbox-app"));
}

void TestMove::acceptTrashesExistingCopyFirst() {
    const QString bundle = root() + "/Downloads/Wrenbox.app";
    const QString destination = root() + "/Applications/Wrenbox.app";
    m_services->bundle = bundle;
    makeBundle(bundle);
    QVERIFY(QDir().mkpath(destination + "/old-version"));
    MoveToApplications::offerIfNeeded(*m_services);

    QCOMPARE(m_services->log, (QStringList{"trash " + destination, "copy " + destination}));
    QVERIFY(!QFile::exists(destination + "/old-version"));
    QVERIFY(QFile::exists(destination + "/bin/wrenbox-app"));
    QCOMPARE(m_services->launched, QStringList{destination});
}

void TestMove::copyFailureShowsAlertAndKeepsRunning() {
    const QString bundle = root() + "/Downloads/Wrenbox.app";
    m_services->bundle = bundle;
    makeBundle(bundle);
    // A file where the folder should be fails the copy even for root, unlike a read-only folder.
    QVERIFY(QDir(root() + "/Applications").removeRecursively());
    QFile blocker(root() + "/Applications");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MoveToApplications::offerIfNeeded(*m_services);

    QCOMPARE(m_services->alerts.size(), 2);
    const Alert& failure = m_services->alerts.last();
    QCOMPARE(failure.message, QStringLiteral("Wrenbox couldn't move itself"));
    QCOMPARE(failure.informative, QStringLiteral("Drag Wrenbox into your Applications folder in "
                                                 "Finder, then open it from there."));
    QVERIFY(failure.buttons.isEmpty());
    QVERIFY(m_services->launched.isEmpty());
    QVERIFY(!m_services->log.contains("terminate"));
    QVERIFY(QFile::exists(bundle + "/bin/wrenbox-app"));
}

QTEST_GUILESS_MAIN(TestMove)
#include "tst_move.moc"
