#include "Core/Relay/RelayCLI.h"

#include "FakePlatform.h"
#include "FakeRelay.h"
#include "ManualClock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <exception>
#include <memory>
#include <optional>

using namespace std::chrono_literals;

// Declared ahead of the helpers: moc cannot read the raw JSON strings below.
class TestRelayCLI : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void passesEachOperationsArguments_data();
    void passesEachOperationsArguments();
    void decodesTheStatus();
    void decodesTheHealthReportWhateverTheExitStatus();
    void returnsThePairedDevice();
    void failures_data();
    void failures();
    void missingHelper_data();
    void missingHelper();
    void launchFailureCarriesThePlatformText();
    void exitBySignalGivesTheSignalNumber();
    void timesOutAndKillsTheRelay();
    void finishedCallLeavesNoTimerBehind();
    void callsRunSideBySide();
    void callOutlivesItsRelayCLI();
    void capsTheOutput_data();
    void capsTheOutput();

private:
    FakeProcessControl m_processes;
};

namespace {

// What a relay call ended with, collected by a task nobody awaits so the test keeps control of
// the event loop and the clock.
template <typename T> struct Outcome {
    bool done = false;
    std::optional<T> value;
    std::exception_ptr error;
};
struct Nothing {};

template <typename T>
QCoro::Task<> collect(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> outcome) {
    try {
        outcome->value = co_await std::move(task);
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
}

template <typename T> std::shared_ptr<Outcome<T>> begin(QCoro::Task<T> task) {
    auto outcome = std::make_shared<Outcome<T>>();
    collect(std::move(task), outcome);
    return outcome;
}

// Runs one operation by name; the outcome says only whether it succeeded and with what error.
std::shared_ptr<Outcome<Nothing>> runOperation(const RelayCLI& cli, const QString& operation) {
    auto outcome = std::make_shared<Outcome<Nothing>>();
    auto finish = [](auto task, std::shared_ptr<Outcome<Nothing>> out) -> QCoro::Task<> {
        try {
            co_await std::move(task);
            out->value = Nothing{};
        } catch (...) {
            out->error = std::current_exception();
        }
        out->done = true;
    };
    if (operation == QLatin1String("status"))
        finish(cli.status(), outcome);
    else if (operation == QLatin1String("doctor"))
        finish(cli.doctor(), outcome);
    else if (operation == QLatin1String("pair"))
        finish(cli.pair(QStringLiteral("K7Q2ZP"), QStringLiteral("https://relay.example/a b")),
               outcome);
    else if (operation == QLatin1String("unpair"))
        finish(cli.unpair(), outcome);
    else if (operation == QLatin1String("uninstall"))
        finish(cli.uninstallLaunchAgent(), outcome);
    else
        qFatal("unknown operation");
    return outcome;
}

QStringList argumentsOf(const QString& operation) {
    if (operation == QLatin1String("status"))
        return {"relay", "status", "--json"};
    if (operation == QLatin1String("doctor"))
        return {"relay", "doctor", "--json"};
    if (operation == QLatin1String("pair"))
        return {"relay", "pair", "K7Q2ZP", "--server", "https://relay.example/a b", "--json"};
    if (operation == QLatin1String("unpair"))
        return {"relay", "unpair", "--json"};
    return {"relay", "uninstall"};
}

std::optional<RelayError> relayErrorOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const RelayError& relayError) {
        return relayError;
    } catch (...) {
        return std::nullopt;
    }
}

const QByteArray failureDocument = R"({"error":{"code":"not_paired","message":"Pair first."}})";
const QByteArray statusDocument =
    R"({"paired":true,"server":"https://relay.example","device":{"id":"d1","name":"Ana's iPhone"},
        "lastSyncAt":"2024-05-01T10:00:00Z","today":{"sent":4,"failed":1,"received":2},
        "sendingEnabled":false,"running":true})";
const QByteArray doctorDocument =
    R"({"checks":[{"id":"chatdb","status":"fail","title":"Full Disk Access","detail":"No."}]})";

} // namespace

void TestRelayCLI::passesEachOperationsArguments_data() {
    QTest::addColumn<QString>("operation");
    for (const char* operation : {"status", "doctor", "pair", "unpair", "uninstall"})
        QTest::newRow(operation) << QString::fromLatin1(operation);
}

void TestRelayCLI::passesEachOperationsArguments() {
    QFETCH(QString, operation);
    FakeRelay fake;
    fake.reply(argumentsOf(operation), "{}");
    RelayCLI cli(fake.helperPath(), m_processes);
    auto outcome = runOperation(cli, operation);
    QTRY_VERIFY(outcome->done);
    QCOMPARE(fake.calls(), QList<QStringList>{argumentsOf(operation)});
}

void TestRelayCLI::decodesTheStatus() {
    FakeRelay fake;
    fake.reply({"relay", "status", "--json"}, statusDocument);
    RelayCLI cli(fake.helperPath(), m_processes);
    auto outcome = begin(cli.status());
    QTRY_VERIFY(outcome->done);
    QVERIFY(!outcome->error);
    const RelayStatus& status = *outcome->value;
    QVERIFY(status.paired);
    QCOMPARE(status.device, (RelayDevice{"d1", "Ana's iPhone"}));
    QCOMPARE(status.today, (RelayToday{4, 1, 2}));
    QCOMPARE(status.lastSyncAt, QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    QVERIFY(!status.sendingEnabled);
    QVERIFY(status.running);
}

void TestRelayCLI::decodesTheHealthReportWhateverTheExitStatus() {
    FakeRelay fake;
    fake.reply({"relay", "doctor", "--json"}, doctorDocument, 1);
    RelayCLI cli(fake.helperPath(), m_processes);
    auto outcome = begin(cli.doctor());
    QTRY_VERIFY(outcome->done);
    QVERIFY(!outcome->error);
    QCOMPARE(outcome->value->checks.size(), 1);
    QCOMPARE(outcome->value->checks.first().id, QStringLiteral("chatdb"));
    QCOMPARE(outcome->value->problems, 1);

    // A failure document is a report with nothing in it: every key of a report is optional.
    fake.reply({"relay", "doctor", "--json"}, failureDocument, 2);
    outcome = begin(cli.doctor());
    QTRY_VERIFY(outcome->done);
    QVERIFY(!outcome->error);
    QCOMPARE(*outcome->value, DoctorReport{});
}

void TestRelayCLI::returnsThePairedDevice() {
    FakeRelay fake;
    fake.reply(argumentsOf("pair"), R"({"device":{"id":"d9","name":"Work phone"},"x":1})");
    RelayCLI cli(fake.helperPath(), m_processes);
    auto outcome = begin(cli.pair("K7Q2ZP", "https://relay.example/a b"));
    QTRY_VERIFY(outcome->done);
    QVERIFY(!outcome->error);
    QCOMPARE(*outcome->value, (RelayDevice{"d9", "Work phone"}));
}

void TestRelayCLI::failures_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");
    // "ok", or the RelayError expected: "failed" with code ("-" for none) and message, or
    // "unreadable" with its payload in `text`.
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");

    const QString stopped3 = QStringLiteral("The relay stopped with an error (3).");
    const QString uninstallText = QStringLiteral(
        "Couldn't remove the command-line relay. Run wrenbox relay uninstall in Terminal.");
    const QByteArray text300 = QByteArray(300, 'x');
    const QByteArray cutAt200 = QByteArray(199, 'a') + "\xC3\xA9" + "tail";

    QTest::newRow("non-zero exit, failure document")
        << "status" << failureDocument << 2 << QByteArray() << "failed"
        << "not_paired"
        << "Pair first.";
    QTest::newRow("failure document without code")
        << "pair" << QByteArray(R"({"error":{"message":"Code expired."}})") << 1 << QByteArray()
        << "failed"
        << "-"
        << "Code expired.";
    QTest::newRow("exit 3, nothing printed")
        << "status" << QByteArray() << 3 << QByteArray() << "failed"
        << "-" << stopped3;
    QTest::newRow("exit 1, other output")
        << "unpair" << QByteArray("oops") << 1 << QByteArray() << "failed"
        << "-"
        << "The relay stopped with an error (1).";
    QTest::newRow("non-zero exit, valid record still fails")
        << "status" << QByteArray("{}") << 3 << QByteArray() << "failed"
        << "-" << stopped3;
    QTest::newRow("exit 0, failure document")
        << "pair" << failureDocument << 0 << QByteArray() << "failed"
        << "not_paired"
        << "Pair first.";
    QTest::newRow("exit 0, empty output")
        << "status" << QByteArray() << 0 << QByteArray() << "unreadable"
        << "-"
        << "";
    QTest::newRow("exit 0, record of the wrong shape")
        << "status" << QByteArray(R"({"paired":"yes"})") << 0 << QByteArray() << "unreadable"
        << "-"
        << R"({"paired":"yes"})";
    QTest::newRow("300 bytes of text") << "status" << text300 << 0 << QByteArray() << "unreadable"
                                       << "-" << QString(200, QLatin1Char('x'));
    QTest::newRow("character cut at byte 200")
        << "status" << cutAt200 << 0 << QByteArray() << "unreadable"
        << "-" << QString(199, QLatin1Char('a')) + QChar(QChar::ReplacementCharacter);
    QTest::newRow("standard error only")
        << "status" << QByteArray() << 0 << QByteArray(statusDocument) << "unreadable"
        << "-"
        << "";
    QTest::newRow("doctor, garbage, failure allowed")
        << "doctor" << QByteArray("nope") << 5 << QByteArray() << "unreadable"
        << "-"
        << "nope";
    QTest::newRow("pair, no device")
        << "pair" << QByteArray("{}") << 0 << QByteArray() << "unreadable"
        << "-"
        << "{}";
    QTest::newRow("unpair, empty object")
        << "unpair" << QByteArray("{}") << 0 << QByteArray() << "ok"
        << "-"
        << "";
    QTest::newRow("unpair, bare number") << "unpair" << QByteArray("3") << 0 << QByteArray() << "ok"
                                         << "-"
                                         << "";
    QTest::newRow("unpair, nothing printed")
        << "unpair" << QByteArray() << 0 << QByteArray() << "unreadable"
        << "-"
        << "";
    QTest::newRow("uninstall, output ignored")
        << "uninstall" << QByteArray("not json") << 0 << QByteArray() << "ok"
        << "-"
        << "";
    QTest::newRow("uninstall fails, its own message")
        << "uninstall" << failureDocument << 1 << QByteArray() << "failed"
        << "-" << uninstallText;
    QTest::newRow("no answer configured (exit 64)")
        << "none" << QByteArray() << 0 << QByteArray() << "failed"
        << "-"
        << "The relay stopped with an error (64).";
}

void TestRelayCLI::failures() {
    QFETCH(QString, operation);
    QFETCH(QByteArray, out);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QFETCH(QString, expected);
    QFETCH(QString, code);
    QFETCH(QString, text);

    FakeRelay fake;
    const bool unanswered = operation == QLatin1String("none");
    if (unanswered)
        operation = QStringLiteral("status");
    else
        fake.reply(argumentsOf(operation), out, exitCode, 0, err);
    RelayCLI cli(fake.helperPath(), m_processes);
    auto outcome = runOperation(cli, operation);
    QTRY_VERIFY(outcome->done);

    if (expected == QLatin1String("ok")) {
        QVERIFY(!outcome->error);
        return;
    }
    QVERIFY(outcome->error);
    const auto error = relayErrorOf(outcome->error);
    QVERIFY2(error, "not a RelayError");
    if (expected == QLatin1String("failed")) {
        const std::optional<QString> wantedCode =
            code == QLatin1String("-") ? std::nullopt : std::optional<QString>(code);
        QCOMPARE(*error, RelayError::failed(wantedCode, text));
        QCOMPARE(error->description(), text);
    } else {
        QCOMPARE(error->kind(), RelayError::Kind::Unreadable);
        QCOMPARE(error->payload(), text);
        QCOMPARE(error->description(),
                 QStringLiteral("The relay answered in a way this version doesn't understand. "
                                "Update Wrenbox."));
    }
}

void TestRelayCLI::missingHelper_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("no such file") << "missing";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("not executable") << "plain";
}

void TestRelayCLI::missingHelper() {
    QFETCH(QString, kind);
    FakeRelay fake;
    QTemporaryDir dir;
    QString helper = dir.filePath("wrenbox");
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir("wrenbox"));
    } else if (kind == QLatin1String("plain")) {
        QVERIFY(QFile::copy(fake.helperPath(), helper));
        QVERIFY(QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner));
    }
    RelayCLI cli(helper, m_processes);
    auto outcome = begin(cli.status());
    // Nothing is started, so the answer comes without a trip through the event loop.
    QVERIFY(outcome->done);
    const auto error = relayErrorOf(outcome->error);
    QVERIFY(error);
    QCOMPARE(*error, RelayError::missingHelper());
    QVERIFY(fake.calls().isEmpty());
}

void TestRelayCLI::launchFailureCarriesThePlatformText() {
    // Executable, yet exec fails: its interpreter does not exist.
    QTemporaryDir dir;
    const QString helper = dir.filePath("wrenbox");
    const QString platformText = FakeRelay::writeUnlaunchable(helper);
    QVERIFY(!platformText.isEmpty());

    ManualClock clock;
    RelayCLI cli(helper, m_processes, &clock);
    auto outcome = begin(cli.status());
    QTRY_VERIFY(outcome->done);
    QVERIFY(outcome->error);
    try {
        std::rethrow_exception(outcome->error);
    } catch (const RelayLaunchError& error) {
        QCOMPARE(error.message(), platformText);
    } catch (...) {
        QFAIL("expected the launch error");
    }
    // The time limit went with the call.
    QCOMPARE(clock.pendingTimers(), 0);
}

void TestRelayCLI::exitBySignalGivesTheSignalNumber() {
    QTemporaryDir dir;
    const QString helper = dir.filePath("wrenbox");
    QVERIFY(FakeRelay::writeExecutable(helper, "#!/bin/sh\nprintf partial\nkill -TERM $$\n"));

    RelayCLI cli(helper, m_processes);
    auto outcome = begin(cli.execute({"relay", "status", "--json"}));
    QTRY_VERIFY(outcome->done);
    QVERIFY(!outcome->error);
    QCOMPARE(outcome->value->status, 15);
    QCOMPARE(outcome->value->bytes, QByteArray("partial"));
}

void TestRelayCLI::timesOutAndKillsTheRelay() {
    FakeRelay fake;
    fake.reply({"relay", "status", "--json"}, statusDocument, 0, 600'000);
    ManualClock clock;
    RelayCLI cli(fake.helperPath(), m_processes, &clock);
    auto outcome = begin(cli.status());
    QTRY_COMPARE(fake.livePids().size(), 1);
    QCOMPARE(clock.nextDue(), std::optional(std::chrono::milliseconds(60s)));

    clock.advance(59'999ms);
    QVERIFY(!outcome->done);
    clock.advance(1ms);
    QVERIFY(outcome->done);
    QCOMPARE(*relayErrorOf(outcome->error),
             RelayError::failed(QStringLiteral("timeout"),
                                QStringLiteral("The relay didn't answer in time. Try again.")));
    QTRY_VERIFY(fake.livePids().isEmpty());
}

void TestRelayCLI::finishedCallLeavesNoTimerBehind() {
    FakeRelay fake;
    fake.reply({"relay", "status", "--json"}, "{}");
    ManualClock clock;
    RelayCLI cli(fake.helperPath(), m_processes, &clock);
    auto outcome = begin(cli.status());
    QCOMPARE(clock.pendingTimers(), 1);
    QTRY_VERIFY(outcome->done);
    QVERIFY(!outcome->error);
    QCOMPARE(clock.pendingTimers(), 0);
}

void TestRelayCLI::callsRunSideBySide() {
    FakeRelay fake;
    fake.reply({"relay", "status", "--json"}, "{}", 0, 300);
    fake.reply({"relay", "doctor", "--json"}, doctorDocument, 0, 0);
    RelayCLI cli(fake.helperPath(), m_processes);
    auto slow = begin(cli.status());
    auto fast = begin(cli.doctor());
    QTRY_VERIFY(fast->done);
    QVERIFY(!slow->done);
    QTRY_VERIFY(slow->done);
    QVERIFY(!slow->error && !fast->error);
    QCOMPARE(slow->value->paired, false);
    QCOMPARE(fast->value->checks.size(), 1);
}

void TestRelayCLI::callOutlivesItsRelayCLI() {
    FakeRelay fake;
    fake.reply({"relay", "status", "--json"}, statusDocument, 0, 200);
    auto cli = std::make_unique<RelayCLI>(fake.helperPath(), m_processes);
    auto outcome = begin(cli->status());
    cli.reset();
    QTRY_VERIFY(outcome->done);
    QVERIFY(!outcome->error);
    QVERIFY(outcome->value->paired);
    QTRY_VERIFY(fake.livePids().isEmpty());
}

void TestRelayCLI::capsTheOutput_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<long>("times");
    QTest::addColumn<bool>("fits");
    const qsizetype cap = RelayCLI::maxOutputBytes;
    const QByteArray padded = statusDocument + QByteArray(cap - statusDocument.size(), ' ');
    QTest::newRow("status at the cap") << "status" << padded << 1L << true;
    QTest::newRow("status a byte over") << "status" << padded + ' ' << 1L << false;
    QTest::newRow("endless status") << "status" << QByteArray("flood ") << -1L << false;
    QTest::newRow("endless doctor") << "doctor" << QByteArray("{}{}") << -1L << false;
    QTest::newRow("uninstall output is not kept") << "uninstall" << padded << 2L << true;
}

void TestRelayCLI::capsTheOutput() {
    QFETCH(QString, operation);
    QFETCH(QByteArray, out);
    QFETCH(long, times);
    QFETCH(bool, fits);
    FakeRelay fake;
    fake.flood(argumentsOf(operation), out, times);
    ManualClock clock; // never advanced: only the cap can end an endless call
    RelayCLI cli(fake.helperPath(), m_processes, &clock);
    auto outcome = runOperation(cli, operation);
    QTRY_VERIFY_WITH_TIMEOUT(outcome->done, 20'000);
    if (fits) {
        QVERIFY(!outcome->error);
    } else {
        QVERIFY(outcome->error);
        const QByteArray printed = out.repeated(200 / out.size() + 1);
        QCOMPARE(relayErrorOf(outcome->error), RelayError::unreadable(printed));
    }
    QTRY_VERIFY(fake.livePids().isEmpty());
    QCOMPARE(clock.pendingTimers(), 0);
}

QTEST_GUILESS_MAIN(TestRelayCLI)
#include "tst_relaycli.moc"
