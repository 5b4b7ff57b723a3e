#include "Core/RelayPhase.h"

#include <QTest>

Q_DECLARE_METATYPE(RelayPhase::Inputs)

char* toString(const RelayPhase& phase) {
    return QTest::toString(phase.debugText());
}

namespace {

const QDateTime syncTime =
    QDateTime::fromString(QStringLiteral("2024-05-01T09:59:00Z"), Qt::ISODate);

// A loaded, paired relay with nothing to report.
RelayPhase::Inputs normal() {
    RelayPhase::Inputs in;
    in.loaded = true;
    in.paired = true;
    in.relayRunning = true;
    in.lastSyncAt = syncTime;
    return in;
}

// Every condition that asks for attention or a pause at once.
RelayPhase::Inputs everythingWrong() {
    RelayPhase::Inputs in = normal();
    in.paired = false;
    in.updateRequired = true;
    in.chatdbFails = true;
    in.permissionDenied = true;
    in.automationCheckFails = true;
    in.userPaused = true;
    in.sendingEnabled = false;
    in.relayError = QStringLiteral("boom");
    in.relayRunning = false;
    in.batch = RelayBatch{1, 3};
    return in;
}
} // namespace

class TestRelayPhase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void derive_data();
    void derive();
    void equalityIncludesPayload();
};

void TestRelayPhase::derive_data() {
    using A = RelayPhase::Attention;
    QTest::addColumn<RelayPhase::Inputs>("inputs");
    QTest::addColumn<RelayPhase>("expected");

    auto in = everythingWrong();
    in.loaded = false;
    QTest::newRow("not loaded beats everything") << in << RelayPhase::starting();

    in = everythingWrong();
    QTest::newRow("unpaired beats update, checks and pause")
        << in << RelayPhase::attention(A::notPaired());

    in.paired = true;
    QTest::newRow("update required beats failing checks")
        << in << RelayPhase::attention(A::updateRequired());

    in.updateRequired = false;
    QTest::newRow("chatdb beats denied permission")
        << in << RelayPhase::attention(A::fullDiskAccess());

    in.chatdbFails = false;
    QTest::newRow("denied permission beats user pause")
        << in << RelayPhase::attention(A::automation());

    in.permissionDenied = false;
    QTest::newRow("failing automation check alone") << in << RelayPhase::attention(A::automation());

    in.automationCheckFails = false;
    QTest::newRow("user pause beats server pause") << in << RelayPhase::paused(false);

    in.userPaused = false;
    QTest::newRow("server pause beats a stopped relay") << in << RelayPhase::paused(true);

    in.sendingEnabled = true;
    QTest::newRow("stopped relay with error beats a batch")
        << in << RelayPhase::attention(A::relayStopped(QStringLiteral("boom")));

    in.relayRunning = true;
    QTest::newRow("error while the relay runs: sending") << in << RelayPhase::sending(1, 3);

    in.batch.reset();
    QTest::newRow("error while the relay runs: idle") << in << RelayPhase::idle(syncTime);

    in = normal();
    in.relayError = QStringLiteral("not started");
    in.relayRunning = false;
    QTest::newRow("error and no relay")
        << in << RelayPhase::attention(A::relayStopped(QStringLiteral("not started")));

    in = normal();
    in.batch = RelayBatch{0, 3};
    QTest::newRow("batch starting") << in << RelayPhase::sending(0, 3);
    in.batch = RelayBatch{2, 3};
    QTest::newRow("batch under way") << in << RelayPhase::sending(2, 3);
    in.batch = RelayBatch{3, 3};
    QTest::newRow("finished batch") << in << RelayPhase::idle(syncTime);
    in.batch = RelayBatch{0, 0};
    QTest::newRow("empty batch") << in << RelayPhase::idle(syncTime);
    in.batch = RelayBatch{5, 2};
    QTest::newRow("overrun batch") << in << RelayPhase::idle(syncTime);

    in = normal();
    QTest::newRow("all well") << in << RelayPhase::idle(syncTime);
    in.lastSyncAt.reset();
    QTest::newRow("never synced") << in << RelayPhase::idle(std::nullopt);
}

void TestRelayPhase::derive() {
    QFETCH(RelayPhase::Inputs, inputs);
    QFETCH(RelayPhase, expected);
    QCOMPARE(RelayPhase::derive(inputs), expected);
}

void TestRelayPhase::equalityIncludesPayload() {
    using A = RelayPhase::Attention;
    QVERIFY(RelayPhase::sending(1, 3) != RelayPhase::sending(2, 3));
    QVERIFY(RelayPhase::paused(true) != RelayPhase::paused(false));
    QVERIFY(RelayPhase::attention(A::relayStopped(QStringLiteral("a"))) !=
            RelayPhase::attention(A::relayStopped(QStringLiteral("b"))));
    QVERIFY(RelayPhase::idle(syncTime) != RelayPhase::idle(std::nullopt));
    QVERIFY(RelayPhase::attention(A::automation()) != RelayPhase::attention(A::notPaired()));
    QCOMPARE(RelayPhase(), RelayPhase::starting());
    QCOMPARE(RelayPhase::sending(1, 3).kind(), RelayPhase::Kind::Sending);
    QCOMPARE(RelayPhase::attention(A::fullDiskAccess()).attention()->kind(),
             A::Kind::FullDiskAccess);
}

QTEST_GUILESS_MAIN(TestRelayPhase)
#include "tst_relayphase.moc"
