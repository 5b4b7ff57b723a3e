#include "ModelRig.h"

#include "Core/Relay/RelayRunner.h"

#include <QSignalSpy>

#include <limits>

using namespace std::chrono_literals;

namespace {
QByteArray lines(std::initializer_list<const char*> events) {
    QByteArray bytes;
    for (const char* event : events)
        bytes += QByteArray(event) + '\n';
    return bytes;
}

// A paired relay whose long-running process behaves as `stream`; started and loaded.
bool startWith(ModelRig& rig, const FakeRelay::Stream& stream,
               const QByteArray& status = pairedStatus) {
    rig.replyStatus(status);
    rig.relay.runStream(stream);
    AppModel& model = rig.make();
    model.start();
    return QTest::qWaitFor([&] { return model.loaded() && !model.isChecking(); }, 10'000);
}

constexpr qint64 most = std::numeric_limits<qint64>::max();
} // namespace

class TestSupervisor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hostileCountsSaturate();
    void timedPauseEnds_data();
    void timedPauseEnds();
    void crashLoopIsExplained_data();
    void crashLoopIsExplained();
};

void TestSupervisor::hostileCountsSaturate() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {
        {0, lines({R"({"event":"synced","jobs":4611686018427387904})",
                   R"({"event":"synced","jobs":4611686018427387904})", R"({"event":"sent"})"})}};
    QVERIFY(startWith(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 3);
    QCOMPARE(model.batch(), std::optional(RelayBatch{1, most}));
}

void TestSupervisor::timedPauseEnds_data() {
    QTest::addColumn<bool>("stored"); // found at start-up rather than chosen while running
    QTest::addColumn<int>("minutesLeft");
    QTest::newRow("chosen, 1 hour") << false << 60;
    QTest::newRow("stored, still ahead") << true << 30;
    QTest::newRow("stored, passed while not running") << true << -5;
}

void TestSupervisor::timedPauseEnds() {
    QFETCH(bool, stored);
    QFETCH(int, minutesLeft);
    ModelRig rig;
    const QDateTime until = rig.fake.clock.now().addSecs(minutesLeft * 60);
    if (stored) {
        rig.fake.defaults.setBool(QStringLiteral("paused"), true);
        rig.fake.defaults.setTime(QStringLiteral("pausedUntil"), until);
    }
    QVERIFY(startWith(rig, {}));
    AppModel& model = *rig.model;
    if (!stored)
        model.pauseUntil(until);
    if (minutesLeft > 0) {
        QCOMPARE(model.phase(), RelayPhase::paused(false, until));
        QVERIFY(!model.runner().wanted());
        rig.advance(std::chrono::minutes(minutesLeft) - 1s);
        QVERIFY(model.userPaused());
        rig.advance(1s);
    }
    QVERIFY(!model.userPaused());
    QCOMPARE(model.pausedUntil(), std::nullopt);
    QVERIFY(!rig.fake.defaults.boolValue(QStringLiteral("paused")));
    QCOMPARE(rig.fake.defaults.timeValue(QStringLiteral("pausedUntil")), std::nullopt);
    QVERIFY(model.runner().wanted());
}

void TestSupervisor::crashLoopIsExplained_data() {
    QTest::addColumn<QByteArray>("printed"); // by each run before it exits
    QTest::addColumn<int>("apart");          // seconds between restarts
    QTest::addColumn<QString>("error");      // after the fifth exit
    const QString loop =
        QStringLiteral("The relay keeps stopping (5 times in 10 minutes). Setup has the details.");
    const QString single = QStringLiteral("The relay stopped (exit 3). Wrenbox restarts it.");
    QTest::newRow("crashing") << QByteArray() << 60 << loop;
    QTest::newRow("syncing in between")
        << lines({R"({"event":"synced","jobs":0})"}) << 60 << single;
    QTest::newRow("spread over 12 minutes") << QByteArray() << 180 << single;
}

void TestSupervisor::crashLoopIsExplained() {
    QFETCH(QByteArray, printed);
    QFETCH(int, apart);
    QFETCH(QString, error);
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, printed}};
    stream.stayAlive = false;
    stream.exitCode = 3;
    stream.err = QByteArray(9000, 'x') + "\ndatabase is locked\n";
    QVERIFY(startWith(rig, stream));
    AppModel& model = *rig.model;
    for (int exits = 1; exits < 5; ++exits) {
        QTRY_COMPARE(model.runner().exits().size(), exits);
        rig.advance(std::chrono::seconds(apart));
    }
    QTRY_COMPARE(model.runner().exits().size(), 5);
    QCOMPARE(model.relayError(), std::optional(error));
    QCOMPARE(model.phase(), RelayPhase::attention(RelayPhase::Attention::relayStopped(error)));
    QCOMPARE(model.runner().exits().last().code, 3);
    QVERIFY(!model.runner().exits().last().signal);

    // Only the end of what the last run wrote, and only in the report.
    QCOMPARE(model.runner().lastStderr().size(), RelayRunner::stderrTailBytes);
    const QString report = model.diagnostics();
    QVERIFY(report.contains(QStringLiteral("\nRecent relay exits\n")));
    QCOMPARE(report.count(QStringLiteral("  exit 3  ran ")), 5);
    QVERIFY(report.endsWith(QStringLiteral("Standard error of the last run:\n") +
                            QString(RelayRunner::stderrTailBytes - 20, QLatin1Char('x')) +
                            QStringLiteral("\ndatabase is locked")));
}

QTEST_GUILESS_MAIN(TestSupervisor)
#include "tst_supervisor.moc"
