#include "ModelRig.h"

#include "Core/Relay/RelayRunner.h"

#include <QSignalSpy>

#include <csignal>

using namespace std::chrono_literals;
using A = RelayPhase::Attention;
using Kind = RelayEvent::Kind;

namespace {
const QDateTime t(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
}

QByteArray lines(std::initializer_list<const char*> events) {
    QByteArray bytes;
    for (const char* event : events)
        bytes += QByteArray(event) + '\n';
    return bytes;
}

QList<Kind> kinds(const AppModel& model) {
    QList<Kind> result;
    for (const RelayEvent& event : model.events())
        result.append(event.kind);
    return result;
}

// A paired relay whose long-running process prints `stream`; started and loaded.
bool startWithStream(ModelRig& rig, const FakeRelay::Stream& stream,
                     const QByteArray& status = pairedStatus) {
    rig.replyStatus(status);
    rig.relay.runStream(stream);
    AppModel& model = rig.make();
    model.start();
    return QTest::qWaitFor([&] { return model.loaded() && !model.isChecking(); }, 10'000);
}
} // namespace

class TestAppModelEvents : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roadOfOneText();
    void feedKeepsTwelveNewestFirst();
    void repeatedSyncsKeepOneEntry();
    void syncAfterSentIsAdded();
    void newJobsJoinARunningBatch();
    void oldHoldLeavesANewBatchAlone();
    void newerFinishedBatchGetsItsFullHold();
    void floodOfBatchesKeepsOneHold();
    void textsOutsideABatchOnlyCount();
    void pauseDropsTheBatch();
    void exitText_data();
    void exitText();
    void firstErrorStaysOnScreen();
    void errorWhileRunningDoesNotChangeThePhase();
    void stoppedForGoodRefreshes();
    void unpairedEventStopsAndRefreshes();
    void updateRequiredStopsTheRelay();
    void burstOfUnpairedEventsRefreshesOnce();
};

void TestAppModelEvents::roadOfOneText() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {
        {0, lines({R"({"event":"started","at":"2024-05-01T10:00:01Z"})"})},
        {150, lines({R"({"event":"synced","at":"2024-05-01T10:00:02Z","jobs":3})"})},
        {150, lines({R"({"event":"sent","id":"m1","at":"2024-05-01T10:00:03Z"})"})},
        {150, lines({R"({"event":"sent","id":"m2","at":"2024-05-01T10:00:04Z"})"})},
        {150, lines({R"({"event":"sent","id":"m3","at":"2024-05-01T10:00:05Z"})"})},
    };
    rig.replyStatus(pairedStatus);
    rig.relay.runStream(stream);
    AppModel& model = rig.make();
    QList<RelayPhase> phases;
    connect(&model, &AppModel::phaseChanged, &model, [&] { phases.append(model.phase()); });
    QList<std::optional<RelayBatch>> batches;
    connect(&model, &AppModel::batchChanged, &model, [&] { batches.append(model.batch()); });

    model.start();
    QCOMPARE(model.phase(), RelayPhase::starting());
    QTRY_COMPARE(model.events().size(), 5);
    QTRY_COMPARE(model.today().sent, qint64(3));

    const QDateTime synced = t("2024-05-01T10:00:02Z");
    const QList<RelayPhase> expected{RelayPhase::idle(std::nullopt), RelayPhase::sending(0, 3),
                                     RelayPhase::sending(1, 3), RelayPhase::sending(2, 3),
                                     RelayPhase::idle(synced)};
    QCOMPARE(phases, expected);
    QCOMPARE(batches, (QList<std::optional<RelayBatch>>{RelayBatch{0, 3}, RelayBatch{1, 3},
                                                        RelayBatch{2, 3}, RelayBatch{3, 3}}));
    QCOMPARE(kinds(model),
             (QList<Kind>{Kind::Sent, Kind::Sent, Kind::Sent, Kind::Synced, Kind::Started}));
    QCOMPARE(model.events().first().messageID, std::optional<QString>(QStringLiteral("m3")));
    QCOMPARE(model.lastSyncAt(), synced);

    // The finished batch stays for 2 seconds after the third text, then goes.
    rig.advance(1999ms);
    QCOMPARE(model.batch(), std::optional(RelayBatch{3, 3}));
    rig.advance(1ms);
    QCOMPARE(model.batch(), std::nullopt);
    QCOMPARE(model.phase(), RelayPhase::idle(synced));

    // The next poll replaces the counters with the relay's own.
    rig.replyStatus(R"({"paired":true,"today":{"sent":7,"failed":1,"received":2}})");
    rig.advance(28s);
    QTRY_COMPARE(model.today(), (RelayToday{7, 1, 2}));
    QCOMPARE(model.lastSyncAt(), synced);
}

void TestAppModelEvents::feedKeepsTwelveNewestFirst() {
    ModelRig rig;
    QByteArray bytes;
    for (int i = 1; i <= 13; ++i)
        bytes += QStringLiteral(R"({"event":"received","id":"r%1"})").arg(i).toUtf8() + '\n';
    FakeRelay::Stream stream;
    stream.chunks = {{0, bytes}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.today().received, qint64(13));
    QCOMPARE(model.events().size(), 12);
    QCOMPARE(model.events().first().messageID, std::optional<QString>(QStringLiteral("r13")));
    QCOMPARE(model.events().last().messageID, std::optional<QString>(QStringLiteral("r2")));
}

void TestAppModelEvents::repeatedSyncsKeepOneEntry() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"synced","at":"2024-05-01T10:00:00Z"})",
                                R"({"event":"error","message":"offline"})"})},
                     {0, lines({R"({"event":"synced","at":"2024-05-01T10:05:00Z","jobs":0})",
                                R"({"event":"synced","at":"2024-05-01T09:00:00Z"})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.lastSyncAt(), t("2024-05-01T09:00:00Z"));
    // The error sits between the first two syncs; the last two collapse into one entry.
    QCOMPARE(kinds(model), (QList<Kind>{Kind::Synced, Kind::Error, Kind::Synced}));
    QCOMPARE(model.events().first().at, t("2024-05-01T10:05:00Z"));
    QCOMPARE(model.relayError(), std::nullopt);
}

void TestAppModelEvents::syncAfterSentIsAdded() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"synced","jobs":1})", R"({"event":"sent"})",
                                R"({"event":"synced","jobs":0})", R"({"event":"synced"})",
                                R"({"event":"synced","jobs":2})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 4);
    QTest::qWait(50);
    QCOMPARE(kinds(model), (QList<Kind>{Kind::Synced, Kind::Synced, Kind::Sent, Kind::Synced}));
    QCOMPARE(model.events().first().jobs, std::optional<qint64>(2));
}

void TestAppModelEvents::newJobsJoinARunningBatch() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"synced","jobs":3})", R"({"event":"sent"})",
                                R"({"event":"synced","jobs":2})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 3);
    QCOMPARE(model.batch(), std::optional(RelayBatch{1, 5}));
    QCOMPARE(model.phase(), RelayPhase::sending(1, 5));
}

void TestAppModelEvents::oldHoldLeavesANewBatchAlone() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"synced","jobs":4})", R"({"event":"sent"})",
                                R"({"event":"failed"})", R"({"event":"sent"})",
                                R"({"event":"sent"})", R"({"event":"synced","jobs":2})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 6);
    QCOMPARE(model.batch(), std::optional(RelayBatch{0, 2}));
    QCOMPARE(model.today(), (RelayToday{3, 1, 0}));
    rig.advance(2s);
    QCOMPARE(model.batch(), std::optional(RelayBatch{0, 2}));
    QCOMPARE(model.phase(), RelayPhase::sending(0, 2));
}

void TestAppModelEvents::newerFinishedBatchGetsItsFullHold() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"synced","jobs":1})", R"({"event":"sent"})"})},
                     {600, lines({R"({"event":"synced","jobs":1})", R"({"event":"sent"})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 2);
    QCOMPARE(model.batch(), std::optional(RelayBatch{1, 1}));
    rig.advance(1s);
    QTRY_COMPARE(model.events().size(), 4);
    QCOMPARE(model.batch(), std::optional(RelayBatch{1, 1}));
    rig.advance(1s); // the first batch's hold ends
    QCOMPARE(model.batch(), std::optional(RelayBatch{1, 1}));
    rig.advance(1s); // the second's
    QCOMPARE(model.batch(), std::nullopt);
}

void TestAppModelEvents::floodOfBatchesKeepsOneHold() {
    ModelRig rig;
    QByteArray burst;
    for (int i = 0; i < 200; ++i)
        burst += lines({R"({"event":"synced","jobs":1})", R"({"event":"sent"})"});
    FakeRelay::Stream stream;
    stream.chunks = {{0, burst}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.today().sent, 200);
    QCOMPARE(rig.fake.clock.pendingTimers(), 2); // the poll and the last batch's hold
    rig.advance(2s);
    QCOMPARE(model.batch(), std::nullopt);
}

void TestAppModelEvents::textsOutsideABatchOnlyCount() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {
        {0, lines({R"({"event":"sent"})", R"({"event":"failed"})", R"({"event":"received"})",
                   R"({"event":"paused"})", R"({"event":"resumed"})", R"({"event":"whatever"})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 6);
    QCOMPARE(model.today(), (RelayToday{1, 1, 1}));
    QCOMPARE(model.batch(), std::nullopt);
    QCOMPARE(model.userPaused(), false);
    QCOMPARE(model.events().first().kind, Kind::Unknown);
    QCOMPARE(rig.fake.clock.pendingTimers(), 1); // the poll; no batch hold
}

void TestAppModelEvents::pauseDropsTheBatch() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"synced","jobs":3})", R"({"event":"sent"})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.batch(), std::optional(RelayBatch{1, 3}));
    model.setPaused(true);
    QCOMPARE(model.batch(), std::nullopt);
    QCOMPARE(model.phase(), RelayPhase::paused(false));
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
}

void TestAppModelEvents::exitText_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<std::optional<QString>>("error");
    QTest::newRow("0") << 0 << std::optional<QString>();
    QTest::newRow("2") << 2
                       << std::optional<QString>(
                              QStringLiteral("The relay stopped (exit 2). Wrenbox restarts it."));
    QTest::newRow("1") << 1
                       << std::optional<QString>(
                              QStringLiteral("The relay stopped (exit 1). Wrenbox restarts it."));
    QTest::newRow("78") << 78 << std::optional<QString>();
}

void TestAppModelEvents::exitText() {
    QFETCH(int, code);
    QFETCH(std::optional<QString>, error);
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.stayAlive = false;
    stream.exitCode = code;
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(rig.count(runArgs), 1);
    QTRY_VERIFY(!model.relayRunning());
    QTRY_VERIFY(!model.isChecking());
    QCOMPARE(model.relayError(), error);
    if (error)
        QCOMPARE(model.phase(), RelayPhase::attention(A::relayStopped(*error)));
    else
        QCOMPARE(model.phase(), RelayPhase::idle(std::nullopt));
}

void TestAppModelEvents::firstErrorStaysOnScreen() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"error","message":"Database locked"})",
                                R"({"event":"error","message":"M"})"})}};
    stream.stayAlive = false;
    stream.exitCode = 1;
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 2);
    QTRY_VERIFY(!model.relayRunning());
    QTest::qWait(50);
    QCOMPARE(model.relayError(), std::optional<QString>(QStringLiteral("M")));
    QCOMPARE(model.phase(), RelayPhase::attention(A::relayStopped(QStringLiteral("M"))));

    // The restart brings the same stream: the first error shown stays.
    rig.relay.runStream({{}, false, 3});
    rig.advance(1s);
    QTRY_COMPARE(rig.count(runArgs), 2);
    QTRY_VERIFY(!model.relayRunning());
    QTest::qWait(50);
    QCOMPARE(model.relayError(), std::optional<QString>(QStringLiteral("M")));
}

void TestAppModelEvents::errorWhileRunningDoesNotChangeThePhase() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"error","message":"Server slow"})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.relayError(), std::optional<QString>(QStringLiteral("Server slow")));
    QVERIFY(model.relayRunning());
    QCOMPARE(model.phase(), RelayPhase::idle(std::nullopt));

    // Once the process is gone, the same state shows the error.
    QSignalSpy phaseSpy(&model, &AppModel::phaseChanged);
    ::kill(static_cast<pid_t>(rig.relay.livePids().value(0)), SIGKILL);
    QTRY_VERIFY(!model.relayRunning());
    QCOMPARE(model.phase(), RelayPhase::attention(A::relayStopped(QStringLiteral("Server slow"))));
    QVERIFY(phaseSpy.count() >= 1);
}

void TestAppModelEvents::stoppedForGoodRefreshes() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"error","message":"Bye"})"})}};
    stream.stayAlive = false;
    stream.exitCode = 78;
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(rig.count(statusArgs), 2);
    QTRY_VERIFY(!model.isChecking());
    QCOMPARE(model.relayError(), std::optional<QString>(QStringLiteral("Bye")));
    QCOMPARE(rig.fake.clock.pendingTimers(), 1); // no restart, only the poll
}

void TestAppModelEvents::unpairedEventStopsAndRefreshes() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{500, lines({R"({"event":"unpaired"})"})}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    QTRY_COMPARE(rig.relay.livePids().size(), 1);
    rig.replyStatus(unpairedStatus);
    QTRY_COMPARE(model.events().size(), 1);
    QCOMPARE(model.phase(), RelayPhase::attention(A::notPaired()));
    QVERIFY(!model.status().paired);
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
    QTRY_COMPARE(rig.count(statusArgs), 2);
    QTRY_VERIFY(!model.isChecking());
    QCOMPARE(model.relayError(), std::nullopt);
    QCOMPARE(rig.count(runArgs), 1);
}

void TestAppModelEvents::updateRequiredStopsTheRelay() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, lines({R"({"event":"update_required"})"})}};
    const QByteArray status = R"({"paired":true,"updateUrl":"https://wrenbox.app/download"})";
    QVERIFY(startWithStream(rig, stream, status));
    AppModel& model = *rig.model;
    QTRY_COMPARE(model.events().size(), 1);
    QVERIFY(model.status().updateRequired);
    QCOMPARE(model.status().updateUrl,
             std::optional<QString>(QStringLiteral("https://wrenbox.app/download")));
    QCOMPARE(model.phase(), RelayPhase::attention(A::updateRequired()));
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
    QTest::qWait(50);
    QCOMPARE(model.relayError(), std::nullopt);
}

void TestAppModelEvents::burstOfUnpairedEventsRefreshesOnce() {
    ModelRig rig;
    FakeRelay::Stream stream;
    stream.chunks = {{0, QByteArray(R"({"event":"unpaired"})"
                                    "\n")
                             .repeated(300)}};
    QVERIFY(startWithStream(rig, stream));
    AppModel& model = *rig.model;
    // The first one stops the relay: the rest of its output is not news any more.
    QTRY_COMPARE(model.events().size(), 1);
    QTRY_VERIFY(!model.isChecking());
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
    QCOMPARE(rig.count(statusArgs), 2);
    QCOMPARE(rig.count(doctorArgs), 2);
}

QTEST_GUILESS_MAIN(TestAppModelEvents)
#include "tst_appmodel_events.moc"
