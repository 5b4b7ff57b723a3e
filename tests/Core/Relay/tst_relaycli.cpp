// The relay's one-shot commands, run as real child processes of the fake relay.

#include "Core/Relay/RelayCLI.h"

#include "RelayRig.h"

#include <QDir>

using namespace std::chrono_literals;

namespace {
// Runs one operation by name; the outcome keeps only whether it succeeded and its error.
std::shared_ptr<Outcome<void>> run(const RelayCLI& cli, const QString& operation) {
    auto drop = [](auto task) -> QCoro::Task<> { co_await std::move(task); };
    if (operation == u"status")
        return launch(drop(cli.status()));
    if (operation == u"doctor")
        return launch(drop(cli.doctor()));
    if (operation == u"pair")
        return launch(drop(cli.pair(u"K7Q2ZP"_qs, u"https://relay.example/a b"_qs)));
    if (operation == u"unpair")
        return launch(cli.unpair());
    return launch(cli.uninstallLaunchAgent());
}

QStringList argumentsOf(const QString& operation) {
    if (operation == u"pair")
        return {"relay", "pair", "K7Q2ZP", "--server", "https://relay.example/a b", "--json"};
    if (operation == u"uninstall")
        return {"relay", "uninstall"};
    return {"relay", operation, "--json"};
}
} // namespace

namespace {
FakeProcessControl processes;
}

class TestRelayCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data() { addRows("Core/Relay/answers.txt"); }

    void answers() {
        QFETCH(QByteArrayList, row);
        const QString operation = QString::fromUtf8(row[1]);
        const QByteArray out = row[2].startsWith('@') ? answer(row[2].mid(1).constData()) : row[2];
        const int exitCode = row[3].toInt();
        const QString expected = QString::fromUtf8(row[4]);
        FakeRelay fake;
        fake.reply(argumentsOf(operation), out, exitCode, 0, "standard error is never read");
        ManualClock clock;
        auto outcome = run(RelayCLI(fake.helperPath(), processes, clock), operation);
        QVERIFY(finish(outcome));
        QCOMPARE(fake.calls(), QList<QStringList>{argumentsOf(operation)});
        QString got = u"ok"_qs;
        if (const auto error = outcome->relayError) {
            got =
                error->kind() == RelayError::Kind::Failed
                    ? u"failed:"_qs + error->code().value_or(u"~"_qs) + u':' + error->description()
                    : u"unreadable:"_qs + error->payload();
        }
        QCOMPARE(got, expected);
    }

    void helpersThatCannotAnswer() {
        FakeRelay fake;
        ManualClock clock;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_qs));
        QVERIFY(FakeRelay::writeExecutable(dir.filePath(u"plain"_qs), "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(dir.filePath(u"plain"_qs), QFile::ReadOwner));
        for (const char* name : {"none", "folder", "plain"}) {
            auto outcome = launch(
                RelayCLI(dir.filePath(QString::fromLatin1(name)), processes, clock).status());
            QVERIFY(outcome->done); // nothing started: no trip through the event loop
            QCOMPARE(outcome->relayError, RelayError::missingHelper());
        }
        QVERIFY(fake.calls().isEmpty());

        // One that cannot start gives the platform's text and leaves no time limit behind.
        const QString helper = dir.filePath(u"wrenbox"_qs);
        const QString platformText = FakeRelay::writeUnlaunchable(helper);
        auto unlaunchable = launch(RelayCLI(helper, processes, clock).status());
        QVERIFY(finish(unlaunchable) && unlaunchable->relayError);
        QCOMPARE(unlaunchable->relayError->kind(), RelayError::Kind::Launch);
        QCOMPARE(unlaunchable->relayError->message(), platformText);
        QCOMPARE(clock.pendingTimers(), 0);
        // A task nobody awaits logs the failure's text, not its type.
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(u"Wrenbox: pairing failed: "_qs + platformText));
        detach(
            [](std::exception_ptr error) -> QCoro::Task<> {
                std::rethrow_exception(error);
                co_return;
            }(unlaunchable->error),
            "pairing");

        // One ended by a signal reports the signal's number.
        QVERIFY(FakeRelay::writeExecutable(helper, "#!/bin/sh\nprintf partial\nkill -TERM $$\n"));
        auto killed = launch(RelayCLI(helper, processes, clock).status());
        QVERIFY(finish(killed) && killed->relayError);
        QCOMPARE(killed->relayError->description(), u"The relay stopped with an error (15)."_qs);
    }

    void callsRunSideBySideOutliveTheirCliAndTimeOut() {
        FakeRelay fake;
        fake.reply(statusArgs, answer("status-paired"), 0, 300);
        fake.reply(doctorArgs, "{}");
        fake.reply(unpairArgs, "{}", 0, 600'000);
        ManualClock clock;
        auto cli = std::make_unique<RelayCLI>(fake.helperPath(), processes, clock);
        auto slow = launch(cli->status());
        auto fast = launch(cli->doctor());
        auto hung = launch(cli->unpair());
        cli.reset();
        QCOMPARE(clock.pendingTimers(), 3);
        QVERIFY(finish(fast) && finish(slow));
        QVERIFY(slow->value && slow->value->paired);
        QTRY_COMPARE(fake.livePids().size(), 1);
        QCOMPARE(clock.nextDue(), std::optional(std::chrono::milliseconds(60s)));
        clock.advance(59'999ms);
        QVERIFY(!hung->done);
        clock.advance(1ms);
        QVERIFY(hung->done);
        QCOMPARE(
            hung->relayError,
            RelayError::failed(u"timeout"_qs, u"The relay didn't answer in time. Try again."_qs));
        QCOMPARE(clock.pendingTimers(), 0); // no time limit left behind
        QTRY_VERIFY(fake.livePids().isEmpty());
    }

    void capsTheOutput_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<long>("times");
        QTest::addColumn<bool>("fits");
        const QByteArray status = answer("status-paired");
        const QByteArray padded =
            status + QByteArray((qsizetype(4) << 20) - status.size(), ' '); // 4 MiB
        QTest::newRow("status at the cap") << "status" << padded << 1L << true;
        QTest::newRow("status a byte over") << "status" << padded + ' ' << 1L << false;
        QTest::newRow("endless status") << "status" << QByteArray("flood ") << -1L << false;
        QTest::newRow("endless doctor") << "doctor" << QByteArray("{}{}") << -1L << false;
        QTest::newRow("uninstall output is not kept") << "uninstall" << padded << 2L << true;
    }

    void capsTheOutput() {
        QFETCH(QString, operation);
        QFETCH(QByteArray, out);
        QFETCH(long, times);
        QFETCH(bool, fits);
        FakeRelay fake;
        fake.flood(argumentsOf(operation), out, times);
        ManualClock clock; // never advanced: only the cap can end an endless call
        auto outcome = run(RelayCLI(fake.helperPath(), processes, clock), operation);
        QVERIFY(finish(outcome));
        QCOMPARE(outcome->relayError,
                 fits ? std::nullopt
                      : std::optional(RelayError::unreadable(out.repeated(200 / out.size() + 1))));
        QTRY_VERIFY(fake.livePids().isEmpty());
        QCOMPARE(clock.pendingTimers(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRelayCli)
#include "tst_relaycli.moc"
