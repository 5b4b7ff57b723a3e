// The long-running relay's supervisor, over real fake-relay processes and the manual clock.

#include "Core/Relay/RelayRunner.h"
#include "Platform/Linux/LinuxProcessControl.h"

#include "RelayRig.h"

#include <unistd.h>

#include <QHash>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {
QByteArray line(const char* kind, const char* id = "-") {
    return QByteArray(R"({"event":")") + kind + R"(","id":")" + id + "\"}\n";
}

// One runner on the fake relay and the manual clock, with everything it reported.
struct Runner {
    explicit Runner(const QString& helper = {}, ProcessControl* processes = nullptr)
        : runner(std::make_unique<RelayRunner>(helper.isEmpty() ? fake.helperPath() : helper, false,
                                               clock, processes ? *processes : own)) {
        runner->onEvent = [this](const RelayEvent& event) {
            events.append(event);
            ids.append(event.messageID.value_or(u"~"_qs));
        };
        runner->onExit = [this](int status) { exits.append(status); };
    }
    FakeRelay fake;
    ManualClock clock;
    FakeProcessControl own; // keeps each relay in a group of its own
    QList<RelayEvent> events;
    QStringList ids;
    QList<int> exits;
    std::unique_ptr<RelayRunner> runner;
};
} // namespace

class TestRelayRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsOutputIntoLines_data() {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("ids");
        const QByteArray a = line("sent", "a");
        const QByteArray big((qsizetype(1) << 20) - 27, ' '); // a line of 1 MiB, its feed aside
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
            pieces.append(QByteArray(qsizetype(64) * 1024, ' '));
        pieces += {R"("x":1})" + QByteArray("\n") + a.left(7), a.mid(7)};
        QTest::newRow("an over-long line in pieces") << pieces << QStringList{"before", "a"};
    }

    void splitsOutputIntoLines() {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, ids);
        Runner rig;
        for (const QByteArray& chunk : std::as_const(chunks))
            rig.runner->consume(chunk);
        QCOMPARE(rig.ids, ids);
    }

    void anEndlessLineIsNotHeld() {
        // 64 MiB without a line feed: what is held for it stays within the 1 MiB of one line.
        const auto resident = [] {
            QFile statm(u"/proc/self/statm"_qs);
            return statm.open(QIODevice::ReadOnly)
                       ? statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE)
                       : -1;
        };
        Runner rig;
        const QByteArray piece(qsizetype(64) * 1024, 'x');
        rig.runner->consume("{\"event\":\"sent\",\"id\":\"");
        const qint64 before = resident();
        for (int i = 0; i < 1024; ++i)
            rig.runner->consume(piece);
        QVERIFY2(resident() - before < qint64(8) << 20, "the unended line was held");
        rig.runner->consume("\"}\n" + line("sent", "after"));
        QCOMPARE(rig.ids, QStringList{u"after"_qs});
    }

    void restartPausesDoubleUntilProgress() {
        Runner rig;
        // The pause after each run, and what some runs print before they exit.
        const QList<int> pauses{1, 2, 4, 8, 16, 32, 60, 60, 1, 2, 1};
        const QHash<qsizetype, QByteArray> prints{
            {2, line("started") + line("error")}, {8, line("sent")}, {10, line("synced")}};
        rig.fake.runStream({.chunks = {}, .stayAlive = false, .exitCode = 1});
        rig.runner->start();
        const qsizetype runs = pauses.size();
        for (qsizetype i = 0; i < runs; ++i) {
            QTRY_COMPARE(rig.exits.size(), i + 1);
            const std::chrono::milliseconds pause = pauses[i] * 1s;
            QCOMPARE(rig.clock.nextDue(), std::optional(pause));
            if (i + 1 < runs)
                rig.fake.runStream({.chunks = {{0, prints.value(i + 1)}}, .stayAlive = false});
            rig.clock.advance(pause - 1ms);
            QVERIFY(!rig.runner->isRunning());
            if (i + 1 < runs)
                rig.clock.advance(1ms);
        }
        // Started while a restart is pending, it launches at once and the pending restart is gone.
        rig.fake.runStream({.chunks = {{0, line("started")}}});
        rig.runner->start();
        QVERIFY(rig.runner->isRunning());
        QCOMPARE(rig.clock.pendingTimers(), 0);
        // Status 78: stopped for good, not restarted.
        rig.runner->stop();
        QTRY_COMPARE(rig.exits.size(), runs + 1);
        rig.fake.runStream(
            {.chunks = {}, .stayAlive = false, .exitCode = RelayRunner::stoppedForGood});
        rig.runner->start();
        QTRY_COMPARE(rig.exits.size(), runs + 2);
        QCOMPARE(rig.exits.last(), RelayRunner::stoppedForGood);
        QVERIFY(!rig.runner->wanted());
        QCOMPARE(rig.clock.pendingTimers(), 0);
    }

    void leavesNothingBehind_data() { addRows("Core/Relay/endings.txt"); }

    void leavesNothingBehind() {
        QFETCH(QByteArrayList, row);
        const QString ending = QString::fromUtf8(row[1]);
        const bool ignoreTerm = row[2] == "yes";
        const bool ownSession = row[3] == "yes";
        const QList<int> exits = row[4].isEmpty() ? QList<int>() : QList<int>{row[4].toInt()};
        // Without its keeper (a broken install) the app says so, and supervises as before.
        LinuxProcessControl processes(u"/nonexistent/wrenbox-keeper"_qs);
        if (ownSession)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"keeper .* did not start"_qs));
        processes.adoptOrphans(); // as the app does at start-up
        Runner rig({}, ownSession ? &processes : nullptr);
        rig.fake.runStream({.chunks = {{0, line("started")}},
                            .stayAlive = ending != u"crash",
                            .exitCode = 3,
                            .ignoreTerm = ignoreTerm,
                            .children = {ownSession ? FakeRelay::Stream::Child::OwnSession
                                                    : FakeRelay::Stream::Child::InGroup}});
        rig.runner->start();
        QTRY_COMPARE(rig.events.size(), 1);
        // The relay and its child were both started (the child before "started" was printed).
        QCOMPARE(QDir(rig.fake.dir() + u"/pids"_qs).entryList(QDir::Files).size(), 2);
        if (ending.startsWith(u"stop")) {
            rig.runner->stop();
            QVERIFY(!rig.runner->isRunning());
        }
        if (ending == u"stop" && ignoreTerm) {
            QCOMPARE(rig.clock.nextDue(), std::optional(std::chrono::milliseconds(5s)));
            rig.clock.advance(4999ms);
            QCOMPARE(rig.clock.pendingTimers(), 1); // not killed yet
            rig.clock.advance(1ms);
        }
        if (ending.endsWith(u"quit"))
            rig.runner
                .reset(); // reaps before it returns; nobody is told about a runner that is gone
        QTRY_COMPARE(rig.exits, exits);
        QTRY_VERIFY_WITH_TIMEOUT(rig.fake.livePids().isEmpty(), 2000);
        // Only a crash leaves a restart pending; the kill deadline goes with its process.
        QCOMPARE(rig.clock.pendingTimers(), ending == u"crash" ? 1 : 0);
    }

    void stopThenStartIgnoresTheOldExit() {
        Runner rig;
        rig.fake.runStream({.chunks = {{0, line("started")}}, .termExitCode = 0});
        rig.runner->start();
        QTRY_COMPARE(rig.events.size(), 1);
        QSignalSpy oldFinished(rig.runner->findChild<QProcess*>(), &QProcess::finished);
        rig.runner->stop();
        rig.runner->start();
        QVERIFY(oldFinished.wait());
        QVERIFY(rig.exits.isEmpty() && rig.runner->isRunning());
        QTRY_COMPARE(rig.events.size(), 2); // the new relay's "started"
        rig.runner->stop();
        QTRY_COMPARE(rig.exits, QList<int>{0});
    }

    void missingOrUnlaunchableRelay() {
        QTemporaryDir dir;
        Runner missing(dir.filePath(u"none"_qs));
        missing.runner->start();
        QCOMPARE(missing.events.size(), 1); // at once, and not retried on its own
        QCOMPARE(missing.events[0].message,
                 u"The relay inside Wrenbox is missing. Download Wrenbox again."_qs);
        QCOMPARE(missing.clock.pendingTimers(), 0);

        const QString helper = dir.filePath(u"wrenbox"_qs);
        const QString platformText = FakeRelay::writeUnlaunchable(helper);
        Runner unlaunchable(helper);
        unlaunchable.runner->start();
        QTRY_COMPARE(unlaunchable.events.size(), 1);
        QCOMPARE(unlaunchable.events[0].kind, RelayEvent::Kind::Error);
        QCOMPARE(unlaunchable.events[0].message, platformText);
        QCOMPARE(unlaunchable.clock.nextDue(), std::optional(std::chrono::milliseconds(1s)));
        unlaunchable.clock.advance(1s);
        QTRY_COMPARE(unlaunchable.events.size(), 2);
        QVERIFY(unlaunchable.exits.isEmpty());
    }

    void stoppedRelaysOutputIsIgnored() {
        Runner rig;
        // Goes on printing after being asked to stop, in the same read and in a later one.
        rig.fake.runStream(
            {.chunks = {{0, line("started") + line("sent", "a")}, {100, line("sent")}},
             .stayAlive = false,
             .ignoreTerm = true});
        rig.runner->onEvent = [&rig](const RelayEvent& event) {
            rig.events.append(event);
            rig.runner->stop();
        };
        rig.runner->start();
        QTRY_COMPARE(rig.exits, QList<int>{0}); // all its output has been read by now
        QCOMPARE(rig.events.size(), 1);
        QCOMPARE(rig.events[0].at, rig.clock.now()); // stamped by the clock when it has no time
    }
};

QTEST_GUILESS_MAIN(TestRelayRunner)
#include "tst_relayrunner.moc"
