// The offer to move the app into the applications folder, over real files in a temporary root.

#include "Core/MoveToApplications.h"
#include "Core/Platform/MoveServices.h"

#include "RelayRig.h"

#include <QDir>

namespace {
// "/Applications" and the home folder live inside the test's root.
class Moves final : public FileMoveServices {
public:
    explicit Moves(const QString& root)
        : m_root(root) {}
    bool offersMove() const override { return offers; }
    QString bundlePath() const override { return bundle; }
    QString systemApplicationsPath() const override { return m_root + u"/Applications"_qs; }
    QString homePath() const override { return m_root + u"/home"_qs; }
    int alert(const QString& message, const QString&, const QStringList& buttons) override {
        log.append(u"alert "_qs + message + u' ' + buttons.join(u'/'));
        return answer;
    }
    void activateApp() override { log.append(u"activate"_qs); }
    void launchNewInstance(const QString& path, std::function<void()> done) override {
        log.append(u"launch "_qs + path);
        launched = std::move(done);
    }
    void stopRelay() override { log.append(u"stop"_qs); }
    void terminate() override { log.append(u"terminate"_qs); }
    std::optional<QString> trash(const QString& path) override {
        log.append(u"trash "_qs + path);
        return FileMoveServices::trash(path);
    }
    std::optional<QString> copy(const QString& from, const QString& to) override {
        log.append(u"copy "_qs + to);
        return FileMoveServices::copy(from, to);
    }
    UserDefaults& defaults() override { return fakeDefaults; }

    bool offers = true;
    QString bundle;
    int answer = 0;
    QStringList log;
    std::function<void()> launched;
    FakeDefaults fakeDefaults;

private:
    QString m_root;
};
} // namespace

class TestMoveToApplications : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void notOffered_data();
    void notOffered();
    void declinedOnce();
    void acceptCopiesLaunchesThenTrashesAndQuits();
    void copyFailureSaysSoAndKeepsRunning();

private:
    QString root() const { return m_dir->path(); }
    QString makeBundle(const QString& at) {
        QDir().mkpath(root() + at + u"/bin"_qs);
        QFile program(root() + at + u"/bin/wrenbox-app"_qs);
        program.open(QIODevice::WriteOnly);
        return root() + at;
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScopedEnv> m_home;
    std::unique_ptr<ScopedEnv> m_data;
    std::unique_ptr<Moves> m_moves;
};

void TestMoveToApplications::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    // The trash lives inside the test's folder, never in the real home.
    m_data.reset(); // the previous test's first: each restores what it found
    m_home.reset();
    m_home = std::make_unique<ScopedEnv>("HOME", (root() + u"/home"_qs).toUtf8());
    m_data =
        std::make_unique<ScopedEnv>("XDG_DATA_HOME", (root() + u"/home/.local/share"_qs).toUtf8());
    QDir().mkpath(root() + u"/Applications"_qs);
    QDir().mkpath(root() + u"/home"_qs);
    m_moves = std::make_unique<Moves>(root());
}

void TestMoveToApplications::notOffered_data() {
    QTest::addColumn<QString>("bundle");
    QTest::addColumn<bool>("offers");
    QTest::addColumn<bool>("asked");
    QTest::newRow("in Applications") << "/Applications/./Wrenbox.app" << true << false;
    QTest::newRow("in the user's Applications")
        << "/home/Applications/Tools/Wrenbox.app" << true << false;
    QTest::newRow("asked before") << "/Downloads/Wrenbox.app" << true << true;
    QTest::newRow("no such offer here") << "/Downloads/Wrenbox.app" << false << false;
}

void TestMoveToApplications::notOffered() {
    QFETCH(QString, bundle);
    QFETCH(bool, offers);
    QFETCH(bool, asked);
    m_moves->bundle = root() + bundle;
    m_moves->offers = offers;
    if (asked)
        m_moves->fakeDefaults.setBool(MoveToApplications::askedKey, true);
    MoveToApplications::offerIfNeeded(*m_moves);
    QVERIFY(m_moves->log.isEmpty());
    QCOMPARE(m_moves->fakeDefaults.contains(MoveToApplications::askedKey), asked);
}

void TestMoveToApplications::declinedOnce() {
    m_moves->bundle = makeBundle(u"/ApplicationsOld/Wrenbox.app"_qs); // a sibling, not inside
    m_moves->answer = 1;
    MoveToApplications::offerIfNeeded(*m_moves);
    MoveToApplications::offerIfNeeded(*m_moves);
    QCOMPARE(m_moves->log, (QStringList{"activate", "alert Move Wrenbox to Applications? Move to "
                                                    "Applications/Not Now"}));
    QVERIFY(m_moves->fakeDefaults.boolValue(MoveToApplications::askedKey));
}

void TestMoveToApplications::acceptCopiesLaunchesThenTrashesAndQuits() {
    const QString bundle = makeBundle(u"/Downloads/Wrenbox.app"_qs);
    const QString destination = root() + u"/Applications/Wrenbox.app"_qs;
    QDir().mkpath(destination + u"/old-version"_qs);
    m_moves->bundle = bundle;
    MoveToApplications::offerIfNeeded(*m_moves);
    QCOMPARE(m_moves->log.mid(2),
             (QStringList{"trash " + destination, "copy " + destination, "launch " + destination}));
    QVERIFY(QFile::exists(destination + u"/bin/wrenbox-app"_qs));
    QVERIFY(!QFile::exists(destination + u"/old-version"_qs));
    QVERIFY(QFile::exists(bundle)); // nothing more until the new copy has launched
    m_moves->launched();
    QCOMPARE(m_moves->log.mid(5), (QStringList{"trash " + bundle, "stop", "terminate"}));
    QVERIFY(QFile::exists(root() +
                          u"/home/.local/share/Trash/files/Wrenbox.app-0001/bin/wrenbox-app"_qs));
}

void TestMoveToApplications::copyFailureSaysSoAndKeepsRunning() {
    m_moves->bundle = makeBundle(u"/Downloads/Wrenbox.app"_qs);
    // A file where the folder should be fails the copy even for root.
    QDir(root() + u"/Applications"_qs).removeRecursively();
    QFile(root() + u"/Applications"_qs).open(QIODevice::WriteOnly);
    MoveToApplications::offerIfNeeded(*m_moves);
    QCOMPARE(m_moves->log.last(), u"alert Wrenbox couldn't move itself "_qs);
    QVERIFY(!m_moves->launched);
    QVERIFY(QFile::exists(m_moves->bundle + u"/bin/wrenbox-app"_qs));
}

QTEST_GUILESS_MAIN(TestMoveToApplications)
#include "tst_movetoapplications.moc"
