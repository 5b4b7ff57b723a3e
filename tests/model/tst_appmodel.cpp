#include "ModelRig.h"

#include "Core/Relay/RelayRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace std::chrono_literals;
using A = RelayPhase::Attention;

namespace {
const QDateTime t(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
}

// Starts the model and waits for its first full refresh.
bool startAndLoad(AppModel& model) {
    model.start();
    return QTest::qWaitFor([&] { return model.loaded() && !model.isChecking(); }, 10'000);
}

bool finish(const std::shared_ptr<Outcome<void>>& outcome) {
    return QTest::qWaitFor([&] { return outcome->done; }, 10'000);
}
} // namespace

class TestAppModel : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void startingUntilFirstRefreshEvenIfItFails();
    void dryRunSwitch_data();
    void dryRunSwitch();
    void pollEveryThirtySecondsAfterStart();
    void secondStartReplacesThePoll();
    void lastSyncOnlyMovesForward();
    void garbageKeepsTheLastGoodState();
    void overlappingRefreshesNeverBlock();
    void modelDestroyedDuringSlowRefresh();
    void staleStatusAnswerIsDropped();
    void checksDriveThePhase_data();
    void checksDriveThePhase();
    void setupComplete_data();
    void setupComplete();
    void pauseStopsTheRelayAndResumeStartsIt();
    void dryRunPairingRunsNothingForARemoteServer();
    void dryRunGuardKeepsTheRelayStopped_data();
    void dryRunGuardKeepsTheRelayStopped();
    void pairingStartsTheRelay();
    void unpairStopsTheRelay();
    void failedUnpairKeepsTheRelayStoppedWithoutAFalseError();
    void dashboardURL_data();
    void dashboardURL();
    void diagnosticsText();
    void loginItemOnFirstCompleteSetupOnly();
    void loginItemFailureKeepsEarlierError();
    void messagesPermissionWithoutMessages_data();
    void messagesPermissionWithoutMessages();
    void messagesQuietCheckWhileRunning();
    void requestWaitsAtMostTwentyFiveChecks();
    void requestStopsWaitingWhenMessagesComesUp();
    void requestRefusedGivesAutomationAttention();
    void refreshesCoalesce();
};

void TestAppModel::startingUntilFirstRefreshEvenIfItFails() {
    ModelRig rig; // nothing scripted for status: the relay exits 64 silently
    rig.relay.reply(doctorArgs, "not json", 1);
    AppModel& model = rig.make();
    QCOMPARE(model.phase(), RelayPhase::starting());
    model.start();
    QCOMPARE(model.phase(), RelayPhase::starting());
    QVERIFY(model.isChecking());
    QTRY_VERIFY(model.loaded());
    QTRY_VERIFY(!model.isChecking());
    QCOMPARE(model.phase(), RelayPhase::attention(A::notPaired()));
    QCOMPARE(model.relayError(), std::nullopt);
}

void TestAppModel::dryRunSwitch_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("set");
    QTest::addColumn<bool>("dryRun");
    QTest::newRow("absent") << QByteArray() << false << false;
    QTest::newRow("1") << QByteArray("1") << true << true;
    QTest::newRow("true") << QByteArray("true") << true << false;
    QTest::newRow("empty") << QByteArray("") << true << false;
    QTest::newRow("spaces") << QByteArray(" 1 ") << true << false;
    QTest::newRow("01") << QByteArray("01") << true << false;
}

void TestAppModel::dryRunSwitch() {
    QFETCH(QByteArray, value);
    QFETCH(bool, set);
    QFETCH(bool, dryRun);
    QProcessEnvironment environment;
    if (set)
        environment.insert(QStringLiteral("WRENBOX_RELAY_DRY_RUN"), QString::fromUtf8(value));
    ModelRig rig;
    rig.fake.run = RunOptions::fromEnvironment(environment);
    QCOMPARE(rig.make().dryRun(), dryRun);
}

void TestAppModel::pollEveryThirtySecondsAfterStart() {
    ModelRig rig;
    rig.replyStatus(unpairedStatus);
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    QCOMPARE(rig.count(statusArgs), 1);
    QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(30s)));

    rig.advance(29'900ms);
    QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(100)));
    QTest::qWait(100); // a poll fired early would have started its relay by now
    QCOMPARE(rig.count(statusArgs), 1);

    rig.advance(100ms);
    QTRY_COMPARE(rig.count(statusArgs), 2);
    // The next sleep starts once the answer is in: 30 s plus the time the request took.
    QTRY_COMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(30s)));
    rig.advance(30s);
    QTRY_COMPARE(rig.count(statusArgs), 3);
    QCOMPARE(rig.count(doctorArgs), 1); // polls ask for the status only
}

void TestAppModel::secondStartReplacesThePoll() {
    ModelRig rig;
    rig.replyStatus(unpairedStatus);
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    QVERIFY(startAndLoad(model));
    QTRY_COMPARE(rig.count(statusArgs), 2);
    QCOMPARE(rig.fake.clock.pendingTimers(), 1);
    rig.advance(30s);
    QTRY_COMPARE(rig.count(statusArgs), 3);
    QTest::qWait(100);
    QCOMPARE(rig.count(statusArgs), 3);
}

void TestAppModel::lastSyncOnlyMovesForward() {
    ModelRig rig;
    AppModel& model = rig.make();
    QSignalSpy syncSpy(&model, &AppModel::lastSyncAtChanged);
    QSignalSpy todaySpy(&model, &AppModel::todayChanged);
    QSignalSpy statusSpy(&model, &AppModel::statusChanged);

    rig.replyStatus(R"({"paired":true,"lastSyncAt":"2024-05-01T10:00:00Z","today":{"sent":2}})");
    QVERIFY(finish(launch(model.refreshStatus())));
    QCOMPARE(model.lastSyncAt(), t("2024-05-01T10:00:00Z"));
    QCOMPARE(model.today(), (RelayToday{2, 0, 0}));
    QCOMPARE(syncSpy.count(), 1);
    QCOMPARE(todaySpy.count(), 1);
    QCOMPARE(statusSpy.count(), 1);

    rig.replyStatus(R"({"paired":true,"lastSyncAt":"2024-05-01T09:00:00Z","today":{"sent":2}})");
    QVERIFY(finish(launch(model.refreshStatus())));
    QCOMPARE(model.lastSyncAt(), t("2024-05-01T10:00:00Z"));
    QCOMPARE(model.status().lastSyncAt, t("2024-05-01T09:00:00Z"));
    QCOMPARE(syncSpy.count(), 1);
    QCOMPARE(todaySpy.count(), 1); // same counters: no notification

    rig.replyStatus(R"({"paired":true,"today":{"sent":1}})");
    QVERIFY(finish(launch(model.refreshStatus())));
    QCOMPARE(model.lastSyncAt(), t("2024-05-01T10:00:00Z"));
    QCOMPARE(model.today(), (RelayToday{1, 0, 0}));

    rig.replyStatus(R"({"paired":true,"lastSyncAt":"2024-05-01T10:00:00.500Z"})");
    QVERIFY(finish(launch(model.refreshStatus())));
    QCOMPARE(model.lastSyncAt(), t("2024-05-01T10:00:00.500Z"));
    QCOMPARE(syncSpy.count(), 2);
}

void TestAppModel::garbageKeepsTheLastGoodState() {
    ModelRig rig;
    rig.replyStatus(pairedStatus);
    rig.relay.reply(doctorArgs,
                    R"({"checks":[{"id":"chatdb","status":"warn","detail":"slow"}],"problems":0})");
    AppModel& model = rig.make();
    QVERIFY(finish(launch(model.refresh())));
    const RelayStatus good = model.status();
    const DoctorReport goodDoctor = model.doctor();
    QVERIFY(good.paired);
    QCOMPARE(goodDoctor.checks.size(), 1);

    QSignalSpy statusSpy(&model, &AppModel::statusChanged);
    QSignalSpy doctorSpy(&model, &AppModel::doctorChanged);
    QSignalSpy errorSpy(&model, &AppModel::relayErrorChanged);
    const QList<std::pair<QByteArray, int>> answers{
        {"this is not json", 0}, {R"({"paired":"yes"})", 0}, {"", 0}, {"", 3}, {pairedStatus, 2}};
    for (const auto& [bytes, code] : answers) {
        rig.replyStatus(bytes, code);
        // Every doctor key is optional, so only a non-JSON answer is unreadable.
        rig.relay.reply(doctorArgs, bytes.startsWith('{') ? QByteArray("[1, 2") : bytes, code);
        QVERIFY(finish(launch(model.refresh())));
        QCOMPARE(model.status(), good);
        QCOMPARE(model.doctor(), goodDoctor);
    }
    QCOMPARE(statusSpy.count(), 0);
    QCOMPARE(doctorSpy.count(), 0);
    QCOMPARE(errorSpy.count(), 0);
    QVERIFY(!model.isChecking());
}

void TestAppModel::overlappingRefreshesNeverBlock() {
    ModelRig rig;
    rig.replyStatus(pairedStatus, 0, 400);
    rig.relay.reply(doctorArgs, "{}", 0, 400);
    AppModel& model = rig.make();
    QSignalSpy checkingSpy(&model, &AppModel::isCheckingChanged);

    QElapsedTimer elapsed;
    elapsed.start();
    auto first = launch(model.refresh());
    auto second = launch(model.refresh());
    auto third = launch(model.refreshStatus());
    QVERIFY2(elapsed.elapsed() < 300, "starting refreshes must not wait for the relay");
    QVERIFY(model.isChecking());
    QVERIFY(!first->done && !second->done && !third->done);

    QVERIFY(finish(first));
    QVERIFY(finish(second));
    QVERIFY(finish(third));
    QVERIFY(!first->error && !second->error && !third->error);
    QVERIFY(!model.isChecking());
    QVERIFY(model.status().paired);
    QCOMPARE(checkingSpy.count(), 2); // on once, off once: equal values do not notify
}

void TestAppModel::modelDestroyedDuringSlowRefresh() {
    ModelRig rig;
    rig.replyStatus(pairedStatus, 0, 300);
    rig.make();
    rig.model->start();
    auto pending = launch(rig.model->refresh());
    auto pairing =
        launch(rig.model->pair(QStringLiteral("ABC123"), QStringLiteral("https://x.test")));
    rig.model.reset();
    QVERIFY(finish(pending));
    QVERIFY(QTest::qWaitFor([&] { return pairing->done; }, 10'000));
    QVERIFY(pending->error == nullptr);
    QTRY_COMPARE(rig.fake.clock.pendingTimers(), 0);
}

void TestAppModel::staleStatusAnswerIsDropped() {
    // A relay whose first status answer is slow and old, and whose second is quick and new.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString script = dir.filePath(QStringLiteral("relay"));
    QVERIFY(FakeRelay::writeExecutable(
        script, "#!/bin/sh\n"
                "n=\"$(dirname \"$0\")/count\"\n"
                "if [ -e \"$n\" ]; then echo '{\"paired\":true}'; exit 0; fi\n"
                ": > \"$n\"\n"
                "sleep 1\n"
                "echo '{\"paired\":false}'\n"));
    FakePlatform fake;
    fake.bundle.helperPath = script;
    AppModel model(fake.platform());
    auto older = launch(model.refreshStatus());
    QTRY_VERIFY(QFile::exists(dir.filePath(QStringLiteral("count"))));
    auto newer = launch(model.refreshStatus());
    QVERIFY(finish(newer));
    QVERIFY(model.status().paired);
    QVERIFY(finish(older));
    QVERIFY(model.status().paired);
}

void TestAppModel::checksDriveThePhase_data() {
    QTest::addColumn<QByteArray>("doctor");
    QTest::addColumn<RelayPhase>("expected");
    QTest::addColumn<bool>("complete");
    const RelayPhase idle = RelayPhase::idle(std::nullopt);
    QTest::newRow("no checks") << QByteArray("{}") << idle << true;
    QTest::newRow("chatdb fails") << QByteArray(R"({"checks":[{"id":"chatdb","status":"fail"}]})")
                                  << RelayPhase::attention(A::fullDiskAccess()) << false;
    QTest::newRow("chatdb warns") << QByteArray(R"({"checks":[{"id":"chatdb","status":"warn"}]})")
                                  << idle << true;
    QTest::newRow("automation fails")
        << QByteArray(R"({"checks":[{"id":"automation","status":"fail"}]})")
        << RelayPhase::attention(A::automation()) << true;
    QTest::newRow("automation info")
        << QByteArray(R"({"checks":[{"id":"automation","status":"info"}]})") << idle << true;
    QTest::newRow("first chatdb counts")
        << QByteArray(
               R"({"checks":[{"id":"chatdb","status":"ok"},{"id":"chatdb","status":"fail"}]})")
        << idle << true;
    QTest::newRow("id matched exactly")
        << QByteArray(R"({"checks":[{"id":"ChatDB","status":"fail"}]})") << idle << true;
    QTest::newRow("other check fails")
        << QByteArray(R"({"checks":[{"id":"server","status":"fail"}]})") << idle << true;
}

void TestAppModel::checksDriveThePhase() {
    QFETCH(QByteArray, doctor);
    QFETCH(RelayPhase, expected);
    QFETCH(bool, complete);
    ModelRig rig;
    rig.replyStatus(R"({"paired":true,"server":"https://x.test"})");
    rig.relay.reply(doctorArgs, doctor);
    rig.relay.runStream({});
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    QCOMPARE(model.phase(), expected);
    QCOMPARE(model.setupComplete(), complete);
}

void TestAppModel::setupComplete_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<bool>("messagesRunning");
    QTest::addColumn<MessagesPermission>("answer");
    QTest::addColumn<bool>("complete");
    QTest::newRow("paired, unknown, no checks")
        << pairedStatus << false << MessagesPermission::Unknown << true;
    QTest::newRow("unpaired") << unpairedStatus << false << MessagesPermission::Granted << false;
    QTest::newRow("granted") << pairedStatus << true << MessagesPermission::Granted << true;
    QTest::newRow("never asked") << pairedStatus << true << MessagesPermission::NotAsked << false;
    QTest::newRow("denied") << pairedStatus << true << MessagesPermission::Denied << false;
}

void TestAppModel::setupComplete() {
    QFETCH(QByteArray, status);
    QFETCH(bool, messagesRunning);
    QFETCH(MessagesPermission, answer);
    QFETCH(bool, complete);
    ModelRig rig;
    rig.replyStatus(status);
    rig.fake.messages.running = messagesRunning;
    rig.fake.messages.answerWithoutAsking = answer;
    AppModel& model = rig.make();
    QSignalSpy spy(&model, &AppModel::setupCompleteChanged);
    QVERIFY(!model.setupComplete());
    QVERIFY(finish(launch(model.refresh())));
    QCOMPARE(model.setupComplete(), complete);
    // Paired is known before the permission, so an incomplete setup may flicker on and off.
    QCOMPARE(spy.count() % 2, complete ? 1 : 0);
    QCOMPARE(rig.fake.messages.prompts, 0);
}

void TestAppModel::pauseStopsTheRelayAndResumeStartsIt() {
    ModelRig rig;
    rig.replyStatus(pairedStatus);
    rig.relay.runStream({});
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    QTRY_COMPARE(rig.relay.livePids().size(), 1);
    QTRY_VERIFY(model.relayRunning());

    model.setPaused(true);
    QVERIFY(model.userPaused());
    QVERIFY(rig.fake.defaults.boolValue(QStringLiteral("paused")));
    QCOMPARE(model.phase(), RelayPhase::paused(false));
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
    QCOMPARE(model.events().first().kind, RelayEvent::Kind::Paused);
    QCOMPARE(model.events().first().at, rig.fake.clock.now());
    // The relay we stopped on purpose is not reported as an unexpected stop.
    QTest::qWait(100);
    QCOMPARE(model.relayError(), std::nullopt);
    QCOMPARE(rig.count(runArgs), 1);

    model.setPaused(false);
    QVERIFY(!rig.fake.defaults.boolValue(QStringLiteral("paused")));
    QCOMPARE(model.events().first().kind, RelayEvent::Kind::Resumed);
    QCOMPARE(model.events().size(), 2);
    QTRY_COMPARE(rig.relay.livePids().size(), 1);
    QTRY_COMPARE(rig.count(runArgs), 2);
    QCOMPARE(model.phase(), RelayPhase::idle(std::nullopt));

    // The pause survives into the next model.
    model.setPaused(true);
    rig.model.reset();
    QVERIFY(rig.make().userPaused());
}

void TestAppModel::dryRunPairingRunsNothingForARemoteServer() {
    ModelRig rig;
    rig.fake.run.dryRun = true;
    rig.relay.reply({"relay", "pair", "ABC123", "--server", "http://dev.localhost:3000", "--json"},
                    R"({"device":{"id":"d","name":"Dev"}})");
    rig.replyStatus(R"({"paired":true,"server":"http://dev.localhost:3000"})");
    rig.relay.runStream({});
    AppModel& model = rig.make();
    QVERIFY(model.dryRun());

    auto refused =
        launch(model.pair(QStringLiteral("ABC123"), QStringLiteral("https://wrenbox.app")));
    QVERIFY(refused->done); // refused before anything ran
    const auto error = relayErrorOf(refused->error);
    QVERIFY(error);
    QCOMPARE(error->kind(), RelayError::Kind::Failed);
    QCOMPARE(error->code(), std::optional<QString>(QStringLiteral("dry_run")));
    QCOMPARE(error->message(), AppModel::dryRunRefusal());
    QVERIFY(
        AppModel::dryRunRefusal().startsWith(QStringLiteral("This copy of Wrenbox is a dry run")));
    QTest::qWait(50);
    QVERIFY(rig.relay.calls().isEmpty());

    auto local =
        launch(model.pair(QStringLiteral("ABC123"), QStringLiteral("http://dev.localhost:3000")));
    QTRY_VERIFY(local->done);
    QVERIFY(!local->error);
    QCOMPARE(local->value->name, QStringLiteral("Dev"));
    QTRY_COMPARE(rig.relay.livePids().size(), 1);
    // The relay notes its pid before its command line.
    QTRY_COMPARE(rig.relay.calls().last(),
                 (QStringList{"relay", "run", "--events", "json", "--dry-run"}));
}

void TestAppModel::dryRunGuardKeepsTheRelayStopped_data() {
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<bool>("runs");
    QTest::newRow("remote") << QByteArray("https://wrenbox.app") << false;
    QTest::newRow("127.0.0.2") << QByteArray("http://127.0.0.2:3000") << false;
    QTest::newRow("127.0.0.1") << QByteArray("ftp://127.0.0.1:9") << true;
    QTest::newRow("LOCALHOST") << QByteArray("http://LOCALHOST:3000") << true;
}

void TestAppModel::dryRunGuardKeepsTheRelayStopped() {
    QFETCH(QByteArray, server);
    QFETCH(bool, runs);
    ModelRig rig;
    rig.fake.run.dryRun = true;
    rig.replyStatus(R"({"paired":true,"server":")" + server + R"("})");
    rig.relay.runStream({});
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    if (runs) {
        QTRY_COMPARE(rig.relay.livePids().size(), 1);
        QCOMPARE(model.relayError(), std::nullopt);
    } else {
        QCOMPARE(model.relayError(), std::optional(AppModel::dryRunRefusal()));
        QCOMPARE(model.phase(), RelayPhase::attention(A::relayStopped(AppModel::dryRunRefusal())));
        QTest::qWait(100);
        QCOMPARE(rig.count(runArgs + QStringList{"--dry-run"}), 0);
    }
}

void TestAppModel::pairingStartsTheRelay() {
    ModelRig rig;
    const QStringList pairArgs{"relay", "pair", "ABC123", "--server", "https://x.test", "--json"};
    rig.relay.reply(pairArgs, R"({"error":{"code":"bad_code","message":"That code has expired."}})",
                    1);
    rig.replyStatus(unpairedStatus);
    rig.relay.runStream({});
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));

    auto failed = launch(model.pair(QStringLiteral("ABC123"), QStringLiteral("https://x.test")));
    QTRY_VERIFY(failed->done);
    const auto error = relayErrorOf(failed->error);
    QVERIFY(error);
    QCOMPARE(error->message(), QStringLiteral("That code has expired."));
    QCOMPARE(error->code(), std::optional<QString>(QStringLiteral("bad_code")));
    QCOMPARE(model.phase(), RelayPhase::attention(A::notPaired()));

    rig.relay.reply(pairArgs, R"({"device":{"id":"d1","name":"Phone"}})");
    rig.replyStatus(pairedStatus);
    auto paired = launch(model.pair(QStringLiteral("ABC123"), QStringLiteral("https://x.test")));
    QTRY_VERIFY(paired->done);
    QVERIFY(!paired->error);
    QCOMPARE(*paired->value, (RelayDevice{"d1", "Phone"}));
    QVERIFY(model.status().paired);
    QTRY_COMPARE(rig.relay.livePids().size(), 1);
    QTRY_COMPARE(rig.count(runArgs), 1);
}

void TestAppModel::unpairStopsTheRelay() {
    ModelRig rig;
    rig.replyStatus(pairedStatus);
    rig.relay.reply(unpairArgs, "{}");
    rig.relay.runStream({});
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    QTRY_COMPARE(rig.relay.livePids().size(), 1);

    rig.replyStatus(unpairedStatus);
    auto done = launch(model.unpair());
    QVERIFY(!model.relayRunning()); // stopped before the command runs
    QVERIFY(finish(done));
    QVERIFY(!done->error);
    QCOMPARE(model.batch(), std::nullopt);
    QVERIFY(!model.status().paired);
    QCOMPARE(model.phase(), RelayPhase::attention(A::notPaired()));
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
    QCOMPARE(rig.count(runArgs), 1);
}

void TestAppModel::failedUnpairKeepsTheRelayStoppedWithoutAFalseError() {
    ModelRig rig;
    rig.replyStatus(pairedStatus);
    rig.relay.reply(unpairArgs, R"({"error":{"message":"Server unreachable."}})", 1);
    rig.relay.runStream({});
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    QTRY_COMPARE(rig.relay.livePids().size(), 1);

    auto done = launch(model.unpair());
    QVERIFY(finish(done));
    const auto error = relayErrorOf(done->error);
    QVERIFY(error);
    QCOMPARE(error->description(), QStringLiteral("Server unreachable."));
    QVERIFY(model.status().paired);
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
    QTRY_VERIFY(!model.relayRunning());
    QTest::qWait(100);
    // Nothing restarts a relay stopped on purpose, so no text may claim so.
    QCOMPARE(model.relayError(), std::nullopt);
    QCOMPARE(rig.fake.clock.pendingTimers(), 1); // the poll only, no restart
}

void TestAppModel::dashboardURL_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no server") << QByteArray(R"({"paired":true})")
                               << QStringLiteral("https://wrenbox.app/app");
    QTest::newRow("origin") << QByteArray(R"({"server":"https://x.test"})")
                            << QStringLiteral("https://x.test/app");
    QTest::newRow("origin with slash")
        << QByteArray(R"({"server":"https://x.test/"})") << QStringLiteral("https://x.test/app");
    QTest::newRow("folder") << QByteArray(R"({"server":"https://x.test/base/"})")
                            << QStringLiteral("https://x.test/base/app");
    QTest::newRow("file") << QByteArray(R"({"server":"http://localhost:3000/base"})")
                          << QStringLiteral("http://localhost:3000/base/app");
    QTest::newRow("not a URL") << QByteArray(R"({"server":"https://a b"})") << QString();
    QTest::newRow("no host") << QByteArray(R"({"server":"wrenbox"})") << QString();
}

void TestAppModel::dashboardURL() {
    QFETCH(QByteArray, status);
    QFETCH(QString, expected);
    ModelRig rig;
    rig.replyStatus(status);
    AppModel& model = rig.make();
    QVERIFY(finish(launch(model.refreshStatus())));
    QVERIFY(model.status().paired || model.status().server);
    const auto url = model.dashboardURL();
    if (expected.isEmpty())
        QCOMPARE(url, std::nullopt);
    else
        QCOMPARE(url, std::optional(QUrl(expected)));
}

void TestAppModel::diagnosticsText() {
    ModelRig rig;
    rig.relay.reply(doctorArgs, R"({"checks":[
        {"id":"chatdb","status":"warn","title":"T","detail":"D","fix":"F"},
        {"id":"chatdb","status":"warn","detail":"D"},
        {"name":"Server","status":"ok","detail":"reachable"}]})");
    AppModel& model = rig.make();
    QCOMPARE(model.diagnostics(), QStringLiteral("Wrenbox for Test 1.2.3, Test OS 1\n"
                                                 "App: /opt/wrenbox\n"
                                                 "Messages permission: unknown"));
    rig.fake.messages.running = true;
    rig.fake.messages.answerWithoutAsking = MessagesPermission::NotAsked;
    rig.fake.bundle.version.reset();
    QVERIFY(finish(launch(model.refresh())));
    QCOMPARE(model.diagnostics(), QStringLiteral("Wrenbox for Test ?, Test OS 1\n"
                                                 "App: /opt/wrenbox\n"
                                                 "Messages permission: notAsked\n"
                                                 "[warn] chatdb: D | fix: F\n"
                                                 "[warn] chatdb: D\n"
                                                 "[ok] server: reachable"));
}

void TestAppModel::loginItemOnFirstCompleteSetupOnly() {
    ModelRig rig;
    rig.replyStatus(pairedStatus);
    rig.relay.runStream({});
    {
        AppModel& model = rig.make();
        QVERIFY(!model.loginItemEnabled());
        QSignalSpy spy(&model, &AppModel::loginItemEnabledChanged);
        QVERIFY(startAndLoad(model));
        QVERIFY(model.setupComplete());
        QCOMPARE(rig.fake.loginItem.calls, QList<bool>{true});
        QVERIFY(model.loginItemEnabled());
        QCOMPARE(spy.count(), 1);
        QVERIFY(rig.fake.defaults.boolValue(QStringLiteral("loginItemDecided")));

        // The user turns it off in Settings.
        model.setLoginItem(false);
        QVERIFY(!model.loginItemEnabled());
    }
    // Later launches leave that decision alone.
    AppModel& again = rig.make();
    QVERIFY(startAndLoad(again));
    QVERIFY(again.setupComplete());
    QCOMPARE(rig.fake.loginItem.calls, (QList<bool>{true, false}));
    QVERIFY(!again.loginItemEnabled());
}

void TestAppModel::loginItemFailureKeepsEarlierError() {
    ModelRig rig;
    rig.fake.loginItem.enabled = true;
    AppModel& model = rig.make();
    QVERIFY(model.loginItemEnabled()); // read from the service at creation

    rig.fake.loginItem.nextFailure = QStringLiteral("first failure");
    model.setLoginItem(false);
    QCOMPARE(model.relayError(), std::optional<QString>(QStringLiteral("first failure")));
    QVERIFY(model.loginItemEnabled()); // the real state, not the requested one
    QVERIFY(rig.fake.defaults.boolValue(QStringLiteral("loginItemDecided")));

    rig.fake.loginItem.nextFailure = QStringLiteral("second failure");
    model.setLoginItem(false);
    QCOMPARE(model.relayError(), std::optional<QString>(QStringLiteral("first failure")));

    model.setLoginItem(false);
    QVERIFY(!model.loginItemEnabled());
    QCOMPARE(model.relayError(), std::optional<QString>(QStringLiteral("first failure")));
}

void TestAppModel::messagesPermissionWithoutMessages_data() {
    QTest::addColumn<MessagesPermission>("before");
    QTest::addColumn<MessagesPermission>("after");
    QTest::newRow("granted stays") << MessagesPermission::Granted << MessagesPermission::Granted;
    QTest::newRow("denied stays") << MessagesPermission::Denied << MessagesPermission::Denied;
    QTest::newRow("notAsked becomes unknown")
        << MessagesPermission::NotAsked << MessagesPermission::Unknown;
    QTest::newRow("unknown stays") << MessagesPermission::Unknown << MessagesPermission::Unknown;
}

void TestAppModel::messagesPermissionWithoutMessages() {
    QFETCH(MessagesPermission, before);
    QFETCH(MessagesPermission, after);
    ModelRig rig;
    AppModel& model = rig.make();
    rig.fake.messages.running = true;
    rig.fake.messages.answerWithoutAsking = before;
    QVERIFY(finish(launch(model.checkMessagesPermission())));
    QCOMPARE(model.messagesPermission(), before);

    rig.fake.messages.running = false;
    rig.fake.messages.answerWithoutAsking = MessagesPermission::Granted;
    QVERIFY(finish(launch(model.refresh())));
    QCOMPARE(model.messagesPermission(), after);
    QCOMPARE(rig.fake.messages.quietAsks, 1);
    QCOMPARE(rig.fake.messages.prompts, 0);
}

void TestAppModel::messagesQuietCheckWhileRunning() {
    ModelRig rig;
    AppModel& model = rig.make();
    QSignalSpy spy(&model, &AppModel::messagesPermissionChanged);
    rig.fake.messages.running = true;
    rig.fake.messages.answerWithoutAsking = MessagesPermission::NotAsked;
    QVERIFY(finish(launch(model.checkMessagesPermission())));
    QCOMPARE(model.messagesPermission(), MessagesPermission::NotAsked);
    QVERIFY(finish(launch(model.checkMessagesPermission())));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(rig.fake.messages.prompts, 0);
}

void TestAppModel::requestWaitsAtMostTwentyFiveChecks() {
    ModelRig rig;
    rig.fake.messages.locatable = true;
    rig.fake.messages.runningAfterChecks.reset(); // never comes up
    rig.fake.messages.answerWhenAsked = MessagesPermission::Unknown;
    AppModel& model = rig.make();
    auto request = launch(model.requestMessagesAutomation());
    QVERIFY(model.askingMessages());
    QCOMPARE(rig.fake.messages.launches, 1);
    for (int sleep = 0; sleep < 25; ++sleep) {
        QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(200)));
        QCOMPARE(rig.fake.workspace.activations, 0);
        rig.advance(200ms);
    }
    // The wait is over whether or not Messages came up: the question comes next.
    QCOMPARE(rig.fake.workspace.activations, 1);
    QCOMPARE(rig.fake.messages.prompts, 1);
    QVERIFY(finish(request));
    QVERIFY(!model.askingMessages());
    QCOMPARE(rig.count(statusArgs), 1); // the closing refresh
    QCOMPARE(rig.count(doctorArgs), 1);
}

void TestAppModel::requestStopsWaitingWhenMessagesComesUp() {
    ModelRig rig;
    rig.fake.messages.locatable = true;
    rig.fake.messages.runningAfterChecks = 3;
    rig.fake.messages.answerWhenAsked = MessagesPermission::Granted;
    rig.fake.messages.answerWithoutAsking = MessagesPermission::Granted;
    AppModel& model = rig.make();
    auto request = launch(model.requestMessagesAutomation());
    for (int sleep = 0; sleep < 3; ++sleep) {
        QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(200)));
        rig.advance(200ms);
    }
    QVERIFY(rig.fake.clock.nextDue() != std::optional(std::chrono::milliseconds(200)));
    QCOMPARE(rig.fake.workspace.activations, 1);
    QVERIFY(finish(request));
    QCOMPARE(model.messagesPermission(), MessagesPermission::Granted);

    // Already running: no launch, no wait.
    auto again = launch(model.requestMessagesAutomation());
    QVERIFY(finish(again));
    QCOMPARE(rig.fake.messages.launches, 1);
    QCOMPARE(rig.fake.workspace.activations, 2);
}

void TestAppModel::requestRefusedGivesAutomationAttention() {
    ModelRig rig;
    rig.replyStatus(pairedStatus);
    rig.relay.runStream({});
    rig.fake.messages.running = true;
    rig.fake.messages.answerWithoutAsking = MessagesPermission::NotAsked;
    rig.fake.messages.answerWhenAsked = MessagesPermission::Denied;
    AppModel& model = rig.make();
    QVERIFY(startAndLoad(model));
    QVERIFY(!model.setupComplete());
    rig.fake.messages.answerWithoutAsking = MessagesPermission::Denied;
    QVERIFY(finish(launch(model.requestMessagesAutomation())));
    QCOMPARE(model.messagesPermission(), MessagesPermission::Denied);
    QCOMPARE(model.phase(), RelayPhase::attention(A::automation()));
    QCOMPARE(rig.fake.messages.launches, 0);
}

void TestAppModel::refreshesCoalesce() {
    ModelRig rig;
    rig.replyStatus(pairedStatus, 0, 200);
    AppModel& model = rig.make();
    int doctorsWhenDone = -1;
    connect(&model, &AppModel::isCheckingChanged, this, [&] {
        if (!model.isChecking())
            doctorsWhenDone = rig.count(doctorArgs);
    });
    QList<std::shared_ptr<Outcome<void>>> calls;
    for (int i = 0; i < 50; ++i) {
        calls.append(launch(model.refresh()));
        calls.append(launch(model.refreshStatus()));
    }
    for (const auto& call : std::as_const(calls))
        QVERIFY(finish(call));
    // The first run of each, then one more for everything asked while it ran.
    QCOMPARE(rig.count(doctorArgs), 2);
    QCOMPARE(rig.count(statusArgs), 3);
    QCOMPARE(doctorsWhenDone, 2); // checking until the last run ended
}

QTEST_GUILESS_MAIN(TestAppModel)
#include "tst_appmodel.moc"
