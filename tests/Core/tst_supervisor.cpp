// The supervisor's care for the relay over time: crash loops explained, hostile counts.

#include "RelayRig.h"

class TestSupervisor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hostileCountsSaturate();
    void crashLoopIsExplained_data();
    void crashLoopIsExplained();
};

void TestSupervisor::hostileCountsSaturate() {
    RelayRig rig("status-paired");
    QVERIFY(rig.start());
    const QByteArray half = R"({"event":"synced","jobs":4611686018427387904})"; // 2^62
    rig.print({half, half, R"({"event":"sent"})"});
    QCOMPARE(rig.model->batch(), std::optional(RelayBatch{1, std::numeric_limits<qint64>::max()}));
}

void TestSupervisor::crashLoopIsExplained_data() {
    QTest::addColumn<QByteArray>("printed"); // by each run before it exits
    QTest::addColumn<int>("apart");          // seconds between restarts
    QTest::addColumn<bool>("loop");          // explained as one after the fifth exit
    QTest::newRow("crashing") << QByteArray() << 60 << true;
    QTest::newRow("syncing in between") << QByteArray("{\"event\":\"synced\"}\n") << 60 << false;
    QTest::newRow("spread over 12 minutes") << QByteArray() << 180 << false;
}

void TestSupervisor::crashLoopIsExplained() {
    QFETCH(QByteArray, printed);
    QFETCH(int, apart);
    QFETCH(bool, loop);
    RelayRig rig("status-paired");
    rig.relay.runStream({.chunks = {{300, printed}}, // outlives the poll's status call
                         .stayAlive = false,
                         .exitCode = 3,
                         .err = QByteArray(9000, 'x') + "\ndatabase is locked\n"});
    QVERIFY(rig.start());
    AppModel& model = *rig.model;
    for (int exits = 1; exits <= 5; ++exits) {
        rig.advance(std::chrono::seconds(exits > 1 ? apart : 0));
        QTRY_COMPARE(rig.runner().exits().size(), exits);
        QCOMPARE(
            model.relayError(),
            loop && exits == 5
                ? u"The relay keeps stopping (5 times in 10 minutes). Setup has the details."_qs
                : u"The relay stopped (exit 3). Wrenbox restarts it."_qs);
    }
    // Only the end of what the last run wrote, and only in the report.
    const QString report = model.diagnostics();
    QVERIFY(report.contains(u"\nRecent relay exits\n"_qs));
    QCOMPARE(report.count(u"  exit 3  ran "_qs), 5);
    QVERIFY(report.endsWith(u"Standard error of the last run:\n"_qs +
                            QString(RelayRunner::stderrTailBytes - 20, u'x') +
                            u"\ndatabase is locked"_qs));
}

QTEST_GUILESS_MAIN(TestSupervisor)
#include "tst_supervisor.moc"
