// The long-running relay's supervisor, over real fake-relay processes and the manual clock.

#include "Core/Relay/RelayRunner.h"
#include "Platform/Linux/LinuxProcessControl.h"

#include "RelayRig.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace std::chrono_literals;

// Declared ahead of the helpers: moc cannot read the raw JSON strings below.
class TestRelayRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsOutputIntoLines_data();
    void splitsOutputIntoLines();
    void readsTheRelaysStream_data();
    void readsTheRelaysStream();
    void restartPausesDoubleUpToAMinute();
    void onlySyncedOrSentResetThePause();
    void stopTerminatesTheGroupAndReportsTheExit();
    void stopThenStartIgnoresTheOldExit();
    void killsARelayThatIgnoresTermination();
    void destructionLeavesNoRelay_data();
    void destructionLeavesNoRelay();
    void missingOrUnlaunchableRelay();
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

FakeRelay::Stream exiting(int exitCode, const QByteArray& output = {}) {
    FakeRelay::Stream stream;
    if (!output.isEmpty())
        stream.chunks.append({0, output});
    stream.stayAlive = false;
    stream.exitCode = exitCode;
    return stream;
}

// Stays up after announcing itself, so the test knows its signal handling is in place.
FakeRelay::Stream stayingUp(bool ignoreTerm = false, bool grandchild = false) {
    FakeRelay::Stream stream;
    stream.chunks.append({0, line("started")});
    stream.ignoreTerm = ignoreTerm;
    stream.spawnGrandchild = grandchild;
    return stream;
}

// One runner on the fake relay and the manual clock, with everything it reported.
struct Runner {
    explicit Runner(bool dryRun = false, const QString& helper = {})
        : runner(helper.isEmpty() ? fake.helperPath() : helper, dryRun, clock) {
        runner.onEvent = [this](const RelayEvent& event) { events.append(event); };
        runner.onExit = [this](int status) { exits.append(status); };
    }
    QStringList ids() const {
        QStringList result;
        for (const RelayEvent& event : events)
            result.append(event.messageID.value_or(u"-"_qs));
        return result;
    }
    FakeRelay fake;
    ManualClock clock;
    QList<RelayEvent> events;
    QList<int> exits;
    RelayRunner runner;
};
} // namespace

void TestRelayRunner::splitsOutputIntoLines_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("ids");
    const QByteArray a = line("sent", "a");
    const QByteArray big(RelayRunner::maxLineBytes - 27, ' ');
    QTest::newRow("line split in two")
        << QList<QByteArray>{a.left(10), {}, a.mid(10)} << QStringList{"a"};
    QTest::newRow("lines, blanks and garbage in one chunk")
        << QList<QByteArray>{"\n" + a + "not json\n{\"id\":\"x\"}\n\r\n" + line("failed", "b")}
        << QStringList{"a", "b"};
    QTest::newRow("no line feed yet") << QList<QByteArray>{a.chopped(1)} << QStringList{};
    QTest::newRow("a line at the limit")
        << QList<QByteArray>{"{" + big + R"("event":"sent","id":"big"})" + "\n" + a}
        << QStringList{"big", "a"};
    QTest::newRow("one byte over the limit")
        << QList<QByteArray>{"{ " + big + R"("event":"sent","id":"big"})" + "\n" + a}
        << QStringList{"a"};
    QList<QByteArray> pieces{line("sent", "before") + R"({"event":"sent","id":"big",)"};
    for (int i = 0; i < 20; ++i) // 1.25 MiB without a line feed
        pieces.append(QByteArray(64 * 1024, ' '));
    pieces += {R"("x":1})" + QByteArray("\n") + a.left(7), a.mid(7)};
    QTest::newRow("an over-long line in pieces") << pieces << QStringList{"before", "a"};
}

void TestRelayRunner::splitsOutputIntoLines() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, ids);
    Runner rig;
    for (const QByteArray& chunk : std::as_const(chunks))
        rig.runner.consume(chunk);
    QCOMPARE(rig.ids(), ids);
}

void TestRelayRunner::readsTheRelaysStream_data() {
    QTest::addColumn<bool>("dryRun");
    QTest::newRow("normal") << false;
    QTest::newRow("dry run") << true;
}

void TestRelayRunner::readsTheRelaysStream() {
    QFETCH(bool, dryRun);
    Runner rig(dryRun);
    rig.clock.advance(90min);
    const QByteArray both = line("sent", "a") + R"({"event":"synced","at":"2024-05-01T10:00:00Z"})";
    // The pause makes the output arrive as two reads, the second line cut in two.
    FakeRelay::Stream stream = exiting(0);
    stream.chunks = {{0, both.left(both.size() - 8)}, {100, both.right(8) + "\n"}};
    rig.fake.runStream(stream);
    rig.runner.start();
    QTRY_COMPARE(rig.exits, QList<int>{0});
    QCOMPARE(rig.fake.calls(),
             QList<QStringList>{runArgs + (dryRun ? QStringList{"--dry-run"} : QStringList{})});
    QCOMPARE(rig.ids(), (QStringList{"a", "-"}));
    QCOMPARE(rig.events[0].at, rig.clock.now()); // stamped by the clock when it has no time
    QCOMPARE(rig.events[1].at, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
}

void TestRelayRunner::restartPausesDoubleUpToAMinute() {
    Runner rig;
    rig.fake.runStream(exiting(0));
    rig.runner.start();
    const QList<int> pauses{1, 2, 4, 8, 16, 32, 60, 60};
    for (qsizetype i = 0; i < pauses.size(); ++i) {
        QTRY_COMPARE(rig.exits.size(), i + 1);
        QVERIFY(rig.runner.restartPending());
        const std::chrono::milliseconds pause = std::chrono::seconds(pauses[i]);
        QCOMPARE(rig.clock.nextDue(), std::optional(pause));
        rig.clock.advance(pause - 1ms);
        QVERIFY(!rig.runner.process());
        rig.clock.advance(1ms);
        QVERIFY(rig.runner.process());
    }
    // Started while a restart is pending, it launches at once and the pending restart is gone.
    QTRY_COMPARE(rig.exits.size(), pauses.size() + 1);
    rig.fake.runStream(stayingUp());
    rig.runner.start();
    QProcess* relaunched = rig.runner.process();
    QVERIFY(relaunched && !rig.runner.restartPending());
    rig.clock.advance(2min);
    QCOMPARE(rig.runner.process(), relaunched);
    QTRY_COMPARE(rig.events.size(), 1);
}

void TestRelayRunner::onlySyncedOrSentResetThePause() {
    Runner rig;
    const auto pauseAfter = [&](const FakeRelay::Stream& stream) -> std::chrono::milliseconds {
        rig.fake.runStream(stream);
        const qsizetype before = rig.exits.size();
        if (before == 0)
            rig.runner.start();
        else
            rig.clock.advance(*rig.clock.nextDue());
        if (!QTest::qWaitFor([&] { return rig.exits.size() == before + 1; }, 10'000))
            return -1ms;
        return rig.clock.nextDue().value_or(-1ms);
    };
    QCOMPARE(pauseAfter(exiting(1)), 1s);
    QCOMPARE(pauseAfter(exiting(1)), 2s);
    QCOMPARE(pauseAfter(exiting(1, line("started") + line("error"))), 4s);
    QCOMPARE(pauseAfter(exiting(1, line("sent"))), 1s);
    QCOMPARE(pauseAfter(exiting(1)), 2s);
    QCOMPARE(pauseAfter(exiting(1, line("synced"))), 1s);
    // Status 78: stopped for good, not restarted.
    QCOMPARE(pauseAfter(exiting(RelayRunner::stoppedForGood)), -1ms);
    QVERIFY(!rig.runner.wanted());
}

void TestRelayRunner::stopTerminatesTheGroupAndReportsTheExit() {
    Runner rig;
    rig.fake.runStream(stayingUp(false, true));
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    QCOMPARE(rig.fake.livePids().size(), 2); // the relay and what it started
    rig.runner.stop();
    QVERIFY(!rig.runner.process());
    QTRY_COMPARE(rig.exits, QList<int>{15});
    QTRY_VERIFY(rig.fake.livePids().isEmpty());
    QVERIFY(!rig.runner.restartPending());
    QCOMPARE(rig.clock.pendingTimers(), 0); // the kill deadline went with the process
}

void TestRelayRunner::stopThenStartIgnoresTheOldExit() {
    Runner rig;
    FakeRelay::Stream stream = stayingUp();
    stream.termExitCode = 0;
    rig.fake.runStream(stream);
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    QSignalSpy oldFinished(rig.runner.process(), &QProcess::finished);
    rig.runner.stop();
    rig.runner.start();
    QVERIFY(oldFinished.wait());
    QVERIFY(rig.exits.isEmpty());
    QVERIFY(rig.runner.isRunning());
    QTRY_COMPARE(rig.events.size(), 2); // the new relay's "started"
    rig.runner.stop();
    QTRY_COMPARE(rig.exits, QList<int>{0});
}

void TestRelayRunner::killsARelayThatIgnoresTermination() {
    Runner rig;
    rig.fake.runStream(stayingUp(true));
    rig.runner.start();
    QTRY_COMPARE(rig.events.size(), 1);
    rig.runner.stop();
    QCOMPARE(rig.clock.nextDue(), std::optional(std::chrono::milliseconds(5s)));
    rig.clock.advance(4999ms);
    QCOMPARE(rig.clock.pendingTimers(), 1); // not killed yet
    rig.clock.advance(1ms);
    QTRY_COMPARE(rig.exits, QList<int>{9});
    QVERIFY(rig.fake.livePids().isEmpty());
}

void TestRelayRunner::destructionLeavesNoRelay_data() {
    QTest::addColumn<bool>("ignoreTerm");
    QTest::addColumn<bool>("stopped");
    QTest::newRow("running") << false << false;
    QTest::newRow("ignores termination") << true << false;
    QTest::newRow("stopped, not yet exited") << true << true;
}

void TestRelayRunner::destructionLeavesNoRelay() {
    QFETCH(bool, ignoreTerm);
    QFETCH(bool, stopped);
    FakeRelay fake;
    ManualClock clock;
    fake.runStream(stayingUp(ignoreTerm, true));
    int events = 0;
    int exits = 0;
    auto runner = std::make_unique<RelayRunner>(fake.helperPath(), false, clock);
    runner->onEvent = [&](const RelayEvent&) { ++events; };
    runner->onExit = [&](int) { ++exits; };
    runner->start();
    QTRY_COMPARE(events, 1);
    if (stopped)
        runner->stop();
    runner.reset();     // reaps before it returns
    QCOMPARE(exits, 0); // nobody is told about a runner that is gone
    QTRY_VERIFY_WITH_TIMEOUT(fake.livePids().isEmpty(), 2000);
    QCOMPARE(clock.pendingTimers(), 0);
}

void TestRelayRunner::missingOrUnlaunchableRelay() {
    QTemporaryDir dir;
    Runner missing(false, dir.filePath(u"none"_qs));
    missing.runner.start();
    QCOMPARE(missing.events.size(), 1); // at once, and not retried on its own
    QCOMPARE(missing.events[0].message,
             u"The relay inside Wrenbox is missing. Download Wrenbox again."_qs);
    missing.clock.advance(10min);
    QCOMPARE(missing.events.size(), 1);

    const QString helper = dir.filePath(u"wrenbox"_qs);
    const QString platformText = FakeRelay::writeUnlaunchable(helper);
    Runner unlaunchable(false, helper);
    unlaunchable.runner.start();
    QTRY_COMPARE(unlaunchable.events.size(), 1);
    QCOMPARE(unlaunchable.events[0].kind, RelayEvent::Kind::Error);
    QCOMPARE(unlaunchable.events[0].message, platformText);
    QCOMPARE(unlaunchable.clock.nextDue(), std::optional(std::chrono::milliseconds(1s)));
    unlaunchable.clock.advance(1s);
    QTRY_COMPARE(unlaunchable.events.size(), 2);
    QVERIFY(unlaunchable.exits.isEmpty());
}

void TestRelayRunner::stoppedRelaysOutputIsIgnored() {
    Runner rig;
    // Goes on printing after being asked to stop, in the same read and in a later one.
    FakeRelay::Stream stream = exiting(0, line("started") + line("sent", "a"));
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
    FakeRelay::Stream stream =
        ending == u"crash" ? exiting(3, line("started")) : stayingUp(false, true);
    stream.spawnGrandchild = true;
    stream.grandchildOwnSession = ownSession;
    fake.runStream(stream);
    int events = 0;
    int exits = 0;
    auto runner = std::make_unique<RelayRunner>(fake.helperPath(), false, clock, &processes);
    runner->onEvent = [&](const RelayEvent&) { ++events; };
    runner->onExit = [&](int) { ++exits; };
    runner->start();
    QTRY_COMPARE(events, 1);
    // The relay and its child were both started (the child before "started" was printed).
    QCOMPARE(QDir(fake.dir() + u"/pids"_qs).entryList(QDir::Files).size(), 2);
    if (ending == u"stop")
        runner->stop();
    if (ending == u"quit")
        runner.reset();
    else
        QTRY_COMPARE(exits, 1);
    QTRY_VERIFY_WITH_TIMEOUT(fake.livePids().isEmpty(), 2000);
}

QTEST_GUILESS_MAIN(TestRelayRunner)
#include "tst_relayrunner.moc"
