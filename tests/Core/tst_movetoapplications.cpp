// The offer to move the app into the applications folder, over real files in a temporary root.

#include "Core/MoveToApplications.h"
#include "Core/Platform/MoveServices.h"

#include "RelayRig.h"

#include <QDir>

namespace {
// "/Applications" and the home folder (with its trash) live inside a temporary root; every
// request is logged.
class Moves final : public FileMoveServices {
public:
    Moves() {
        QDir().mkpath(root + u"/Applications"_qs);
        QDir().mkpath(root + u"/home"_qs);
    }
    bool offersMove() const override { return offers; }
    QString bundlePath() const override { return bundle; }
    QString systemApplicationsPath() const override { return root + u"/Applications"_qs; }
    QString homePath() const override { return root + u"/home"_qs; }
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
    // A bundle with its program at `at` under the root.
    QString makeBundle(const QString& at) {
        QDir().mkpath(root + at + u"/bin"_qs);
        QFile(root + at + u"/bin/wrenbox-app"_qs).open(QIODevice::WriteOnly);
        return bundle = root + at;
    }

    QTemporaryDir dir;
    const QString root = dir.path();
    ScopedEnv home{"HOME", QFile::encodeName(root + u"/home"_qs)};
    ScopedEnv data{"XDG_DATA_HOME", QFile::encodeName(root + u"/home/.local/share"_qs)};
    bool offers = true;
    QString bundle;
    int answer = 0;
    QStringList log;
    std::function<void()> launched;
    FakeDefaults fakeDefaults;
};
} // namespace

class TestMoveToApplications : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void offeredOnceFromElsewhere_data() { addRows("Core/moves.txt"); }

    void offeredOnceFromElsewhere() {
        QFETCH(QByteArrayList, row);
        const bool askedBefore = row[3] == "yes", asks = row[4] == "yes";
        Moves moves;
        moves.makeBundle(QString::fromUtf8(row[1]));
        moves.offers = row[2] == "yes";
        moves.answer = 1;
        if (askedBefore)
            moves.fakeDefaults.setBool(MoveToApplications::askedKey, true);
        MoveToApplications::offerIfNeeded(moves);
        MoveToApplications::offerIfNeeded(moves);
        QCOMPARE(moves.log,
                 (asks ? QStringList{"activate", "alert Move Wrenbox to Applications? Move to "
                                                 "Applications/Not Now"}
                       : QStringList{}));
        QCOMPARE(moves.fakeDefaults.values.contains(MoveToApplications::askedKey),
                 asks || askedBefore);
    }

    void acceptCopiesLaunchesThenTrashesAndQuits() {
        Moves moves;
        const QString bundle = moves.makeBundle(u"/Downloads/Wrenbox.app"_qs);
        const QString destination = moves.root + u"/Applications/Wrenbox.app"_qs;
        QDir().mkpath(destination + u"/old-version"_qs);
        MoveToApplications::offerIfNeeded(moves);
        QCOMPARE(moves.log.mid(2), (QStringList{"trash " + destination, "copy " + destination,
                                                "launch " + destination}));
        QVERIFY(QFile::exists(destination + u"/bin/wrenbox-app"_qs));
        QVERIFY(!QFile::exists(destination + u"/old-version"_qs));
        QVERIFY(QFile::exists(bundle)); // nothing more until the new copy has launched
        moves.launched();
        QCOMPARE(moves.log.mid(5), (QStringList{"trash " + bundle, "stop", "terminate"}));
        QVERIFY(QFile::exists(
            moves.root + u"/home/.local/share/Trash/files/Wrenbox.app-0001/bin/wrenbox-app"_qs));

        // A file where the folder should be fails the copy, even for root: it says so and stays.
        Moves failing;
        failing.makeBundle(u"/Downloads/Wrenbox.app"_qs);
        QDir(failing.root + u"/Applications"_qs).removeRecursively();
        QFile(failing.root + u"/Applications"_qs).open(QIODevice::WriteOnly);
        MoveToApplications::offerIfNeeded(failing);
        QCOMPARE(failing.log.last(), u"alert Wrenbox couldn't move itself "_qs);
        QVERIFY(!failing.launched && QFile::exists(failing.bundle + u"/bin/wrenbox-app"_qs));
    }
};

QTEST_GUILESS_MAIN(TestMoveToApplications)
#include "tst_movetoapplications.moc"
