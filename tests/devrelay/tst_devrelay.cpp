// The development relay, run as a real child process: its commands, its state and its stream.

#include "Core/Relay/RelayEvent.h"
#include "Core/Relay/RelayRecords.h"

#include "RelayRig.h"

#include <QDir>

#include <array>

using Kind = RelayEvent::Kind;

namespace {
// A code typed in lower case is as good as the dashboard's capitals.
const QStringList pairArgs{"relay", "pair", "abc234", "--server", "http://localhost:8080"};

// A `relay run --events json --dry-run` child, its lines read and decoded as the app does.
struct Run {
    explicit Run(const QProcessEnvironment& environment) {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(WRENBOX_DEV_RELAY), runArgs + QStringList{"--dry-run"});
    }
    ~Run() {
        process.kill();
        process.waitForFinished();
    }
    // Reads lines until `enough` of `kind` have come or the process has ended.
    bool waitFor(Kind kind, qsizetype enough = 1) {
        return QTest::qWaitFor(
                   [&] { return count(kind) >= enough || process.state() == QProcess::NotRunning; },
                   20'000) &&
               count(kind) >= enough;
    }
    // Waits for the relay to end (asking it to, with `stop`) and returns its exit code.
    int exit(bool stop = false) {
        if (stop)
            process.terminate();
        process.waitForFinished(20'000);
        count(Kind::Started); // reads what is left
        return process.exitCode();
    }
    qsizetype count(Kind kind) {
        while (process.canReadLine()) {
            events.append(
                RelayEvent::decode(process.readLine().trimmed(), {}).value_or(RelayEvent{}));
        }
        return std::count_if(events.begin(), events.end(), [=](auto& e) { return e.kind == kind; });
    }
    QList<RelayEvent> events;
    QProcess process;
};
} // namespace

class TestDevRelay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_config = std::make_unique<QTemporaryDir>();
        m_xdg = std::make_unique<QTemporaryDir>();
    }

    void pairStatusUnpairUninstall() {
        QCOMPARE(status(), RelayStatus{});
        const auto [code, out] = relay(pairArgs + QStringList{"--json"});
        QCOMPARE(code, 0);
        const auto device = RelayJson::decode<RelayPaired>(out);
        QCOMPARE(device->device.name, QSysInfo::machineHostName());
        const RelayStatus now = status();
        QVERIFY(now.paired && !now.running && now.sendingEnabled);
        QCOMPARE(now.server, u"http://localhost:8080"_qs);
        QCOMPARE(now.device, device->device);
        QVERIFY(RelayJson::decode<RelayOK>(relay(unpairArgs).second));
        QCOMPARE(status(), RelayStatus{});

        // Uninstalling removes its own unit only, and is fine with nothing left to remove.
        const QString unit = m_xdg->filePath(u"systemd/user/app.wrenbox.relay.service"_qs);
        const QString neighbour = m_xdg->filePath(u"systemd/user/other.service"_qs);
        QDir().mkpath(QFileInfo(unit).path());
        QVERIFY(QFile(unit).open(QIODevice::WriteOnly) &&
                QFile(neighbour).open(QIODevice::WriteOnly));
        for (int i = 0; i < 2; ++i)
            QCOMPARE(relay({"relay", "uninstall"}).first, 0);
        QVERIFY(!QFile::exists(unit) && QFile::exists(neighbour));
    }

    void refusals_data() { addRows("devrelay/commands.txt"); }

    void refusals() {
        QFETCH(QByteArrayList, row);
        const QStringList args = QString::fromUtf8(row[1]).split(u'\t', Qt::SkipEmptyParts);
        const QString failure = QString::fromUtf8(row[2]);
        const bool usage = failure == u"usage", stops = failure == u"stops";
        const auto [code, out] = relay(args, {}, usage);
        QCOMPARE(code, usage ? 2 : stops ? 78 : 1);
        if (usage) {
            QVERIFY(out.contains("Usage:") && relay(args).second.isEmpty());
        } else if (stops) { // stopped for good, saying why as an event
            const auto said = RelayEvent::decode(out.trimmed(), {});
            QVERIFY(said && said->kind == Kind::Error && said->message);
        } else {
            const auto refused = RelayJson::decode<RelayFailure>(out);
            QVERIFY(refused);
            QCOMPARE(refused->code, failure);
        }
        QVERIFY(!status().paired);
    }

    void streamOfQueuedTexts() {
        QCOMPARE(relay(pairArgs).first, 0);
        const QString plain = queue(u"+15551234567"_qs, u"Hello"_qs);
        const QString wrongNumber = queue(u"5551234"_qs, u"Hi"_qs);
        const QString asksReply = queue(u"+447700900123"_qs, u"Please reply"_qs);
        Run run(environment());
        QVERIFY(run.waitFor(Kind::Received));
        QVERIFY(run.waitFor(Kind::Synced, 3));
        QVERIFY(status().running);
        QCOMPARE(run.exit(true), 0);
        QVERIFY(!status().running);

        QCOMPARE(run.events.at(0).kind, Kind::Started);
        QCOMPARE(run.events.at(1).jobs, 3);
        QStringList outcome;
        for (qsizetype i = 0; i < run.events.size(); ++i) {
            const RelayEvent& e = run.events[i];
            if (e.kind == Kind::Sent || e.kind == Kind::Failed || e.kind == Kind::Received)
                outcome.append(RelayEvent::kindName(e.kind) + u' ' + e.messageID.value_or(u"?"_qs));
            if (e.kind == Kind::Failed)
                QVERIFY(e.error.value_or(QString()).contains(u"5551234"_qs));
            if (e.kind == Kind::Synced && i > 1)
                QCOMPARE(e.jobs, 0); // later syncs found nothing left
        }
        outcome.sort();
        QStringList expected{"sent " + plain, "failed " + wrongNumber, "sent " + asksReply,
                             "received " + asksReply};
        expected.sort();
        QCOMPARE(outcome, expected);
        const RelayStatus after = status();
        QCOMPARE(after.today, (RelayToday{2, 1, 1}));
        QVERIFY(after.lastSyncAt && *after.lastSyncAt >= run.events.at(1).at.addMSecs(-1));
    }

    void oneRunAtATimeAndStopsWhenUnpaired() {
        Run unpaired(environment()); // nothing to run for: it stops for good at once
        QCOMPARE(unpaired.exit(), 78);
        QVERIFY(unpaired.waitFor(Kind::Unpaired));
        QCOMPARE(relay(pairArgs).first, 0);
        {
            // A relay killed outright leaves its lock behind; a dead holder does not count.
            Run killed(environment());
            QVERIFY(killed.waitFor(Kind::Started));
        }
        QVERIFY(QFile::exists(m_config->filePath(u"run.lock"_qs)));
        QVERIFY(!status().running);
        Run first(environment());
        QVERIFY(first.waitFor(Kind::Synced));
        Run second(environment());
        QCOMPARE(second.exit(), 78);
        QVERIFY(second.waitFor(Kind::Error));
        QCOMPARE(relay(unpairArgs).first, 0);
        QCOMPARE(first.exit(), 78);
        QVERIFY(first.waitFor(Kind::Unpaired));
    }

    void claimedTextsComeBackAndConcurrentWritersLoseNothing() {
        QCOMPARE(relay(pairArgs).first, 0);
        QStringList expected{queue(u"+15550000001"_qs, u"one"_qs),
                             queue(u"+15550000002"_qs, u"two"_qs)};
        {
            // Ended while sending, a relay gives back the texts it claimed.
            Run slow(environment(60'000));
            QVERIFY(slow.waitFor(Kind::Synced));
            QCOMPARE(slow.events.last().jobs, 2);
            QCOMPARE(slow.exit(true), 0);
            QCOMPARE(slow.count(Kind::Sent), 0);
        }
        Run run(environment(1));
        QVERIFY(run.waitFor(Kind::Synced));
        // Two writers queue at once while a third re-pairs, rewriting the state the relay updates.
        for (int i = 0; i < 6; ++i) {
            std::array<QProcess, 3> writers;
            for (int w = 0; w < 3; ++w) {
                writers[w].setProcessEnvironment(environment());
                writers[w].start(
                    QStringLiteral(WRENBOX_DEV_RELAY),
                    w == 2 ? pairArgs
                           : QStringList{"queue", "--to",
                                         u"+1555%1"_qs.arg(i * 2 + w, 7, 10, QLatin1Char('0')),
                                         "--text", u"text %1"_qs.arg(i)});
            }
            for (int w = 0; w < 3; ++w) {
                QVERIFY(writers[w].waitForFinished(20'000) && writers[w].exitCode() == 0);
                if (w < 2)
                    expected.append(
                        QString::fromUtf8(writers[w].readAllStandardOutput()).trimmed());
            }
        }
        QVERIFY(run.waitFor(Kind::Sent, 14));
        const qsizetype syncs = run.count(Kind::Synced);
        QVERIFY(run.waitFor(Kind::Synced, syncs + 3)); // a few more: nothing else turns up
        QCOMPARE(run.exit(true), 0);
        QStringList sent;
        for (const RelayEvent& e : std::as_const(run.events))
            if (e.kind == Kind::Sent)
                sent.append(e.messageID.value_or(u"(no id)"_qs));
        sent.sort();
        expected.sort();
        QCOMPARE(sent, expected); // each once
        QCOMPARE(status().today.sent, 14);
    }

private:
    QProcessEnvironment environment(int stepMs = 5) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"WRENBOX_CONFIG_DIR"_qs, m_config->path());
        env.insert(u"XDG_CONFIG_HOME"_qs, m_xdg->path());
        env.insert(u"WRENBOX_DEVRELAY_SYNC_MS"_qs, u"50"_qs);
        env.insert(u"WRENBOX_DEVRELAY_STEP_MS"_qs, QString::number(stepMs));
        env.insert(u"WRENBOX_DEVRELAY_REPLY_MS"_qs, u"30"_qs);
        return env;
    }
    // Runs one command to its end: its exit code and standard output (and error, with `err`).
    std::pair<int, QByteArray> relay(const QStringList& args, const QProcessEnvironment& env = {},
                                     bool err = false) const {
        QProcess process;
        process.setProcessEnvironment(env.isEmpty() ? environment() : env);
        process.start(QStringLiteral(WRENBOX_DEV_RELAY), args);
        process.waitForFinished(20'000);
        return {process.exitCode(),
                err ? process.readAllStandardError() : process.readAllStandardOutput()};
    }
    QString queue(const QString& to, const QString& text) const {
        return QString::fromUtf8(relay({"queue", "--to", to, "--text", text}).second).trimmed();
    }
    RelayStatus status() const {
        return RelayJson::decode<RelayStatus>(relay(statusArgs).second).value_or(RelayStatus{});
    }
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_xdg;
};

QTEST_GUILESS_MAIN(TestDevRelay)
#include "tst_devrelay.moc"
