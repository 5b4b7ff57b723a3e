// The model over the fake relay: refreshes and the poll, pairing, pause, the relay's events and
// exits and crash loops, the batch, Messages permission and the login item.

#include "RelayRig.h"

#include <QSignalSpy>

#include <csignal>

using namespace std::chrono_literals;
using A = RelayPhase::Attention;
using Kind = RelayEvent::Kind;

char* toString(const RelayPhase& phase) {
    return QTest::toString(phase.debugText());
}

namespace {
QDateTime t(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
}

QList<Kind> kinds(const AppModel& model) {
    QList<Kind> result;
    for (const RelayEvent& event : model.events())
        result.append(event.kind);
    return result;
}

// The status answer of a paired relay with these extra keys.
QByteArray paired(const QByteArray& extra) {
    return R"({"paired":true,"server":"http://localhost:8080")" + extra + "}";
}
} // namespace

class TestAppModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsThenPollsEveryThirtySeconds() {
        RelayRig rig;
        rig.relay.reply(statusArgs, {}, 3);
        rig.relay.reply(doctorArgs, "not json", 1);
        AppModel& model = rig.make();
        model.start();
        QCOMPARE(model.phase(),
                 RelayPhase::starting()); // until the first refresh, even a failed one
        QVERIFY(model.isChecking());
        QVERIFY(rig.settle() && model.loaded());
        QCOMPARE(model.phase(), RelayPhase::attention(A::notPaired()));
        QCOMPARE(model.relayError(), std::nullopt);
        QVERIFY(rig.start()); // a second start replaces the poll
        QCOMPARE(rig.fake.clock.pendingTimers(), 1);
        QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(30s)));
        rig.advance(29'999ms);
        QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(1ms)));
        rig.advance(1ms);
        QVERIFY(rig.settle());
        QCOMPARE(rig.count(statusArgs), 3);
        // The next sleep starts once the answer is in.
        QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(30s)));
        QCOMPARE(rig.count(doctorArgs), 2); // polls ask for the status only
    }

    void refreshesCoalesce() {
        RelayRig rig("status-paired");
        rig.relay.reply(statusArgs, answer("status-paired"), 0, 200);
        AppModel& model = rig.make();
        int doctorsWhenDone = -1;
        connect(&model, &AppModel::isCheckingChanged, this, [&] {
            if (!model.isChecking())
                doctorsWhenDone = rig.count(doctorArgs);
        });
        QList<std::shared_ptr<Outcome<void>>> calls;
        for (int i = 0; i < 50; ++i)
            calls << launch(model.refresh()) << launch(model.refreshStatus());
        QCOMPARE(rig.fake.clock.pendingTimers(), 1); // one relay call under way; none waited
        for (const auto& call : std::as_const(calls))
            QVERIFY(finish(call));
        // The first run of each, then one more for everything asked while it ran.
        QCOMPARE(rig.count(doctorArgs), 2);
        QCOMPARE(rig.count(statusArgs), 3);
        QCOMPARE(doctorsWhenDone, 2); // checking until the last run ended
    }

    // Answers that cannot be read keep the last good state.
    void keepsTheLastGoodState() {
        RelayRig rig;
        rig.relay.reply(doctorArgs, answer("doctor-chatdb-fails"));
        AppModel& model = rig.make();
        const auto refreshWith = [&](const QByteArray& status, int code = 0) {
            rig.relay.reply(statusArgs, status, code);
            return finish(launch(model.refresh()));
        };
        QVERIFY(refreshWith(paired(R"(,"lastSyncAt":"2024-05-01T10:00:00Z","today":{"sent":2})")));
        const RelayStatus good = model.status();
        const DoctorReport goodDoctor = model.doctor();
        QSignalSpy changes(&model, &AppModel::statusChanged);
        QSignalSpy errors(&model, &AppModel::relayErrorChanged);
        rig.relay.reply(doctorArgs, "[1, 2");
        for (const auto& [bytes, code] : QList<std::pair<QByteArray, int>>{
                 {"not json", 0}, {R"({"paired":"yes"})", 0}, {"", 3}, {paired(""), 2}})
            QVERIFY(refreshWith(bytes, code));
        QCOMPARE(model.status(), good);
        QCOMPARE(model.doctor(), goodDoctor);
        QCOMPARE(changes.count() + errors.count(), 0);
    }

    void modelDestroyedDuringSlowCalls() {
        RelayRig rig("status-paired");
        rig.relay.reply(statusArgs, answer("status-paired"), 0, 300);
        rig.make().start();
        auto refresh = launch(rig.model->refresh());
        auto pairing = launch(rig.model->pair(u"ABC123"_qs, u"https://x.test"_qs));
        rig.model.reset();
        QVERIFY(finish(refresh) && finish(pairing));
        QVERIFY(!refresh->error);
        QTRY_COMPARE(rig.fake.clock.pendingTimers(), 0);
    }

    void checksDriveThePhase_data() { addRows("Core/checks.txt"); }

    void checksDriveThePhase() {
        QFETCH(QByteArrayList, row);
        const QList<QByteArray> permissions{"granted", "notAsked", "denied", "unknown"};
        const auto permission = MessagesPermission(permissions.indexOf(row[2]));
        RelayRig rig("status-paired");
        rig.relay.reply(doctorArgs, row[1]);
        rig.fake.messages.running = permission != MessagesPermission::Unknown;
        rig.fake.messages.answerWithoutAsking = permission;
        QVERIFY(rig.start());
        QCOMPARE(rig.model->phase().debugText(), QString::fromUtf8(row[3]));
        QCOMPARE(rig.model->setupComplete(), row[4] == "yes");
        QCOMPARE(rig.fake.messages.prompts, 0);
    }

    void pauseStopsTheRelayAndResumeStartsIt() {
        RelayRig rig("status-paired");
        QVERIFY(rig.start());
        AppModel& model = *rig.model;
        QTRY_COMPARE(rig.relay.livePids().size(), 1);
        rig.print({R"({"event":"synced","jobs":3})", R"({"event":"sent"})"});
        QCOMPARE(model.batch(), std::optional(RelayBatch{1, 3}));

        model.setPaused(true);
        QCOMPARE(model.batch(), std::nullopt);
        QCOMPARE(model.phase(), RelayPhase::paused(false));
        QCOMPARE(model.events().first().kind, Kind::Paused);
        QVERIFY(rig.settle());
        QVERIFY(rig.relay.livePids().isEmpty());
        QCOMPARE(model.relayError(), std::nullopt);  // a stop on purpose is no unexpected stop
        QCOMPARE(rig.fake.clock.pendingTimers(), 1); // the poll; no restart

        model.setPaused(false);
        QCOMPARE(model.events().first().kind, Kind::Resumed);
        QTRY_COMPARE(rig.count(runArgs), 2);
        model.setPaused(true);
        QVERIFY(rig.make().userPaused()); // the pause outlives the model

        // Stopped for quitting while the first refresh is under way: that refresh starts nothing.
        rig.relay.reply(statusArgs, answer("status-paired"), 0, 300);
        rig.fake.defaults.setBool(u"paused"_qs, false);
        rig.make().start();
        rig.model->stopRelay();
        QVERIFY(rig.settle());
        QCOMPARE(rig.count(runArgs), 2);
        QVERIFY(!rig.model->relayRunning());
    }

    void dryRunKeepsTheRelayToLocalServers_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<bool>("runs");
        QTest::newRow("remote") << QByteArray("https://wrenbox.app") << false;
        QTest::newRow("LOCALHOST") << QByteArray("http://LOCALHOST:3000") << true;
    }

    void dryRunKeepsTheRelayToLocalServers() {
        QFETCH(QByteArray, server);
        QFETCH(bool, runs);
        RelayRig rig;
        for (const char* value : {"true", "", " 1 ", "01", "1"}) { // only exactly "1" is a dry run
            QProcessEnvironment environment;
            environment.insert(u"WRENBOX_RELAY_DRY_RUN"_qs, QString::fromLatin1(value));
            rig.fake.run = RunOptions::fromEnvironment(environment);
            QCOMPARE(rig.make().dryRun(), value == QByteArrayView("1"));
        }
        rig.relay.reply(statusArgs, "{\"paired\":true,\"server\":\"" + server + "\"}");
        AppModel& model = rig.make();
        auto refused = launch(model.pair(u"ABC123"_qs, u"https://wrenbox.app"_qs));
        QVERIFY(refused->done); // refused before anything ran
        QCOMPARE(refused->relayError, RelayError::failed(u"dry_run"_qs, AppModel::dryRunRefusal()));
        QVERIFY(rig.relay.calls().isEmpty());
        // A local server is the dry run's own: that pairing goes ahead.
        rig.relay.reply({"relay", "pair", "ABC123", "--server", "http://localhost:8080", "--json"},
                        answer("pair-ok"));
        auto local = launch(model.pair(u"ABC123"_qs, u"http://localhost:8080"_qs));
        QVERIFY(finish(local) && local->value && !local->error);

        QVERIFY(rig.start());
        if (runs)
            QTRY_COMPARE(rig.count(runArgs + QStringList{"--dry-run"}), 1);
        else
            QCOMPARE(model.phase(),
                     RelayPhase::attention(A::relayStopped(AppModel::dryRunRefusal())));
        QCOMPARE(rig.count(runArgs), 0);
    }

    void pairAndUnpair() {
        RelayRig rig;
        const QStringList pairArgs{"relay",    "pair",           "ABC123",
                                   "--server", "https://x.test", "--json"};
        QVERIFY(rig.start());
        AppModel& model = *rig.model;
        rig.relay.reply(pairArgs, answer("pair-ok"));
        rig.relay.reply(statusArgs, answer("status-paired"));
        auto pairing = launch(model.pair(u"ABC123"_qs, u"https://x.test"_qs));
        QVERIFY(finish(pairing) && pairing->value);
        QCOMPARE(pairing->value->name, u"Studio Mac"_qs);
        // The relay itself, not a status call that may still be under way.
        QTRY_COMPARE(rig.count(runArgs), 1);

        // A failed unpair leaves the relay stopped without claiming it stopped by itself.
        rig.relay.reply(unpairArgs, R"({"error":{"message":"Server unreachable."}})", 1);
        auto refused = launch(model.unpair());
        QVERIFY(!model.relayRunning()); // stopped before the command runs
        QVERIFY(finish(refused) && rig.settle());
        QCOMPARE(refused->relayError->description(), u"Server unreachable."_qs);
        QVERIFY(rig.relay.livePids().isEmpty());
        QCOMPARE(model.relayError(), std::nullopt);
        QCOMPARE(rig.fake.clock.pendingTimers(), 1); // the poll only, no restart

        rig.relay.reply(unpairArgs, "{}");
        rig.relay.reply(statusArgs, answer("status-unpaired"));
        QVERIFY(finish(launch(model.unpair())));
        QCOMPARE(model.phase(), RelayPhase::attention(A::notPaired()));
        QCOMPARE(rig.count(runArgs), 1);
    }

    void dashboardAndDiagnostics() {
        RelayRig rig;
        rig.relay.reply(statusArgs, R"({"paired":true})"); // no server: the default one
        rig.relay.reply(doctorArgs,
                        R"({"checks":[{"id":"chatdb","status":"warn","detail":"D","fix":"F"},)"
                        R"({"name":"Server","status":"ok","detail":"reachable"}]})");
        rig.fake.messages.running = true;
        rig.fake.messages.answerWithoutAsking = MessagesPermission::NotAsked;
        rig.fake.bundle.version.reset();
        AppModel& model = rig.make();
        QVERIFY(finish(launch(model.refresh())));
        QCOMPARE(model.dashboardURL(), QUrl(u"https://wrenbox.app/app"_qs));
        QCOMPARE(model.diagnostics(), u"Wrenbox for Test ?, Test OS 1\nApp: /opt/wrenbox\n"
                                      "Messages permission: notAsked\n[warn] chatdb: D | fix: F\n"
                                      "[ok] server: reachable"_qs);
    }

    void loginItemOnFirstCompleteSetupOnly() {
        RelayRig rig("status-paired");
        QVERIFY(rig.start());
        QCOMPARE(rig.fake.loginItem.calls, QList<bool>{true});
        QVERIFY(rig.model->loginItemEnabled());
        rig.model->setLoginItem(false); // the user turns it off
        QVERIFY(rig.start());           // and a later launch leaves that alone
        QCOMPARE(rig.fake.loginItem.calls, (QList<bool>{true, false}));

        // A failure shows, keeps the real state, and does not hide an earlier error.
        for (const QString& failure : {u"first"_qs, u"second"_qs}) {
            rig.fake.loginItem.nextFailure = failure;
            rig.model->setLoginItem(true);
            QCOMPARE(rig.model->relayError(), u"first"_qs);
            QVERIFY(!rig.model->loginItemEnabled());
        }
    }

    void messagesPermission() {
        RelayRig rig("status-paired");
        AppModel& model = rig.make();
        QSignalSpy spy(&model, &AppModel::messagesPermissionChanged);
        FakeMessages& messages = rig.fake.messages;
        // Without Messages running there is no answer: "not asked" becomes unknown, others stay.
        using P = MessagesPermission;
        for (const auto& [answer, after] :
             {std::pair(P::NotAsked, P::Unknown), {P::Denied, P::Denied}}) {
            messages.running = true;
            messages.answerWithoutAsking = answer;
            QVERIFY(finish(launch(model.checkMessagesPermission())));
            QVERIFY(finish(launch(model.checkMessagesPermission()))); // the same answer: no signal
            QCOMPARE(model.messagesPermission(), answer);
            messages.running = false;
            QVERIFY(finish(launch(model.refresh())));
            QCOMPARE(model.messagesPermission(), after);
        }
        QCOMPARE(spy.count(), 3);
        QCOMPARE(messages.quietAsks, 4);
        QCOMPARE(messages.prompts, 0);

        // Asking when Messages already runs: no launch, no wait; a refusal needs attention.
        messages.running = true;
        messages.answerWhenAsked = MessagesPermission::Denied;
        auto asked = launch(model.requestMessagesAutomation());
        QVERIFY(model.askingMessages());
        QVERIFY(finish(asked));
        QVERIFY(!model.askingMessages());
        QCOMPARE(messages.launches, 0);
        QCOMPARE(messages.prompts, 1);
        QCOMPARE(model.messagesPermission(), MessagesPermission::Denied);

        // Otherwise Messages is launched and waited for, 200 ms at a time, at most 25 times; the
        // question comes next, whether or not Messages came up.
        for (const std::optional<int> comesUpAfter :
             {std::optional<int>(), std::optional<int>(3)}) {
            messages.running = false;
            messages.locatable = true;
            messages.runningAfterChecks = comesUpAfter;
            const int activations = rig.fake.workspace.activations;
            const int statuses = rig.count(statusArgs);
            auto request = launch(model.requestMessagesAutomation());
            for (int sleep = 0; sleep < comesUpAfter.value_or(25); ++sleep) {
                QCOMPARE(rig.fake.clock.nextDue(), std::optional(std::chrono::milliseconds(200)));
                QCOMPARE(rig.fake.workspace.activations, activations);
                rig.advance(200ms);
            }
            QCOMPARE(rig.fake.workspace.activations, activations + 1);
            QVERIFY(finish(request));
            QCOMPARE(rig.count(statusArgs), statuses + 1); // the closing refresh
        }
        QCOMPARE(messages.launches, 2);
        QCOMPARE(messages.prompts, 3);
    }

    void feedAndBatches() {
        RelayRig rig("status-paired");
        const auto at = [](int s) {
            return QByteArray("\"at\":\"2024-05-01T10:00:0") + char('0' + s) + "Z\"}\n";
        };
        rig.relay.runStream(
            {.chunks = {{0, R"({"event":"started",)" + at(1) + R"({"event":"synced","jobs":3,)" +
                                at(2) + R"({"event":"sent","id":"m1",)" + at(3) +
                                R"({"event":"sent","id":"m2",)" + at(4) +
                                R"({"event":"sent","id":"m3",)" + at(5)}}});
        AppModel& model = rig.make();
        QList<RelayPhase> phases;
        connect(&model, &AppModel::phaseChanged, &model, [&] { phases.append(model.phase()); });
        model.start();
        QTRY_COMPARE(model.today().sent, 3);
        const QDateTime synced = t("2024-05-01T10:00:02Z");
        QCOMPARE(phases, (QList<RelayPhase>{RelayPhase::idle(std::nullopt),
                                            RelayPhase::sending(0, 3), RelayPhase::sending(1, 3),
                                            RelayPhase::sending(2, 3), RelayPhase::idle(synced)}));
        QCOMPARE(kinds(model),
                 (QList<Kind>{Kind::Sent, Kind::Sent, Kind::Sent, Kind::Synced, Kind::Started}));
        QCOMPARE(model.events().first().messageID, u"m3"_qs);
        // The finished batch stays 2 seconds after the last text, then goes.
        rig.advance(1999ms);
        QCOMPARE(model.batch(), std::optional(RelayBatch{3, 3}));
        rig.advance(1ms);
        QCOMPARE(model.batch(), std::nullopt);
        // The next poll brings the relay's own counters.
        rig.relay.reply(statusArgs, answer("status-counters"));
        rig.advance(28s);
        QVERIFY(rig.settle());
        QCOMPARE(model.today(), (RelayToday{14, 1, 5}));
        QCOMPARE(model.lastSyncAt(), synced); // the status's older sync does not move it back

        // Repeated empty syncs keep one entry; other events sit between them.
        rig.print({R"({"event":"synced","jobs":0})", R"({"event":"synced"})",
                   R"({"event":"received"})", R"({"event":"synced"})", R"({"event":"whatever"})",
                   R"({"event":"paused"})"});
        QCOMPARE(kinds(model).mid(0, 5), (QList<Kind>{Kind::Paused, Kind::Unknown, Kind::Synced,
                                                      Kind::Received, Kind::Synced}));
        QVERIFY(!model.userPaused());
        // Texts outside a batch only count.
        rig.print({R"({"event":"sent"})", R"({"event":"failed"})"});
        QCOMPARE(model.today(), (RelayToday{15, 2, 6}));
        QCOMPARE(model.batch(), std::nullopt);
        // New jobs join a running batch.
        rig.print({R"({"event":"synced","jobs":2})", R"({"event":"sent"})",
                   R"({"event":"synced","jobs":2})"});
        QCOMPARE(model.phase(), RelayPhase::sending(1, 4));
        // The hold of a finished batch leaves a newer batch alone, and the newer one gets its own.
        rig.print({R"({"event":"sent"})", R"({"event":"failed"})", R"({"event":"sent"})"});
        rig.advance(1s);
        rig.print({R"({"event":"synced","jobs":1})", R"({"event":"sent"})"});
        rig.advance(1s);
        QCOMPARE(model.batch(), std::optional(RelayBatch{1, 1}));
        rig.advance(1s);
        QCOMPARE(model.batch(), std::nullopt);
        // A flood of finished batches keeps one hold pending, not one each.
        for (int i = 0; i < 200; ++i)
            rig.print({R"({"event":"synced","jobs":1})", R"({"event":"sent"})"});
        QCOMPARE(rig.fake.clock.pendingTimers(), 2); // the poll and the last batch's hold
        // The feed keeps the twelve newest, newest first.
        for (int i = 1; i <= 13; ++i)
            rig.print({QStringLiteral(R"({"event":"received","id":"r%1"})").arg(i).toUtf8()});
        QCOMPARE(model.events().size(), 12);
        QCOMPARE(model.events().first().messageID, u"r13"_qs);
        QCOMPARE(model.events().last().messageID, u"r2"_qs);
        // Hostile counts saturate instead of wrapping.
        const QByteArray half = R"({"event":"synced","jobs":4611686018427387904})"; // 2^62
        rig.print({half, half, R"({"event":"sent"})"});
        QCOMPARE(model.batch(), std::optional(RelayBatch{1, std::numeric_limits<qint64>::max()}));
    }

    void exits_data() { addRows("Core/exits.txt"); }

    void exits() {
        QFETCH(QByteArrayList, row);
        const int code = row[1].toInt();
        const QString error = QString::fromUtf8(row[2]);
        RelayRig rig("status-paired");
        const QByteArray line = R"({"event":"error","message":"Database locked"})"
                                "\n";
        rig.relay.runStream({.chunks = {{0, error == u"Database locked" ? line : ""}},
                             .stayAlive = false,
                             .exitCode = code});
        QVERIFY(rig.start());
        QTRY_VERIFY(!rig.model->relayRunning());
        QVERIFY(rig.settle());
        const auto expected = error.isEmpty() ? std::nullopt : std::optional(error);
        QCOMPARE(rig.model->relayError(), expected);
        QCOMPARE(rig.model->phase(), expected ? RelayPhase::attention(A::relayStopped(*expected))
                                              : RelayPhase::idle(std::nullopt));
        // Stopped for good: a refresh instead of a restart.
        QCOMPARE(rig.count(statusArgs), code == 78 ? 2 : 1);
        QCOMPARE(rig.fake.clock.pendingTimers(), code == 78 ? 1 : 2);
    }

    void errorsAndControlEvents() {
        RelayRig rig("status-paired");
        QVERIFY(rig.start());
        AppModel& model = *rig.model;
        QTRY_COMPARE(rig.relay.livePids().size(), 1);
        // An error while the relay runs shows only once the process is gone.
        rig.print({R"({"event":"error","message":"Server slow"})"});
        QCOMPARE(model.phase(), RelayPhase::idle(std::nullopt));
        ::kill(pid_t(rig.relay.livePids().value(0)), SIGKILL);
        QTRY_COMPARE(model.phase(), RelayPhase::attention(A::relayStopped(u"Server slow"_qs)));
        rig.advance(1s);
        QTRY_COMPARE(rig.relay.livePids().size(), 1);
        rig.print({R"({"event":"started"})"});
        QCOMPARE(model.relayError(), std::nullopt);

        // An update required stops the relay; unpaired stops it and refreshes, once for a burst.
        rig.print(
            {"{\"event\":\"update_required\",\"updateUrl\":\"https://wrenbox.app/download\"}"});
        QCOMPARE(model.phase(), RelayPhase::attention(A::updateRequired()));
        QCOMPARE(model.status().updateUrl, u"https://wrenbox.app/download"_qs);
        QVERIFY(!model.relayWanted());
        rig.relay.reply(statusArgs, answer("status-unpaired"));
        rig.startRelay();
        const qsizetype before = model.events().size();
        rig.consume(QByteArray("{\"event\":\"unpaired\"}\n").repeated(300));
        QCOMPARE(model.phase(), RelayPhase::attention(A::notPaired()));
        QCOMPARE(model.events().size(), before + 1);
        QVERIFY(rig.settle());
        QCOMPARE(rig.count(statusArgs), 2);
        QCOMPARE(rig.count(doctorArgs), 2);
        QVERIFY(rig.relay.livePids().isEmpty());
        QCOMPARE(model.relayError(), std::nullopt);
    }

    void crashLoopIsExplained_data() { addRows("Core/crashloops.txt"); }

    void crashLoopIsExplained() {
        QFETCH(QByteArrayList, row);
        const QByteArray printed = row[1];
        const int apart = row[2].toInt();
        const bool loop = row[3] == "yes";
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
};

QTEST_GUILESS_MAIN(TestAppModel)
#include "tst_appmodel.moc"
