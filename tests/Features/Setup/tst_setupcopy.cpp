// What Setup says for each check's status: pure functions of the health report.

#include "Features/Setup/CheckRow.h"
#include "Features/Setup/SetupCopy.h"

#include "RelayRig.h"

using Status = DoctorCheck::Status;

namespace {
const QStringList statuses{"ok", "warn", "fail", "info"};

std::optional<DoctorCheck> check(const char* id, const QString& status) {
    if (!statuses.contains(status))
        return std::nullopt;
    return DoctorCheck{QString::fromLatin1(id),
                       Status(statuses.indexOf(status)),
                       u"Relay's own title"_qs,
                       u"detail"_qs,
                       {}};
}
} // namespace

class TestSetupCopy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void texts_data();
    void texts();
    void summaryAndOtherChecks();
};

void TestSetupCopy::texts_data() {
    QTest::addColumn<QByteArrayList>("row");
    for (const QByteArrayList& row : table("Features/Setup/texts.txt"))
        QTest::addRow("%s %s %s", row[0].constData(), row[1].constData(),
                      row[2].left(30).constData())
            << row;
}

void TestSetupCopy::texts() {
    QFETCH(QByteArrayList, row);
    QStringList columns;
    for (const QByteArray& column : row)
        columns.append(QString::fromUtf8(column));
    const QString kind = columns[0];
    const QString key = columns[1];
    QStringList shown{kind, key};
    if (kind == u"status") {
        const auto status = check("chatdb", key);
        const auto state = status ? std::optional(status->status) : std::nullopt;
        shown << CheckRow::stateLabel(state) << CheckRow::symbolName(state)
              << QString::number(CheckRow::color(state).light(), 16)
              << SetupCopy::fullDiskAccess(status)
              << SetupCopy::forwarding(check("forwarding", key), false)
              << SetupCopy::forwarding(check("forwarding", key), true);
    } else if (kind == u"server") {
        shown << columns[2] << SetupCopy::server(check("server", key), columns[2]);
    } else if (kind == u"title") {
        shown << SetupCopy::title(*check(row[1].constData(), u"warn"_qs));
    } else {
        const auto permission =
            QList{MessagesPermission::Granted, MessagesPermission::NotAsked,
                  MessagesPermission::Denied, MessagesPermission::Unknown}
                .at(QStringList{"granted", "notAsked", "denied", "unknown"}.indexOf(key));
        shown << SetupCopy::automation(permission)
              << statuses.value(int(SetupCopy::automationStatus(permission)));
    }
    QCOMPARE(shown, columns);
}

void TestSetupCopy::summaryAndOtherChecks() {
    QCOMPARE(SetupCopy::summary(0), u"Everything checks out."_qs);
    QCOMPARE(SetupCopy::summary(1), u"1 thing to fix"_qs);
    QCOMPARE(SetupCopy::summary(3), u"3 things to fix"_qs);

    // Outside the main rows only warnings and failures show, whatever the problem count says.
    DoctorReport report;
    for (const auto& [id, status] :
         QList<std::pair<const char*, const char*>>{{"chatdb", "fail"},
                                                    {"version", "warn"},
                                                    {"macos", "ok"},
                                                    {"automation", "fail"},
                                                    {"relay", "fail"},
                                                    {"sqlite3", "info"},
                                                    {"forwarding", "warn"},
                                                    {"server", "fail"},
                                                    {"pairing", "warn"},
                                                    {"launchagent", "warn"}})
        report.checks.append(*check(id, QString::fromLatin1(status)));
    QStringList ids;
    for (const DoctorCheck& c : SetupCopy::otherChecks(report))
        ids << c.id;
    QCOMPARE(ids, (QStringList{"version", "relay", "launchagent"}));
}

QTEST_MAIN(TestSetupCopy)
#include "tst_setupcopy.moc"
