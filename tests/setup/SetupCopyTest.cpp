#include "Features/Setup/SetupCopy.h"

#include <QTest>

using Status = DoctorCheck::Status;
using MaybeCheck = std::optional<DoctorCheck>;

Q_DECLARE_METATYPE(MaybeCheck)
Q_DECLARE_METATYPE(MessagesPermission)

namespace {
DoctorCheck check(const QString& id, Status status, const QString& title = {}) {
    DoctorCheck c;
    c.id = id;
    c.status = status;
    c.title = title;
    c.detail = QStringLiteral("detail of ") + id;
    return c;
}
} // namespace

class SetupCopyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullDiskAccess_data() {
        QTest::addColumn<MaybeCheck>("check");
        QTest::addColumn<QString>("text");
        const QString off = QStringLiteral(
            "Lets Wrenbox read replies and send errors from Messages. It reads nothing else.");
        QTest::newRow("ok") << MaybeCheck(check("chatdb", Status::Ok))
                            << QStringLiteral("Wrenbox can read replies and send errors.");
        QTest::newRow("absent") << MaybeCheck() << off;
        QTest::newRow("warn") << MaybeCheck(check("chatdb", Status::Warn)) << off;
        QTest::newRow("fail") << MaybeCheck(check("chatdb", Status::Fail)) << off;
        QTest::newRow("info") << MaybeCheck(check("chatdb", Status::Info)) << off;
    }
    void fullDiskAccess() {
        QFETCH(MaybeCheck, check);
        QFETCH(QString, text);
        QCOMPARE(SetupCopy::fullDiskAccess(check), text);
    }

    void automation_data() {
        QTest::addColumn<MessagesPermission>("permission");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        const QString asks = QStringLiteral("macOS asks once, when you click the button.");
        QTest::newRow("granted") << MessagesPermission::Granted
                                 << QStringLiteral("Wrenbox can send through Messages.")
                                 << int(Status::Ok);
        QTest::newRow("notAsked") << MessagesPermission::NotAsked << asks << int(Status::Info);
        QTest::newRow("denied") << MessagesPermission::Denied
                                << QStringLiteral("Turn on Messages under Wrenbox.")
                                << int(Status::Fail);
        QTest::newRow("unknown") << MessagesPermission::Unknown << asks << int(Status::Info);
    }
    void automation() {
        QFETCH(MessagesPermission, permission);
        QFETCH(QString, text);
        QFETCH(int, status);
        QCOMPARE(SetupCopy::automation(permission), text);
        QCOMPARE(int(SetupCopy::automationStatus(permission)), status);
    }

    void forwarding_data() {
        QTest::addColumn<MaybeCheck>("check");
        QTest::addColumn<bool>("fullDiskAccessOff");
        QTest::addColumn<QString>("text");
        const QString fda = QStringLiteral("Wrenbox can check this once it has Full Disk Access.");
        const QString none = QStringLiteral(
            "No SMS has reached this Mac lately. Turn on forwarding on your iPhone.");
        const QString reach = QStringLiteral("Texts from your iPhone reach this Mac.");
        const QString cant =
            QStringLiteral("Wrenbox can't tell yet. It knows once a text arrives.");
        // Full Disk Access comes first, whatever the forwarding check says.
        QTest::newRow("fda off, ok") << MaybeCheck(check("forwarding", Status::Ok)) << true << fda;
        QTest::newRow("fda off, warn")
            << MaybeCheck(check("forwarding", Status::Warn)) << true << fda;
        QTest::newRow("fda off, absent") << MaybeCheck() << true << fda;
        QTest::newRow("warn") << MaybeCheck(check("forwarding", Status::Warn)) << false << none;
        QTest::newRow("fail") << MaybeCheck(check("forwarding", Status::Fail)) << false << none;
        QTest::newRow("ok") << MaybeCheck(check("forwarding", Status::Ok)) << false << reach;
        QTest::newRow("info") << MaybeCheck(check("forwarding", Status::Info)) << false << cant;
        QTest::newRow("absent") << MaybeCheck() << false << cant;
    }
    void forwarding() {
        QFETCH(MaybeCheck, check);
        QFETCH(bool, fullDiskAccessOff);
        QFETCH(QString, text);
        QCOMPARE(SetupCopy::forwarding(check, fullDiskAccessOff), text);
    }

    void server_data() {
        QTest::addColumn<MaybeCheck>("check");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("text");
        const QString url = QStringLiteral("https://relay.example.com:8443/api/v1?x=1");
        QTest::newRow("fail names only the host")
            << MaybeCheck(check("server", Status::Fail)) << url
            << QStringLiteral("Can't reach relay.example.com. Check this Mac's connection.");
        QTest::newRow("warn") << MaybeCheck(check("server", Status::Warn)) << url
                              << QStringLiteral("relay.example.com answered slowly or with a "
                                                "warning. See Details.");
        QTest::newRow("ok") << MaybeCheck(check("server", Status::Ok)) << url
                            << QStringLiteral("relay.example.com");
        QTest::newRow("info") << MaybeCheck(check("server", Status::Info)) << url
                              << QStringLiteral("relay.example.com");
        QTest::newRow("no check") << MaybeCheck() << QStringLiteral("https://wrenbox.app")
                                  << QStringLiteral("wrenbox.app");
        QTest::newRow("not a URL, fail")
            << MaybeCheck(check("server", Status::Fail)) << QStringLiteral("my server")
            << QStringLiteral("Can't reach my server. Check this Mac's connection.");
        QTest::newRow("not a URL, no check")
            << MaybeCheck() << QStringLiteral("my server") << QStringLiteral("my server");
        QTest::newRow("no host") << MaybeCheck() << QStringLiteral("wrenbox.app")
                                 << QStringLiteral("wrenbox.app");
        QTest::newRow("international host is percent-encoded")
            << MaybeCheck(check("server", Status::Ok)) << QStringLiteral("https://bücher.example")
            << QStringLiteral("xn--bcher-kva.example");
    }
    void server() {
        QFETCH(MaybeCheck, check);
        QFETCH(QString, server);
        QFETCH(QString, text);
        QCOMPARE(SetupCopy::server(check, server), text);
    }

    void title_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("title");
        QTest::newRow("macos") << "macos"
                               << "macOS";
        QTest::newRow("messages") << "messages"
                                  << "Messages app";
        QTest::newRow("sqlite3") << "sqlite3"
                                 << "Database tool";
        QTest::newRow("applescript") << "applescript"
                                     << "Messages script";
        QTest::newRow("version") << "version"
                                 << "Wrenbox version";
        QTest::newRow("sending") << "sending"
                                 << "Sending";
        QTest::newRow("relay") << "relay"
                               << "Relay";
        QTest::newRow("launchagent") << "launchagent"
                                     << "Command-line relay";
        QTest::newRow("case-sensitive") << "Version"
                                        << "Relay's own title";
        QTest::newRow("unknown id") << "disk"
                                    << "Relay's own title";
    }
    void title() {
        QFETCH(QString, id);
        QFETCH(QString, title);
        QCOMPARE(SetupCopy::title(check(id, Status::Warn, QStringLiteral("Relay's own title"))),
                 title);
    }

    void summary_data() {
        QTest::addColumn<qint64>("problems");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "Everything checks out.";
        QTest::newRow("1") << qint64(1) << "1 thing to fix";
        QTest::newRow("2") << qint64(2) << "2 things to fix";
        QTest::newRow("3") << qint64(3) << "3 things to fix";
    }
    void summary() {
        QFETCH(qint64, problems);
        QFETCH(QString, text);
        QCOMPARE(SetupCopy::summary(problems), text);
    }

    void otherChecksKeepOnlyWarnAndFailOutsideTheMainRows() {
        DoctorReport report;
        report.checks = {check("chatdb", Status::Fail),     check("version", Status::Warn),
                         check("macos", Status::Ok),        check("automation", Status::Fail),
                         check("relay", Status::Fail),      check("sqlite3", Status::Info),
                         check("forwarding", Status::Warn), check("server", Status::Fail),
                         check("pairing", Status::Warn),    check("launchagent", Status::Warn)};
        QStringList ids;
        for (const DoctorCheck& c : SetupCopy::otherChecks(report))
            ids << c.id;
        QCOMPARE(ids, QStringList({"version", "relay", "launchagent"}));
    }

    void otherChecksFollowStatusesNotTheProblemCount() {
        DoctorReport report;
        report.problems = 0;
        report.checks = {check("version", Status::Warn)};
        QCOMPARE(SetupCopy::summary(report.problems), QStringLiteral("Everything checks out."));
        QCOMPARE(SetupCopy::otherChecks(report).size(), 1);
        QVERIFY(SetupCopy::otherChecks(DoctorReport{}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SetupCopyTest)
#include "SetupCopyTest.moc"
