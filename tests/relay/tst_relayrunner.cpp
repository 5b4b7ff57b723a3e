#include "Core/Relay/RelayRunner.h"
#include "Platform/Linux/LinuxProcessControl.h"

#include "FakePlatform.h"
#include "FakeRelay.h"
#include "ManualClock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

// Declared ahead of the helpers: moc cannot read the raw JSON strings below.
class TestRelayRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsOutputIntoLines_data();
    void splitsOutputIntoLines();
    void decodesAChunkedStreamFromTheRelay();
    void stampsEventsWithoutTimeWithTheClock();
    void lineLengthLimit_data();
    void lineLengthLimit();
    void dropsAnOverlongLineArrivingInPieces();
    void passesDryRun_data();
    void passesDryRun();
    void restartPausesDouble();
    void onlySyncedOrSentResetThePause();
    void status78StopsForGood();
    void stopTerminatesAndStillReportsTheExit();
    void stopThenStartIgnoresTheOldExit();
    void startWhileARestartIsPendingLaunchesAtOnce();
    void killsARelayThatIgnoresTermination();
    void stopTakesTheWholeProcessGroup();
    void destructionLeavesNoRelay_data();
    void destructionLeavesNoRelay();
    void missingRelayReportsOnceWithoutRestart();
    void launchFailureReportsAndRestarts();
    void manualClockFiresInDueOrder();
    void stoppedRelaysOutputIsIgnored();
    void leavesNothingBehind_data();
    void leavesNothingBehind();
};

namespace {

QByteArray line(const char* kind, const char* id = nullptr) {
    QByteArray text = QByteArray(R"({"event":")") + kind + '"';
    if (id)
        text += QByteArray(R"(,"id":")") + id + '"';
    return text + "}\n";
}

// One runner on the fake relay and a manual clock, with everything it reported.
struct Rig {
    explicit Rig(bool dryRun = false, QString helper = {})
        : runner(helper.isEmpty() ? fake.helperPath() : helper, dryRun, clock, processes) {
        runner.onEvent = [this](const RelayEvent& event) { events.append(event); };
        runner.onExit = [this](int status) { exits.append(status); };
    }

    QStringList ids() const {
        QStringList result;
        for (const RelayEvent& event : events)
            result.append(event.messageID.value_or(QStringLiteral("-")));
        return result;
    }
    qsizetype launches() const { return fake.calls().size(); }

    FakeRelay fake;
    ManualClock clock;
    FakeProcessControl processes;
    QList<RelayEvent> events;
    QList<int> exits;
    RelayRunner runner;
};

FakeRelay::Stream exitingAt(int exitCode, QByteArray output = {}) {
    FakeRelay::Stream stream;
    if (!output.isEmpty())
        stream.chunks.append({0, output});
    stream.stayAlive = false;
    stream.exitCode = exitCode;
    return stream;
}

// Stays up after announcing itself, so the test knows its signal handling is in place.
FakeRelay::Stream stayingUp() {
    FakeRelay::Stream stream;
    stream.chunks.append({0, line("started")});
    return stream;
}

const QStringList runArguments{"relay", "run", "--events", "json"};

} // namespace

void TestRelayRunner::splitsOutputIntoLines_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<int>>("eventsAfterEach");
    QTest::addColumn<QStringList>("ids");

    const QByteArray a = line("sent", "a");
    QTest::newRow("line split in two")
        << QList<QByteArray>{a.left(10), a.mid(10)} << QList<int>{0, 1} << QStringList{"a"};
    QTest::newRow("three lines in one chunk")
        << QList<QByteArray>{line("sent", "a") + line("failed", "b") + line("received", "c")}
        << QList<int>{3} << QStringList{"a", "b", "c"};
    QTest::newRow("empty lines") << QList<QByteArray>{"\n" + line("sent", "a") + "\n\n" +
                                                      line("sent", "b")}
                                 << QList<int>{2} << QStringList{"a", "b"};
    QTest::newRow("garbage between good lines")
        << QList<QByteArray>{line("sent", "a") + "not json\n" + R"({"id":"x"})" + "\n" +
                             line("sent", "b")}
        << QList<int>{2} << QStringList{"a", "b"};
    QTest::newRow("carriage return is white space")
        << QList<QByteArray>{QByteArray(R"({"event":"sent","id":"a"})") + "\r\n"} << QList<int>{1}
        << QStringList{"a"};
    QTest::newRow("no line feed yet")
        << QList<QByteArray>{line("sent", "a").chopped(1)} << QList<int>{0} << QStringList{};
    QTest::newRow("line feed alone completes the line")
        << QList<QByteArray>{line("sent", "a").chopped(1), "\n"} << QList<int>{0, 1}
        << QStringList{"a"};
    QTest::newRow("empty chunk ignored")
        << QList<QByteArray>{line("sent", "a").left(5), {}, line("sent", "a").mid(5)}
        << QList<int>{0, 0, 1} << QStringList{"a"};
    QTest::newRow("byte by byte") << [&] {
        QList<QByteArray> bytes;
        for (const char c : line("sent", "a") + line("sent", "b"))
            bytes.append(QByteArray(1, c));
        return bytes;
    }() << QList<int>{} << QStringList{"a", "b"};
}

void TestRelayRunner::splitsOutputIntoLines() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<int>, eventsAfterEach);
    QFETCH(QStringList, ids);
    Rig rig;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        rig.runner.consume(chunks[i]);
        if (i < eventsAfterEach.size())
            QCOMPARE(rig.events.size(), eventsAfterEach[i]);
    }
    QCOMPARE(rig.ids(), ids);
}

void TestRelayRunner::decodesAChunkedStreamFromTheRelay() {
    Rig rig;
    FakeRelay::Stream stream;
    const QByteArray both = line("sent", "a") + R"({"event":"synced","jobs":3})" + "\n";
    // The pause makes the relay's output reach us as two reads, the second line cut in two.
    stream.chunks = {{0, both.left(both.size() - 8)}, {100, both.right(8)}};
    stream.stayAlive = false;
    stream.exitCode = 0;
    rig.fake.runStream(stream);
    rig.runner.start();
    QTRY_COMPARE(rig.exits, QList<int>{0});
    QCOMPARE(rig.events.size(), 2);
    QCOMPARE(rig.events[0].kind, RelayEvent::Kind::Sent);
    QCOMPARE(rig.events[0].messageID, std::optional<QString>("a"));
    QCOMPARE(rig.events[1].kind, RelayEvent::Kind::Synced);
    QCOMPARE(rig.events[1].jobs, std::optional<qint64>(3));
}

void TestRelayRunner::stampsEventsWithoutTimeWithTheClock() {
    Rig rig;
    rig.clock.advance(90min);
    rig.runner.consume(line("started") + R"({"event":"sent","at":"2024-05-01T10:00:00Z"})" + "\n");
    QCOMPARE(rig.events.size(), 2);
    QCOMPARE(rig.events[0].at, rig.clock.now());
    QCOMPARE(rig.events[1].at, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
}

void TestRelayRunner::lineLengthLimit_data() {
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<bool>("decoded");
    QTest::newRow("at the limit") << RelayRunner::maxLineBytes << true;
    QTest::newRow("one byte over") << RelayRunner::maxLineBytes + 1 << false;
}

void TestRelayRunner::lineLengthLimit() {
    QFETCH(qsizetype, length);
    QFETCH(bool, decoded);
    Rig rig;
    QByteArray big = R"({"event":"sent","id":"big"})";
    big.insert(1, QByteArray(length - big.size(), ' '));
    QCOMPARE(big.size(), length);
    rig.runner.consume(big + '\n' + line("sent", "after"));
    QCOMPARE(rig.ids(), (decoded ? QStringList{"big", "after"} : QStringList{"after"}));
}

void TestRelayRunner::dropsAnOverlongLineArrivingInPieces() {
    Rig rig;
    rig.runner.consume(line("sent", "before") + R"({"event":"sent","id":"big",)");
    const QByteArray piece(64 * 1024, ' ');
    for (int i = 0; i < 20; ++i) // 1.25 MiB without a line feed
        rig.runner.consume(piece);
    rig.runner.consume(R"("x":1})" + QByteArray("\n") + line("sent", "after").left(7));
    rig.runner.consume(line("sent", "after").mid(7));
    QCOMPARE(rig.ids(), (QStringList{"before", "after"}));
}

void TestRelayRunner::passesDryRun_data() {
    QTest::addColumn<bool>("dryRun");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("normal") << false << runArguments;
    QTest::newRow("dry run") << true << runArguments + QStringList{"--dry-run"};
}

void TestRelayRunner::passesDryRun() {
    QFETCH(bool, dryRun);
    QFETCH(QStringList, arguments);
    Rig rig(dryRun);
    rig.fake.runStream(exitingAt(0));
    rig.runner.start();
    QTRY_COMPARE(rig.exits.size(), 1);
    QCOMPARE(rig.fake.calls(), QList<QStringList>{arguments});
}

void TestRelayRunner::restartPausesDouble() {
    Rig rig;
    rig.fake.runStream(exitingAt(0));
    rig.runner.start();
    const QList<int> pauses{1, 2, 4, 8, 16, 32, 60, 60, 60};
    for (qsizetype i = 0; i < pauses.size(); ++i) {
        QTRY_COMPARE(rig.exits.size(), i + 1);
        QVERIFY(rig.runner.restartPending());
        const auto pause = std::chrono::milliseconds(std::chrono::seconds(pauses[i]));
        QCOMPARE(rig.clock.nextDue(), std::optional(pause));
        rig.clock.advance(pause - 1ms);
        QVERIFY(!rig.runner.process());
        rig.clock.advance(1ms);
        QVERIFY(rig.runner.process());
    }
    QTRY_COMPARE(rig.launches(), pauses.size() + 1);
}

void TestRelayRunner::onlySyncedOrSentResetThePause() {
    Rig rig;
    auto runOnce = [&](std::chrono::milliseconds expectedPause) {
        const qsizetype before = rig.exits.size();
        if (before > 0)
            rig.clock.advance(*rig.clock.nextDue());
        if (!QTest::qWaitFor([&] { return rig.exits.size() == before + 1; }, 5000))
            return false;
        return rig.clock.nextDue() == std::optional(expectedPause);
    };
    rig.fake.runStream(exitingAt(1));
    rig.runner.start();
    QVERIFY(runOnce(1s));
    QVERIFY(runOnce(2s));
    QVERIFY(runOnce(4s));
    // "started" is no sign of a useful run.
    rig.fake.runStream(exitingAt(1, line("started") + line("error")));
    QVERIFY(runOnce(8s));
    rig.fake.runStream(exitingAt(1, line("sent", "a")));
    QVERIFY(runOnce(1s));
    rig.fake.runStream(exitingAt(1));
    QVERIFY(runOnce(2s));
    rig.fake.runStream(exitingAt(1, R"({"event":"synced","jobs":0})" + QByteArray("\n")));
    QVERIFY(runOnce(1s));
}

void TestRelayRunner::status78StopsForGood() {
    Rig rig;
    rig.fake.runStream(exitingAt(RelayRunner::stoppedForGood));
    rig.runner.start();
    QTRY_COMPARE(rig.exits, QList<int>{78});
    QVERIFY(!rig.runner.wanted());
    QVERIFY(!rig.runner.restartPending());
    QCOMPARE(rig.clock.pendingTimers(), 0);

    rig.fake.runStream(stayingUp());
    rig.runner.start();
    QVERIFY(rig.runner.isRunning());
    QTRY_COMPARE(rig.launches(), 2);
    rig.runner.stop();
}

void TestRelayRunner::stopTerminatesAndStillReportsTheExit() {
    Rig rig;
    rig.fake.runStream(stayingUp());
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    QCOMPARE(rig.fake.livePids().size(), 1);

    rig.runner.stop();
    QVERIFY(!rig.runner.process());
    QTRY_COMPARE(rig.exits, QList<int>{15});
    QVERIFY(rig.fake.livePids().isEmpty());
    QVERIFY(!rig.runner.restartPending());
    QCOMPARE(rig.clock.pendingTimers(), 0); // the kill deadline went with the process
    QCOMPARE(rig.launches(), 1);
}

void TestRelayRunner::stopThenStartIgnoresTheOldExit() {
    Rig rig;
    FakeRelay::Stream stream = stayingUp();
    stream.termExitCode = 0;
    rig.fake.runStream(stream);
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    QProcess* old = rig.runner.process();
    QSignalSpy oldFinished(old, &QProcess::finished);

    rig.runner.stop();
    rig.runner.start();
    QVERIFY(rig.runner.process() != old);
    QVERIFY(oldFinished.wait());
    QCOMPARE(rig.exits, QList<int>{});
    QVERIFY(rig.runner.isRunning());
    QVERIFY(!rig.runner.restartPending());
    QTRY_COMPARE(rig.events.size(), 2); // the new relay's "started"
    QCOMPARE(rig.launches(), 2);
    rig.runner.stop();
    QTRY_COMPARE(rig.exits, QList<int>{0});
}

void TestRelayRunner::startWhileARestartIsPendingLaunchesAtOnce() {
    Rig rig;
    rig.fake.runStream(exitingAt(0));
    rig.runner.start();
    QTRY_COMPARE(rig.exits.size(), 1);
    QVERIFY(rig.runner.restartPending());

    rig.fake.runStream(stayingUp());
    rig.runner.start();
    QProcess* relaunched = rig.runner.process();
    QVERIFY(relaunched);
    QVERIFY(!rig.runner.restartPending());
    rig.clock.advance(2min);
    QCOMPARE(rig.runner.process(), relaunched);
    QTRY_COMPARE(rig.events.size(), 1);
    QCOMPARE(rig.launches(), 2);
    QCOMPARE(rig.fake.livePids().size(), 1);
}

void TestRelayRunner::killsARelayThatIgnoresTermination() {
    Rig rig;
    FakeRelay::Stream stream = stayingUp();
    stream.ignoreTerm = true;
    rig.fake.runStream(stream);
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    QSignalSpy finished(rig.runner.process(), &QProcess::finished);

    rig.runner.stop();
    QCOMPARE(rig.clock.nextDue(), std::optional(std::chrono::milliseconds(5s)));
    rig.clock.advance(4999ms);
    QVERIFY(!finished.wait(200));
    QCOMPARE(rig.fake.livePids().size(), 1);
    rig.clock.advance(1ms);
    QTRY_COMPARE(rig.exits, QList<int>{9});
    QVERIFY(rig.fake.livePids().isEmpty());
}

void TestRelayRunner::stopTakesTheWholeProcessGroup() {
    Rig rig;
    FakeRelay::Stream stream = stayingUp();
    stream.spawnGrandchild = true;
    rig.fake.runStream(stream);
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    QCOMPARE(rig.fake.livePids().size(), 2);

    rig.runner.stop();
    QTRY_COMPARE(rig.exits.size(), 1);
    QTRY_VERIFY(rig.fake.livePids().isEmpty());
}

void TestRelayRunner::destructionLeavesNoRelay_data() {
    QTest::addColumn<bool>("ignoreTerm");
    QTest::addColumn<bool>("alreadyStopped");
    QTest::newRow("running") << false << false;
    QTest::newRow("ignores termination") << true << false;
    QTest::newRow("stopped, not yet exited") << true << true;
}

void TestRelayRunner::destructionLeavesNoRelay() {
    QFETCH(bool, ignoreTerm);
    QFETCH(bool, alreadyStopped);
    FakeRelay fake;
    ManualClock clock;
    FakeProcessControl groups;
    FakeRelay::Stream stream = stayingUp();
    stream.ignoreTerm = ignoreTerm;
    stream.spawnGrandchild = true;
    fake.runStream(stream);
    int events = 0;
    int exits = 0;
    auto runner = std::make_unique<RelayRunner>(fake.helperPath(), false, clock, groups);
    runner->onEvent = [&](const RelayEvent&) { ++events; };
    runner->onExit = [&](int) { ++exits; };
    runner->start();
    QTRY_COMPARE(events, 1);
    QCOMPARE(fake.livePids().size(), 2);
    if (alreadyStopped)
        runner->stop();

    runner.reset();
    QCOMPARE(exits, 0); // nobody is told about a runner that is gone
    QTRY_VERIFY_WITH_TIMEOUT(fake.livePids().isEmpty(), 2000);
    QCOMPARE(clock.pendingTimers(), 0);
}

void TestRelayRunner::missingRelayReportsOnceWithoutRestart() {
    QTemporaryDir dir;
    Rig rig(false, dir.filePath("wrenbox"));
    rig.runner.start();
    QCOMPARE(rig.events.size(), 1);
    QCOMPARE(rig.events[0].kind, RelayEvent::Kind::Error);
    QCOMPARE(
        rig.events[0].message,
        std::optional<QString>("The relay inside Wrenbox is missing. Download Wrenbox again."));
    QCOMPARE(rig.events[0].at, rig.clock.now());
    QVERIFY(!rig.events[0].jobs && !rig.events[0].messageID && !rig.events[0].error);
    QVERIFY(rig.runner.wanted());
    QCOMPARE(rig.clock.pendingTimers(), 0);
    rig.clock.advance(10min);
    QCOMPARE(rig.events.size(), 1);

    rig.runner.start(); // tries again
    QCOMPARE(rig.events.size(), 2);
}

void TestRelayRunner::launchFailureReportsAndRestarts() {
    QTemporaryDir dir;
    const QString helper = dir.filePath("wrenbox");
    const QString platformText = FakeRelay::writeUnlaunchable(helper);
    QVERIFY(!platformText.isEmpty());

    Rig rig(false, helper);
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    QCOMPARE(rig.events[0].kind, RelayEvent::Kind::Error);
    QCOMPARE(rig.events[0].message, std::optional<QString>(platformText));
    QVERIFY(!rig.runner.process());
    QCOMPARE(rig.clock.nextDue(), std::optional(std::chrono::milliseconds(1s)));
    rig.clock.advance(1s);
    QTRY_COMPARE(rig.events.size(), 2);
    QCOMPARE(rig.clock.nextDue(), std::optional(std::chrono::milliseconds(2s)));
    QVERIFY(rig.exits.isEmpty());
}

void TestRelayRunner::manualClockFiresInDueOrder() {
    ManualClock clock;
    QObject owner;
    QStringList fired;
    auto at = [&](std::chrono::milliseconds due, const QString& name) {
        ClockTimer* timer = clock.startTimer(due, &owner);
        connect(timer, &ClockTimer::finished, &owner,
                [&, name](bool elapsed) { fired.append(name + (elapsed ? "" : " cancelled")); });
        return timer;
    };
    at(300ms, "c");
    at(100ms, "a");
    ClockTimer* chained = at(200ms, "b");
    connect(chained, &ClockTimer::finished, &owner, [&] {
        at(50ms, "b+50"); // due at 250 ms: inside the span
        at(900ms, "late");
    });
    ClockTimer* cancelled = at(150ms, "x");
    cancelled->cancel();
    const QDateTime start = clock.now();

    QCOMPARE(clock.nextDue(), std::optional(std::chrono::milliseconds(100ms)));
    clock.advance(300ms);
    QCOMPARE(fired, (QStringList{"x cancelled", "a", "b", "b+50", "c"}));
    QCOMPARE(clock.now(), start.addMSecs(300));
    QCOMPARE(clock.pendingTimers(), 1);
    QCOMPARE(clock.nextDue(), std::optional(std::chrono::milliseconds(800ms)));
}

void TestRelayRunner::stoppedRelaysOutputIsIgnored() {
    Rig rig;
    // Goes on printing after being asked to stop, in the same read and in a later one.
    FakeRelay::Stream stream = exitingAt(0, line("started") + line("sent", "a"));
    stream.chunks.append({100, line("sent", "b")});
    stream.ignoreTerm = true;
    rig.fake.runStream(stream);
    rig.runner.onEvent = [&rig](const RelayEvent& event) {
        rig.events.append(event);
        rig.runner.stop();
    };
    rig.runner.start();
    QTRY_COMPARE(rig.exits, QList<int>{0}); // all its output has been read by now
    QCOMPARE(rig.ids(), QStringList{"-"});
}

void TestRelayRunner::leavesNothingBehind_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("ownSession");
    QTest::newRow("crash, child in its group") << "crash" << false;
    QTest::newRow("crash, child in its own session") << "crash" << true;
    QTest::newRow("stop, child in its own session") << "stop" << true;
    QTest::newRow("quit, child in its own session") << "quit" << true;
}

void TestRelayRunner::leavesNothingBehind() {
    QFETCH(QString, ending);
    QFETCH(bool, ownSession);
    LinuxProcessControl processes;
    processes.adoptOrphans(); // as the app does at start-up
    FakeRelay fake;
    ManualClock clock;
    FakeRelay::Stream stream = ending == "crash" ? exitingAt(3, line("started")) : stayingUp();
    stream.spawnGrandchild = true;
    stream.grandchildOwnSession = ownSession;
    fake.runStream(stream);
    int events = 0;
    int exits = 0;
    auto runner = std::make_unique<RelayRunner>(fake.helperPath(), false, clock, processes);
    runner->onEvent = [&](const RelayEvent&) { ++events; };
    runner->onExit = [&](int) { ++exits; };
    runner->start();
    QTRY_COMPARE(events, 1);
    // The relay and its child were both started (the child before "started" was printed).
    QCOMPARE(QDir(fake.dir() + "/pids").entryList(QDir::Files).size(), 2);

    if (ending == "stop")
        runner->stop();
    if (ending == "quit")
        runner.reset();
    else
        QTRY_COMPARE(exits, 1);
    QTRY_VERIFY_WITH_TIMEOUT(fake.livePids().isEmpty(), 2000);
}

QTEST_GUILESS_MAIN(TestRelayRunner)
#include "tst_relayrunner.moc"
