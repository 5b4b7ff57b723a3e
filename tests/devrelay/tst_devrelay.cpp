// The development relay, run as a real child process: its commands, its state and its stream.

#include "Core/Relay/RelayEvent.h"
#include "Core/Relay/RelayRecords.h"

#include "RelayRig.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <array>

using Kind = RelayEvent::Kind;

namespace {
const QString localServer = u"http://localhost:8080"_qs;

struct Finished {
    int exitCode = -1;
    QByteArray out, err;
};

// A `relay run --events json --dry-run` child, its lines read and decoded as the app does.
class Run {
public:
    explicit Run(const QProcessEnvironment& environment, bool dryRun = true) {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(WRENBOX_DEV_RELAY),
                      QStringList{"relay", "run", "--events", "json"} +
                          (dryRun ? QStringList{"--dry-run"} : QStringList{}));
    }
    ~Run() {
        process.kill();
        process.waitForFinished();
    }
    // Reads lines until `enough` of `kind` have come or the process has ended.
    bool waitFor(Kind kind, qsizetype enough = 1) {
        return QTest::qWaitFor(
                   [&] {
                       read();
                       return count(kind) >= enough || process.state() == QProcess::NotRunning;
                   },
                   20'000) &&
               count(kind) >= enough;
    }
    // Waits for the relay to end (asking it to, with `stop`) and returns its exit code.
    int exit(bool stop = false) {
        if (stop)
            process.terminate();
        process.waitForFinished(20'000);
        read();
        return process.exitCode();
    }
    qsizetype count(Kind kind) const {
        return std::count_if(events.begin(), events.end(),
                             [kind](auto& e) { return e.kind == kind; });
    }
    void read() {
        m_buffer += process.readAllStandardOutput();
        for (qsizetype end; (end = m_buffer.indexOf('\n')) >= 0; m_buffer.remove(0, end + 1)) {
            lines.append(m_buffer.left(end));
            events.append(RelayEvent::decode(lines.last(), {}).value_or(RelayEvent{}));
        }
    }
    QList<RelayEvent> events;
    QByteArrayList lines;
    QProcess process;

private:
    QByteArray m_buffer;
};
} // namespace

class TestDevRelay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void pairStatusUnpair();
    void refusals_data();
    void refusals();
    void stateFileAndDay();
    void uninstallRemovesOnlyItsUnit();
    void streamOfQueuedTexts();
    void oneRunAtATimeAndStopsWhenUnpaired();
    void terminationReturnsClaimedTexts();
    void concurrentWritersLoseNothing();

private:
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"WRENBOX_CONFIG_DIR"_qs, m_config->path());
        env.insert(u"XDG_CONFIG_HOME"_qs, m_xdg->path());
        env.insert(u"WRENBOX_DEVRELAY_SYNC_MS"_qs, u"50"_qs);
        env.insert(u"WRENBOX_DEVRELAY_STEP_MS"_qs, u"5"_qs);
        env.insert(u"WRENBOX_DEVRELAY_REPLY_MS"_qs, u"30"_qs);
        return env;
    }
    Finished relay(const QStringList& args, const QProcessEnvironment& env = {}) const {
        QProcess process;
        process.setProcessEnvironment(env.isEmpty() ? environment() : env);
        process.start(QStringLiteral(WRENBOX_DEV_RELAY), args);
        if (!process.waitForFinished(20'000))
            return {};
        return {process.exitCode(), process.readAllStandardOutput(),
                process.readAllStandardError()};
    }
    bool pair() const {
        return relay({"relay", "pair", "ABC234", "--server", localServer, "--json"}).exitCode == 0;
    }
    QString queue(const QString& to, const QString& text) const {
        return QString::fromUtf8(relay({"queue", "--to", to, "--text", text}).out).trimmed();
    }
    RelayStatus status() const {
        return RelayJson::decode<RelayStatus>(relay({"relay", "status", "--json"}).out)
            .value_or(RelayStatus{});
    }
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_xdg;
};

void TestDevRelay::init() {
    m_config = std::make_unique<QTemporaryDir>();
    m_xdg = std::make_unique<QTemporaryDir>();
}

void TestDevRelay::pairStatusUnpair() {
    const Finished unpaired = relay({"relay", "status", "--json"});
    QCOMPARE(RelayJson::decode<RelayStatus>(unpaired.out), RelayStatus{});
    for (const char* key : {"paired", "today", "sendingEnabled", "running"}) // written out
        QVERIFY(QJsonDocument::fromJson(unpaired.out).object().contains(QLatin1String(key)));

    const Finished paired = relay({"relay", "pair", "xyz789", "--server", localServer, "--json"});
    QCOMPARE(paired.exitCode, 0);
    const auto device = RelayJson::decode<RelayPaired>(paired.out);
    QCOMPARE(device->device.name, QSysInfo::machineHostName());
    const RelayStatus now = status();
    QVERIFY(now.paired && !now.running && now.sendingEnabled);
    QCOMPARE(now.server, localServer);
    QCOMPARE(now.device, device->device);

    const Finished gone = relay({"relay", "unpair", "--json"});
    QVERIFY(gone.exitCode == 0 && RelayJson::decode<RelayOK>(gone.out));
    QCOMPARE(status(), RelayStatus{});
}

void TestDevRelay::refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("failure");
    for (const QByteArrayList& row : table("devrelay/commands.txt"))
        QTest::newRow(row[0].constData())
            << QString::fromUtf8(row[1]).split(u'\t', Qt::SkipEmptyParts)
            << QString::fromUtf8(row[2]);
}

void TestDevRelay::refusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, failure);
    const Finished finished = relay(args);
    if (failure == u"usage") {
        QCOMPARE(finished.exitCode, 2);
        QVERIFY(finished.out.isEmpty() && finished.err.contains("Usage:"));
    } else {
        QCOMPARE(finished.exitCode, 1);
        const auto decoded = RelayJson::decode<RelayFailure>(finished.out);
        QCOMPARE(decoded->code, failure);
        QVERIFY(!decoded->message.isEmpty());
    }
    QVERIFY(!status().paired);
}

void TestDevRelay::stateFileAndDay() {
    // Without WRENBOX_CONFIG_DIR the state lives in the user's configuration folder.
    QProcessEnvironment env = environment();
    env.remove(u"WRENBOX_CONFIG_DIR"_qs);
    QCOMPARE(relay({"relay", "pair", "ABC234", "--server", localServer}, env).exitCode, 0);
    QVERIFY(QFile::exists(m_xdg->filePath(u"wrenbox/state.json"_qs)));
    QVERIFY(!status().paired);

    // Counters start afresh each day.
    QVERIFY(pair());
    QFile file(m_config->filePath(u"state.json"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    state.insert(u"day"_qs, QDate::currentDate().addDays(-1).toString(Qt::ISODate));
    state.insert(u"sent"_qs, 7);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(state).toJson());
    file.close();
    QCOMPARE(status().today, RelayToday{});
    queue(u"+15551234567"_qs, u"Good morning"_qs);
    Run run(environment());
    QVERIFY(run.waitFor(Kind::Sent));
    QCOMPARE(run.exit(true), 0);
    QCOMPARE(status().today, (RelayToday{1, 0, 0}));
}

void TestDevRelay::uninstallRemovesOnlyItsUnit() {
    const QString unit = m_xdg->filePath(u"systemd/user/app.wrenbox.relay.service"_qs);
    const QString neighbour = m_xdg->filePath(u"systemd/user/other.service"_qs);
    QDir().mkpath(QFileInfo(unit).path());
    for (const QString& path : {unit, neighbour}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(relay({"relay", "uninstall"}).exitCode, 0);
    QVERIFY(!QFile::exists(unit) && QFile::exists(neighbour));
    QCOMPARE(relay({"relay", "uninstall"}).exitCode, 0); // nothing left to remove is fine
}

void TestDevRelay::streamOfQueuedTexts() {
    QVERIFY(pair());
    const QString plain = queue(u"+15551234567"_qs, u"Hello"_qs);
    const QString wrongNumber = queue(u"5551234"_qs, u"Hi"_qs);
    const QString asksReply = queue(u"+447700900123"_qs, u"Please reply"_qs);
    QVERIFY(!plain.isEmpty() && !wrongNumber.isEmpty() && !asksReply.isEmpty());
    Run run(environment());
    QVERIFY(run.waitFor(Kind::Received));
    QVERIFY(run.waitFor(Kind::Synced, 3));
    QVERIFY(status().running);
    QCOMPARE(run.exit(true), 0);
    QVERIFY(!status().running);

    QCOMPARE(run.events.at(0).kind, Kind::Started);
    QCOMPARE(run.events.at(1).jobs, 3);
    const QRegularExpression stamp(uR"("at":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z")"_qs);
    QStringList outcome;
    for (qsizetype i = 0; i < run.events.size(); ++i) {
        const RelayEvent& e = run.events[i];
        QVERIFY2(stamp.match(QString::fromUtf8(run.lines[i])).hasMatch(), run.lines[i].constData());
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

void TestDevRelay::oneRunAtATimeAndStopsWhenUnpaired() {
    Run unpaired(environment()); // nothing to run for: it stops for good at once
    QCOMPARE(unpaired.exit(), 78);
    QCOMPARE(unpaired.events.value(0).kind, Kind::Unpaired);
    QVERIFY(pair());
    {
        // A relay killed outright leaves its lock behind; a dead holder does not count.
        Run killed(environment());
        QVERIFY(killed.waitFor(Kind::Started));
        killed.process.kill();
        killed.exit();
    }
    QVERIFY(QFile::exists(m_config->filePath(u"run.lock"_qs)));
    QVERIFY(!status().running);
    Run first(environment());
    QVERIFY(first.waitFor(Kind::Synced));
    Run second(environment());
    QCOMPARE(second.exit(), 78);
    QCOMPARE(second.events.first().kind, Kind::Error);
    QCOMPARE(relay({"relay", "unpair", "--json"}).exitCode, 0);
    QCOMPARE(first.exit(), 78);
    QCOMPARE(first.events.last().kind, Kind::Unpaired);
}

void TestDevRelay::terminationReturnsClaimedTexts() {
    QVERIFY(pair());
    const QStringList ids{queue(u"+15550000001"_qs, u"one"_qs),
                          queue(u"+15550000002"_qs, u"two"_qs)};
    QProcessEnvironment slow = environment();
    slow.insert(u"WRENBOX_DEVRELAY_STEP_MS"_qs, u"60000"_qs);
    {
        Run run(slow);
        QVERIFY(run.waitFor(Kind::Synced));
        QCOMPARE(run.events.last().jobs, 2);
        QCOMPARE(run.exit(true), 0);
        QCOMPARE(run.count(Kind::Sent), 0);
    }
    Run next(environment());
    QVERIFY(next.waitFor(Kind::Sent, 2));
    QStringList sent;
    for (const RelayEvent& e : std::as_const(next.events))
        if (e.kind == Kind::Sent)
            sent.append(*e.messageID);
    QCOMPARE(sent, ids);
}

void TestDevRelay::concurrentWritersLoseNothing() {
    QVERIFY(pair());
    QProcessEnvironment busy = environment();
    busy.insert(u"WRENBOX_DEVRELAY_SYNC_MS"_qs, u"10"_qs);
    busy.insert(u"WRENBOX_DEVRELAY_STEP_MS"_qs, u"1"_qs);
    Run run(busy);
    QVERIFY(run.waitFor(Kind::Synced));
    // Two writers queue at once while a third re-pairs, rewriting the state the relay updates.
    QHash<QString, Kind> expected;
    for (int i = 0; i < 6; ++i) {
        std::array<QProcess, 3> writers;
        for (int w = 0; w < 3; ++w) {
            const bool valid = (i + w) % 3 != 0;
            const QString to =
                valid ? u"+1555%1"_qs.arg(i * 2 + w, 7, 10, QLatin1Char('0')) : u"555-%1"_qs.arg(i);
            writers[w].setProcessEnvironment(environment());
            writers[w].start(QStringLiteral(WRENBOX_DEV_RELAY),
                             w < 2
                                 ? QStringList{"queue", "--to", to, "--text", u"text %1"_qs.arg(i)}
                                 : QStringList{"relay", "pair", "ABC234", "--server", localServer});
        }
        for (int w = 0; w < 3; ++w) {
            QVERIFY(writers[w].waitForFinished(20'000) && writers[w].exitCode() == 0);
            if (w < 2)
                expected.insert(QString::fromUtf8(writers[w].readAllStandardOutput()).trimmed(),
                                (i + w) % 3 != 0 ? Kind::Sent : Kind::Failed);
        }
    }
    QCOMPARE(expected.size(), 12);
    QVERIFY(QTest::qWaitFor(
        [&] {
            run.read();
            return run.count(Kind::Sent) + run.count(Kind::Failed) >= 12;
        },
        20'000));
    const qsizetype syncs = run.count(Kind::Synced);
    QVERIFY(run.waitFor(Kind::Synced, syncs + 3)); // a few more: nothing else turns up
    QCOMPARE(run.exit(true), 0);
    QHash<QString, Kind> outcome;
    qint64 jobs = 0;
    for (const RelayEvent& e : std::as_const(run.events)) {
        jobs += e.kind == Kind::Synced ? e.jobs.value_or(-1000) : 0;
        if (e.kind == Kind::Sent || e.kind == Kind::Failed) {
            QVERIFY(!outcome.contains(*e.messageID));
            outcome.insert(*e.messageID, e.kind);
        }
    }
    QCOMPARE(jobs, 12);
    QCOMPARE(outcome, expected);
    QCOMPARE(status().today.sent + status().today.failed, 12);
}

QTEST_GUILESS_MAIN(TestDevRelay)
#include "tst_devrelay.moc"
