#include "Core/Relay/RelayEvent.h"
#include "Core/Relay/RelayRecords.h"

#include <QtTest>

#include <array>
#include <memory>

#include <signal.h>

namespace {

const QString relayPath = QStringLiteral(WRENBOX_DEVRELAY_PATH);
const QString localServer = QStringLiteral("http://localhost:8080");

struct Finished {
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QByteArray out;
    QByteArray err;
};

// An event line as printed, with the app's own decoding of it.
struct Line {
    QByteArray raw;
    QJsonObject object;
    RelayEvent event;
};

// A `relay run` child whose standard output is read line by line.
class RunningRelay {
public:
    RunningRelay(const QProcessEnvironment& environment, const QStringList& extra = {}) {
        m_process.setProcessEnvironment(environment);
        m_process.start(relayPath, QStringList{QStringLiteral("relay"), QStringLiteral("run"),
                                               QStringLiteral("--events"), QStringLiteral("json")}
                                       << extra);
    }
    ~RunningRelay() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QProcess& process() { return m_process; }
    const QList<Line>& lines() const { return m_lines; }

    // Reads until `done` holds for the lines so far, the process ends, or `timeoutMs` passes.
    bool waitFor(const std::function<bool(const QList<Line>&)>& done, int timeoutMs = 10'000) {
        QElapsedTimer timer;
        timer.start();
        while (!done(m_lines)) {
            if (timer.elapsed() > timeoutMs)
                return false;
            if (m_process.state() == QProcess::NotRunning) {
                readLines();
                return done(m_lines);
            }
            m_process.waitForReadyRead(50);
            readLines();
        }
        return true;
    }

    bool waitForKind(RelayEvent::Kind kind, int timeoutMs = 10'000) {
        return waitFor([kind](const QList<Line>& lines) { return count(lines, kind) > 0; },
                       timeoutMs);
    }

    bool waitForExit(int timeoutMs = 10'000) {
        const bool ended = m_process.waitForFinished(timeoutMs);
        readLines();
        return ended;
    }

    static qsizetype count(const QList<Line>& lines, RelayEvent::Kind kind) {
        return std::count_if(lines.begin(), lines.end(),
                             [kind](const Line& line) { return line.event.kind == kind; });
    }

private:
    void readLines() {
        m_buffer += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) >= 0) {
            const QByteArray raw = m_buffer.left(end);
            m_buffer.remove(0, end + 1);
            const auto event = RelayEvent::decode(raw, QDateTime::currentDateTimeUtc());
            QVERIFY2(event.has_value(), raw.constData());
            m_lines.append({raw, QJsonDocument::fromJson(raw).object(), *event});
        }
    }

    QProcess m_process;
    QByteArray m_buffer;
    QList<Line> m_lines;
};

// Every event line carries its time as RFC 3339 UTC with milliseconds.
bool hasExactTimestamp(const Line& line) {
    static const QRegularExpression shape(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"));
    const QString at = line.object.value(QStringLiteral("at")).toString();
    return shape.match(at).hasMatch() && RelayJson::parseTimestamp(at) == line.event.at;
}

} // namespace

class DevRelayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void statusWhenUnpaired();
    void pairThenStatus();
    void pairAcceptsLowerCaseCode();
    void pairFailures_data();
    void pairFailures();
    void malformedCommandLines_data();
    void malformedCommandLines();
    void stateDefaultsToUserConfigFolder();
    void unpairClearsPairing();
    void countersStartAfreshEachDay();
    void uninstallRemovesUnitFile();
    void doctorWhenUnpaired();
    void doctorWhenPaired();

    void runWithoutDryRunRefuses();
    void runUnpairedStops();
    void eventStreamOfQueuedTexts();
    void statusSeesLiveRunOnly();
    void secondRunRefuses();
    void terminationReturnsClaimedTexts();
    void unpairWhileRunningStops();
    void concurrentQueuesLoseNothing();

private:
    QProcessEnvironment environment() const;
    Finished relay(const QStringList& args, int timeoutMs = 15'000) const;
    void pair();
    QString queue(const QString& to, const QString& text);
    RelayStatus status() const;

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_xdg;
};

QProcessEnvironment DevRelayTest::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WRENBOX_CONFIG_DIR"), m_config->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_xdg->path());
    environment.insert(QStringLiteral("WRENBOX_DEVRELAY_SYNC_MS"), QStringLiteral("50"));
    environment.insert(QStringLiteral("WRENBOX_DEVRELAY_STEP_MS"), QStringLiteral("5"));
    environment.insert(QStringLiteral("WRENBOX_DEVRELAY_REPLY_MS"), QStringLiteral("30"));
    return environment;
}

Finished DevRelayTest::relay(const QStringList& args, int timeoutMs) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(relayPath, args);
    Finished result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.exitStatus = process.exitStatus();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void DevRelayTest::pair() {
    const Finished paired =
        relay({QStringLiteral("relay"), QStringLiteral("pair"), QStringLiteral("ABC234"),
               QStringLiteral("--server"), localServer, QStringLiteral("--json")});
    QCOMPARE(paired.exitCode, 0);
    QVERIFY(RelayJson::decode<RelayPaired>(paired.out).has_value());
}

QString DevRelayTest::queue(const QString& to, const QString& text) {
    const Finished queued = relay(
        {QStringLiteral("queue"), QStringLiteral("--to"), to, QStringLiteral("--text"), text});
    if (queued.exitCode != 0)
        return {};
    return QString::fromUtf8(queued.out).trimmed();
}

RelayStatus DevRelayTest::status() const {
    const Finished finished =
        relay({QStringLiteral("relay"), QStringLiteral("status"), QStringLiteral("--json")});
    if (finished.exitCode != 0)
        return {};
    return RelayJson::decode<RelayStatus>(finished.out).value_or(RelayStatus{});
}

void DevRelayTest::init() {
    m_config = std::make_unique<QTemporaryDir>();
    m_xdg = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    QVERIFY(m_xdg->isValid());
}

void DevRelayTest::statusWhenUnpaired() {
    const Finished finished =
        relay({QStringLiteral("relay"), QStringLiteral("status"), QStringLiteral("--json")});
    QCOMPARE(finished.exitCode, 0);
    const auto decoded = RelayJson::decode<RelayStatus>(finished.out);
    QVERIFY2(decoded.has_value(), finished.out.constData());
    QCOMPARE(*decoded, RelayStatus{});
    // All keys are written out, not left to the defaults.
    const QJsonObject object = QJsonDocument::fromJson(finished.out).object();
    for (const char* key : {"paired", "today", "sendingEnabled", "running"})
        QVERIFY2(object.contains(QLatin1String(key)), key);
}

void DevRelayTest::pairThenStatus() {
    const Finished paired =
        relay({QStringLiteral("relay"), QStringLiteral("pair"), QStringLiteral("ABC234"),
               QStringLiteral("--server"), localServer, QStringLiteral("--json")});
    QCOMPARE(paired.exitCode, 0);
    const auto device = RelayJson::decode<RelayPaired>(paired.out);
    QVERIFY2(device.has_value(), paired.out.constData());
    QVERIFY(!device->device.id.isEmpty());
    QCOMPARE(device->device.name, QSysInfo::machineHostName());

    const RelayStatus current = status();
    QVERIFY(current.paired);
    QCOMPARE(current.server, localServer);
    QCOMPARE(current.device, device->device);
    QVERIFY(!current.running);
    QVERIFY(current.sendingEnabled);
    QCOMPARE(current.today, RelayToday{});
}

void DevRelayTest::pairAcceptsLowerCaseCode() {
    const Finished paired = relay({QStringLiteral("relay"), QStringLiteral("pair"),
                                   QStringLiteral("xyz789"), QStringLiteral("--server"),
                                   QStringLiteral("http://[::1]:3000"), QStringLiteral("--json")});
    QCOMPARE(paired.exitCode, 0);
    QVERIFY(RelayJson::decode<RelayPaired>(paired.out).has_value());
    QVERIFY(status().paired);
}

void DevRelayTest::pairFailures_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("failure");

    QTest::newRow("five characters") << "ABC23" << localServer << "invalid_code";
    QTest::newRow("seven characters") << "ABC2345" << localServer << "invalid_code";
    QTest::newRow("excluded letter O") << "ABCO23" << localServer << "invalid_code";
    QTest::newRow("digit 1") << "ABC123" << localServer << "invalid_code";
    QTest::newRow("hyphen") << "ABC-23" << localServer << "invalid_code";
    QTest::newRow("empty") << "" << localServer << "invalid_code";
    QTest::newRow("remote server") << "ABC234"
                                   << "https://wrenbox.app"
                                   << "not_local";
    QTest::newRow("other 127 address") << "ABC234"
                                       << "http://127.0.0.2:8080"
                                       << "not_local";
    QTest::newRow("bare localhost") << "ABC234"
                                    << "localhost:8080"
                                    << "not_local";
    QTest::newRow("empty server") << "ABC234"
                                  << ""
                                  << "not_local";
}

void DevRelayTest::pairFailures() {
    QFETCH(QString, code);
    QFETCH(QString, server);
    QFETCH(QString, failure);

    const Finished finished = relay({QStringLiteral("relay"), QStringLiteral("pair"), code,
                                     QStringLiteral("--server"), server, QStringLiteral("--json")});
    QCOMPARE(finished.exitCode, 1);
    const auto decoded = RelayJson::decode<RelayFailure>(finished.out);
    QVERIFY2(decoded.has_value(), finished.out.constData());
    QCOMPARE(decoded->code, failure);
    QVERIFY(!decoded->message.isEmpty());
    QVERIFY(!status().paired);
}

void DevRelayTest::malformedCommandLines_data() {
    QTest::addColumn<QStringList>("args");

    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"send"};
    QTest::newRow("relay alone") << QStringList{"relay"};
    QTest::newRow("unknown relay command") << QStringList{"relay", "restart", "--json"};
    QTest::newRow("unknown option") << QStringList{"relay", "status", "--yaml"};
    QTest::newRow("extra argument") << QStringList{"relay", "status", "now", "--json"};
    QTest::newRow("pair without code")
        << QStringList{"relay", "pair", "--server", "http://localhost"};
    QTest::newRow("pair without server") << QStringList{"relay", "pair", "ABC234", "--json"};
    QTest::newRow("server without value") << QStringList{"relay", "pair", "ABC234", "--server"};
    QTest::newRow("pair with two codes")
        << QStringList{"relay", "pair", "ABC234", "XYZ789", "--server", "http://localhost"};
    QTest::newRow("run without events") << QStringList{"relay", "run", "--dry-run"};
    QTest::newRow("run with text events")
        << QStringList{"relay", "run", "--events", "text", "--dry-run"};
    QTest::newRow("uninstall with extra") << QStringList{"relay", "uninstall", "everything"};
    QTest::newRow("queue without text") << QStringList{"queue", "--to", "+15551234567"};
    QTest::newRow("queue without number") << QStringList{"queue", "--text", "hello"};
}

void DevRelayTest::malformedCommandLines() {
    QFETCH(QStringList, args);
    const Finished finished = relay(args);
    QCOMPARE(finished.exitStatus, QProcess::NormalExit);
    QCOMPARE(finished.exitCode, 2);
    QCOMPARE(finished.out, QByteArray());
    QVERIFY2(finished.err.contains("Usage:"), finished.err.constData());
}

void DevRelayTest::stateDefaultsToUserConfigFolder() {
    QProcessEnvironment environment = this->environment();
    environment.remove(QStringLiteral("WRENBOX_CONFIG_DIR"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(relayPath, {QStringLiteral("relay"), QStringLiteral("pair"),
                              QStringLiteral("ABC234"), QStringLiteral("--server"), localServer});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QFile::exists(m_xdg->filePath(QStringLiteral("wrenbox/state.json"))));
    QVERIFY(!status().paired); // WRENBOX_CONFIG_DIR names another, still empty, folder
}

void DevRelayTest::unpairClearsPairing() {
    pair();
    QVERIFY(status().paired);
    const Finished finished =
        relay({QStringLiteral("relay"), QStringLiteral("unpair"), QStringLiteral("--json")});
    QCOMPARE(finished.exitCode, 0);
    QVERIFY(RelayJson::decode<RelayOK>(finished.out).has_value());
    const RelayStatus current = status();
    QVERIFY(!current.paired);
    QVERIFY(!current.server);
    QVERIFY(!current.device);
}

void DevRelayTest::countersStartAfreshEachDay() {
    pair();
    QFile stateFile(m_config->filePath(QStringLiteral("state.json")));
    QVERIFY(stateFile.open(QIODevice::ReadOnly));
    QJsonObject state = QJsonDocument::fromJson(stateFile.readAll()).object();
    stateFile.close();
    state.insert(QStringLiteral("day"), QDate::currentDate().addDays(-1).toString(Qt::ISODate));
    state.insert(QStringLiteral("sent"), 7);
    state.insert(QStringLiteral("failed"), 3);
    QVERIFY(stateFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    stateFile.write(QJsonDocument(state).toJson());
    stateFile.close();

    QCOMPARE(status().today, RelayToday{});

    queue(QStringLiteral("+15551234567"), QStringLiteral("Good morning"));
    RunningRelay run(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(run.waitForKind(RelayEvent::Kind::Sent));
    run.process().terminate();
    QVERIFY(run.waitForExit());
    QCOMPARE(status().today, (RelayToday{1, 0, 0}));
}

void DevRelayTest::uninstallRemovesUnitFile() {
    const QString unit = m_xdg->filePath(QStringLiteral("systemd/user/app.wrenbox.relay.service"));
    const QString neighbour = m_xdg->filePath(QStringLiteral("systemd/user/other.service"));
    QVERIFY(QDir().mkpath(QFileInfo(unit).path()));
    for (const QString& path : {unit, neighbour}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Service]\nExecStart=/usr/bin/true\n");
    }

    QCOMPARE(relay({QStringLiteral("relay"), QStringLiteral("uninstall")}).exitCode, 0);
    QVERIFY(!QFile::exists(unit));
    QVERIFY(QFile::exists(neighbour));
    // Nothing left to remove is still success.
    QCOMPARE(relay({QStringLiteral("relay"), QStringLiteral("uninstall")}).exitCode, 0);
}

void DevRelayTest::doctorWhenUnpaired() {
    const Finished finished =
        relay({QStringLiteral("relay"), QStringLiteral("doctor"), QStringLiteral("--json")});
    QCOMPARE(finished.exitCode, 0);
    const auto report = RelayJson::decode<DoctorReport>(finished.out);
    QVERIFY2(report.has_value(), finished.out.constData());
    for (const char* id :
         {"pairing", "server", "chatdb", "automation", "forwarding", "sending", "version"})
        QVERIFY2(report->check(QLatin1String(id)).has_value(), id);

    const auto pairing = report->check(QStringLiteral("pairing"));
    QCOMPARE(pairing->status, DoctorCheck::Status::Fail);
    QVERIFY(pairing->fix.has_value() && !pairing->fix->isEmpty());
    QCOMPARE(report->problems, 1);
    // Nothing here may hold up the app's setup.
    QVERIFY(report->check(QStringLiteral("chatdb"))->status != DoctorCheck::Status::Fail);
    QVERIFY(report->check(QStringLiteral("automation"))->status != DoctorCheck::Status::Fail);
    QCOMPARE(report->check(QStringLiteral("sending"))->status, DoctorCheck::Status::Warn);
    for (const DoctorCheck& check : report->checks)
        QVERIFY2(!check.title.isEmpty() && !check.detail.isEmpty(), qPrintable(check.id));
}

void DevRelayTest::doctorWhenPaired() {
    pair();
    const Finished finished =
        relay({QStringLiteral("relay"), QStringLiteral("doctor"), QStringLiteral("--json")});
    const auto report = RelayJson::decode<DoctorReport>(finished.out);
    QVERIFY2(report.has_value(), finished.out.constData());
    QCOMPARE(report->check(QStringLiteral("pairing"))->status, DoctorCheck::Status::Ok);
    QCOMPARE(report->check(QStringLiteral("server"))->status, DoctorCheck::Status::Ok);
    QCOMPARE(report->problems, 0);
}

void DevRelayTest::runWithoutDryRunRefuses() {
    pair();
    RunningRelay run(environment());
    QVERIFY(run.waitForExit());
    QCOMPARE(run.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process().exitCode(), 78);
    QCOMPARE(run.lines().size(), 1);
    const Line& line = run.lines().first();
    QCOMPARE(line.event.kind, RelayEvent::Kind::Error);
    QVERIFY(line.event.message && line.event.message->contains(QLatin1String("simulates")));
    QVERIFY(hasExactTimestamp(line));
}

void DevRelayTest::runUnpairedStops() {
    RunningRelay run(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(run.waitForExit());
    QCOMPARE(run.process().exitCode(), 78);
    QCOMPARE(run.lines().size(), 1);
    QCOMPARE(run.lines().first().event.kind, RelayEvent::Kind::Unpaired);
}

void DevRelayTest::eventStreamOfQueuedTexts() {
    pair();
    const QString plain = queue(QStringLiteral("+15551234567"), QStringLiteral("Hello"));
    const QString wrongNumber = queue(QStringLiteral("5551234"), QStringLiteral("Hi"));
    const QString asksReply =
        queue(QStringLiteral("+447700900123"), QStringLiteral("Please reply"));
    QVERIFY(!plain.isEmpty() && !wrongNumber.isEmpty() && !asksReply.isEmpty());

    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    RunningRelay run(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(run.waitForKind(RelayEvent::Kind::Received));
    // A few more syncs with nothing to do.
    QVERIFY(run.waitFor([](const QList<Line>& lines) {
        return RunningRelay::count(lines, RelayEvent::Kind::Synced) >= 3;
    }));
    run.process().terminate();
    QVERIFY(run.waitForExit());
    QCOMPARE(run.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process().exitCode(), 0);

    const QList<Line>& lines = run.lines();
    QCOMPARE(lines.first().event.kind, RelayEvent::Kind::Started);
    QCOMPARE(lines.at(1).event.kind, RelayEvent::Kind::Synced);
    QCOMPARE(lines.at(1).event.jobs, 3);
    for (const Line& line : lines) {
        QVERIFY2(hasExactTimestamp(line), line.raw.constData());
        QVERIFY(line.event.at >= before);
    }

    QHash<QString, RelayEvent::Kind> outcome;
    std::optional<QString> failure;
    std::optional<QString> repliedTo;
    for (const Line& line : lines) {
        const RelayEvent& event = line.event;
        if (event.kind == RelayEvent::Kind::Sent || event.kind == RelayEvent::Kind::Failed) {
            QVERIFY2(!outcome.contains(*event.messageID), line.raw.constData());
            outcome.insert(*event.messageID, event.kind);
        }
        if (event.kind == RelayEvent::Kind::Failed)
            failure = event.error;
        if (event.kind == RelayEvent::Kind::Received)
            repliedTo = event.messageID;
    }
    QCOMPARE(outcome.size(), 3);
    QCOMPARE(outcome.value(plain), RelayEvent::Kind::Sent);
    QCOMPARE(outcome.value(wrongNumber), RelayEvent::Kind::Failed);
    QCOMPARE(outcome.value(asksReply), RelayEvent::Kind::Sent);
    QVERIFY(failure && failure->contains(QLatin1String("5551234")));
    QCOMPARE(repliedTo, asksReply);
    QCOMPARE(RunningRelay::count(lines, RelayEvent::Kind::Received), 1);
    // The syncs after the first found nothing left to send.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (lines[i].event.kind == RelayEvent::Kind::Synced)
            QCOMPARE(lines[i].event.jobs, 0);
    }

    const RelayStatus after = status();
    QCOMPARE(after.today, (RelayToday{2, 1, 1}));
    QVERIFY(after.lastSyncAt.has_value());
    QVERIFY(*after.lastSyncAt >= lines.at(1).event.at);
    QVERIFY(!after.running);
}

void DevRelayTest::statusSeesLiveRunOnly() {
    pair();
    {
        RunningRelay run(environment(), {QStringLiteral("--dry-run")});
        QVERIFY(run.waitForKind(RelayEvent::Kind::Started));
        QVERIFY(status().running);
        run.process().terminate();
        QVERIFY(run.waitForExit());
        QCOMPARE(run.process().exitCode(), 0);
    }
    QVERIFY(!status().running);

    // A relay killed outright leaves its lock behind; a dead holder does not count.
    {
        RunningRelay run(environment(), {QStringLiteral("--dry-run")});
        QVERIFY(run.waitForKind(RelayEvent::Kind::Started));
        run.process().kill();
        QVERIFY(run.waitForExit());
    }
    QVERIFY(QFile::exists(m_config->filePath(QStringLiteral("run.lock"))));
    QVERIFY(!status().running);

    RunningRelay again(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(again.waitForKind(RelayEvent::Kind::Synced));
    QVERIFY(status().running);
}

void DevRelayTest::secondRunRefuses() {
    pair();
    RunningRelay first(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(first.waitForKind(RelayEvent::Kind::Started));
    RunningRelay second(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(second.waitForExit());
    QCOMPARE(second.process().exitCode(), 78);
    QCOMPARE(second.lines().size(), 1);
    QCOMPARE(second.lines().first().event.kind, RelayEvent::Kind::Error);
    QCOMPARE(first.process().state(), QProcess::Running);
}

void DevRelayTest::terminationReturnsClaimedTexts() {
    pair();
    const QStringList ids{queue(QStringLiteral("+15550000001"), QStringLiteral("one")),
                          queue(QStringLiteral("+15550000002"), QStringLiteral("two"))};
    QProcessEnvironment slow = environment();
    slow.insert(QStringLiteral("WRENBOX_DEVRELAY_STEP_MS"), QStringLiteral("60000"));
    {
        RunningRelay run(slow, {QStringLiteral("--dry-run")});
        QVERIFY(run.waitForKind(RelayEvent::Kind::Synced));
        QCOMPARE(run.lines().last().event.jobs, 2);
        run.process().terminate();
        QVERIFY(run.waitForExit());
        QCOMPARE(run.process().exitCode(), 0);
        QCOMPARE(RunningRelay::count(run.lines(), RelayEvent::Kind::Sent), 0);
    }

    RunningRelay next(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(next.waitFor([](const QList<Line>& lines) {
        return RunningRelay::count(lines, RelayEvent::Kind::Sent) == 2;
    }));
    QStringList sent;
    for (const Line& line : next.lines()) {
        if (line.event.kind == RelayEvent::Kind::Sent)
            sent.append(*line.event.messageID);
    }
    QCOMPARE(sent, ids);
}

void DevRelayTest::unpairWhileRunningStops() {
    pair();
    RunningRelay run(environment(), {QStringLiteral("--dry-run")});
    QVERIFY(run.waitForKind(RelayEvent::Kind::Synced));
    QCOMPARE(relay({QStringLiteral("relay"), QStringLiteral("unpair"), QStringLiteral("--json")})
                 .exitCode,
             0);
    QVERIFY(run.waitForExit());
    QCOMPARE(run.process().exitCode(), 78);
    QCOMPARE(run.lines().last().event.kind, RelayEvent::Kind::Unpaired);
}

void DevRelayTest::concurrentQueuesLoseNothing() {
    pair();
    QProcessEnvironment busy = environment();
    busy.insert(QStringLiteral("WRENBOX_DEVRELAY_SYNC_MS"), QStringLiteral("10"));
    busy.insert(QStringLiteral("WRENBOX_DEVRELAY_STEP_MS"), QStringLiteral("1"));
    RunningRelay run(busy, {QStringLiteral("--dry-run")});
    QVERIFY(run.waitForKind(RelayEvent::Kind::Synced));

    // Two writers queue 20 texts each at the same time, while a third keeps re-pairing, which
    // rewrites the state file that the running relay updates after every text.
    constexpr int perWriter = 20;
    QSet<QString> queued;
    QSet<QString> refusedNumbers;
    for (int i = 0; i < perWriter; ++i) {
        std::array<QProcess, 3> writers;
        for (int w = 0; w < 2; ++w) {
            const bool valid = (i + w) % 3 != 0;
            const QString to =
                valid ? QStringLiteral("+1555%1").arg(i * 2 + w, 7, 10, QLatin1Char('0'))
                      : QStringLiteral("555-%1").arg(i * 2 + w);
            writers[w].setProcessEnvironment(environment());
            writers[w].start(relayPath,
                             {QStringLiteral("queue"), QStringLiteral("--to"), to,
                              QStringLiteral("--text"), QStringLiteral("text %1").arg(i)});
        }
        writers[2].setProcessEnvironment(environment());
        writers[2].start(relayPath,
                         {QStringLiteral("relay"), QStringLiteral("pair"), QStringLiteral("ABC234"),
                          QStringLiteral("--server"), localServer, QStringLiteral("--json")});
        for (int w = 0; w < 3; ++w) {
            QVERIFY(writers[w].waitForFinished());
            QCOMPARE(writers[w].exitCode(), 0);
        }
        for (int w = 0; w < 2; ++w) {
            const QString id = QString::fromUtf8(writers[w].readAllStandardOutput()).trimmed();
            QVERIFY(!id.isEmpty());
            queued.insert(id);
            if ((i + w) % 3 == 0)
                refusedNumbers.insert(id);
        }
    }
    QCOMPARE(queued.size(), 2 * perWriter);

    const auto reported = [](const QList<Line>& lines) {
        return RunningRelay::count(lines, RelayEvent::Kind::Sent) +
               RunningRelay::count(lines, RelayEvent::Kind::Failed);
    };
    QVERIFY(run.waitFor([&](const QList<Line>& lines) { return reported(lines) >= 40; }, 20'000));
    // Another few syncs: nothing more may turn up.
    const qsizetype syncs = RunningRelay::count(run.lines(), RelayEvent::Kind::Synced);
    QVERIFY(run.waitFor([&](const QList<Line>& lines) {
        return RunningRelay::count(lines, RelayEvent::Kind::Synced) >= syncs + 3;
    }));
    run.process().terminate();
    QVERIFY(run.waitForExit());
    QCOMPARE(run.process().exitCode(), 0);

    QHash<QString, RelayEvent::Kind> outcome;
    qint64 jobs = 0;
    for (const Line& line : run.lines()) {
        const RelayEvent& event = line.event;
        if (event.kind == RelayEvent::Kind::Synced)
            jobs += event.jobs.value_or(-1000);
        if (event.kind != RelayEvent::Kind::Sent && event.kind != RelayEvent::Kind::Failed)
            continue;
        QVERIFY2(!outcome.contains(*event.messageID), line.raw.constData());
        outcome.insert(*event.messageID, event.kind);
    }
    QCOMPARE(jobs, 40);
    QCOMPARE(QSet<QString>(outcome.keyBegin(), outcome.keyEnd()), queued);
    for (const QString& id : queued) {
        QCOMPARE(outcome.value(id),
                 refusedNumbers.contains(id) ? RelayEvent::Kind::Failed : RelayEvent::Kind::Sent);
    }

    // Every counted text survived the concurrent rewrites of the state.
    QFile stateFile(m_config->filePath(QStringLiteral("state.json")));
    QVERIFY(stateFile.open(QIODevice::ReadOnly));
    QJsonParseError error;
    QVERIFY(QJsonDocument::fromJson(stateFile.readAll(), &error).isObject());
    const RelayStatus after = status();
    QVERIFY(after.paired);
    QCOMPARE(after.today.failed, refusedNumbers.size());
    QCOMPARE(after.today.sent, 40 - refusedNumbers.size());
    for (const char* folder : {"outbox", "outbox-processing"}) {
        QVERIFY2(QDir(m_config->filePath(QLatin1String(folder)))
                     .entryList(QDir::Files | QDir::Hidden)
                     .isEmpty(),
                 folder);
    }
}

QTEST_GUILESS_MAIN(DevRelayTest)
#include "tst_devrelay.moc"
