// What Setup says for each check's status: pure functions of the health report.

#include "Features/Setup/CheckRow.h"
#include "Features/Setup/SetupCopy.h"

#include "RelayRig.h"

using Status = DoctorCheck::Status;

namespace {
const QStringList statuses{"ok", "warn", "fail", "info"};

std::optional<DoctorCheck> check(const QString& id, const QString& status) {
    if (!statuses.contains(status))
        return std::nullopt;
    return DoctorCheck{
        id, Status(statuses.indexOf(status)), u"Relay's own title"_qs, u"detail"_qs, {}};
}
} // namespace

class TestSetupCopy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void texts_data() { addRows("Features/Setup/texts.txt", 3); }

    void texts() {
        QFETCH(QByteArrayList, row);
        if (!knownKind(row[0], {"status", "server", "title", "summary", "other", "automation"}))
            return;
        const QString kind = QString::fromUtf8(row[0]);
        const QString key = QString::fromUtf8(row[1]);
        QStringList shown{kind, key};
        if (kind == u"status") {
            const auto status = check(u"chatdb"_qs, key);
            const auto state = status ? std::optional(status->status) : std::nullopt;
            shown << CheckRow::stateLabel(state) << CheckRow::symbolName(state)
                  << QString::number(CheckRow::color(state).light(), 16)
                  << SetupCopy::fullDiskAccess(status)
                  << SetupCopy::forwarding(check(u"forwarding"_qs, key), false)
                  << SetupCopy::forwarding(check(u"forwarding"_qs, key), true);
        } else if (kind == u"server") {
            const QString server = QString::fromUtf8(row[2]);
            shown << server << SetupCopy::server(check(u"server"_qs, key), server);
        } else if (kind == u"title") {
            shown << SetupCopy::title(*check(key, u"warn"_qs));
        } else if (kind == u"summary") {
            shown << SetupCopy::summary(key.toLongLong());
        } else if (kind == u"other") {
            DoctorReport report;
            for (const QString& entry : key.split(u' ')) {
                const auto listed = check(entry.section(u':', 0, 0), entry.section(u':', 1));
                QVERIFY2(listed, "no such check status");
                report.checks.append(*listed);
            }
            QStringList ids;
            for (const DoctorCheck& c : SetupCopy::otherChecks(report))
                ids << c.id;
            shown << ids.join(u' ');
        } else {
            const auto permission = MessagesPermission(
                QStringList{"granted", "notAsked", "denied", "unknown"}.indexOf(key));
            shown << SetupCopy::automation(permission)
                  << statuses.value(int(SetupCopy::automationStatus(permission)));
        }
        QCOMPARE(shown.join(u" ¦ "), QString::fromUtf8(row.join(" ¦ ")));
    }
};

QTEST_MAIN(TestSetupCopy)
#include "tst_setupcopy.moc"
