// Decoding the relay's answers and event lines: the documents, the integer and timestamp rules,
// every record, and the error texts.

#include "Core/Relay/RelayError.h"
#include "Core/Relay/RelayEvent.h"
#include "Core/Relay/RelayRecords.h"

#include "RelayRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace {
using S = DoctorCheck::Status;

QDateTime utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toUTC();
}

// An event's fields in one line: kind, jobs, id, error, message, updateUrl ("~" when missing).
QString fields(const RelayEvent& e) {
    const auto text = [](const std::optional<QString>& s) { return s.value_or(u"~"_qs); };
    return QStringList{RelayEvent::kindName(e.kind),
                       e.jobs ? QString::number(*e.jobs) : u"~"_qs,
                       text(e.messageID),
                       text(e.error),
                       text(e.message),
                       text(e.updateUrl)}
        .join(u' ');
}
} // namespace

class TestRelayJson : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decoding_data();
    void decoding();
    void everyStatusKeyAndCheck();
    void eventIdentity();
    void errorTexts();
};

void TestRelayJson::decoding_data() {
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    for (const QByteArrayList& row : table("Core/Relay/decoding.txt"))
        QTest::addRow("%s: %s", row[0].constData(), row[1].constData())
            << row[0] << row[2] << row[3];
    const QByteArray euro("\xE2\x82\xAC");
    QTest::newRow("payload: 300 bytes")
        << QByteArray("payload") << QByteArray(300, 'a') << QByteArray(200, 'a');
    QTest::newRow("payload: cut character") << QByteArray("payload") << QByteArray(198, 'a') + euro
                                            << QByteArray(198, 'a') + "\xef\xbf\xbd";
    QTest::newRow("payload: whole character")
        << QByteArray("payload") << QByteArray(197, 'a') + euro << QByteArray(197, 'a') + euro;
}

void TestRelayJson::decoding() {
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QString got = u"-"_qs;
    if (kind == "parse") {
        if (const auto value = RelayJson::parse(input))
            got = QString::fromUtf8(
                QJsonDocument(QJsonArray{*value}).toJson(QJsonDocument::Compact).chopped(1).mid(1));
    } else if (kind == "integer") {
        const auto number = RelayJson::integer(*RelayJson::parse(input));
        got = number ? QString::number(*number) : got;
        // Inside a record a wrong type fails the whole record.
        const auto today = RelayJson::decode<RelayToday>("{\"sent\": " + input + "}");
        QCOMPARE(today.has_value(), number.has_value());
    } else if (kind == "timestamp") {
        if (const auto at = RelayJson::parseTimestamp(QString::fromUtf8(input)))
            got = at->toString(u"yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"_qs);
    } else if (kind == "status") {
        if (const auto status = RelayJson::decode<RelayStatus>(input))
            got = status == RelayJson::decode<RelayStatus>(expected) ? QString::fromUtf8(expected)
                                                                     : u"another status"_qs;
    } else if (kind == "failure") {
        if (const auto f = RelayJson::decode<RelayFailure>(input))
            got = f->code.value_or(u"~"_qs) + u'|' + f->message;
    } else if (kind == "paired") {
        if (const auto p = RelayJson::decode<RelayPaired>(input))
            got = p->device.id + u'/' + p->device.name;
    } else if (kind == "event") {
        const QDateTime now = utc("2031-07-09T08:07:06Z");
        if (const auto e = RelayEvent::decode(input, now)) {
            got = fields(*e);
            QCOMPARE(e->at, now); // none of these has a readable "at"
        }
    } else if (kind == "payload") {
        got = RelayError::unreadable(input).payload();
    }
    QCOMPARE(got, QString::fromUtf8(expected));
}

void TestRelayJson::everyStatusKeyAndCheck() {
    RelayStatus all;
    all.paired = true;
    all.server = u"https://wrenbox.app"_qs;
    all.device = RelayDevice{u"d1"_qs, u"Ada’s 📱"_qs};
    all.lastSyncAt = utc("2024-05-01T10:00:00.123Z");
    all.today = RelayToday{4, 1, 7};
    all.sendingEnabled = false;
    all.updateRequired = true;
    all.updateUrl = u""_qs;
    all.running = true;
    const QByteArray json =
        R"({"paired":true,"server":"https://wrenbox.app","device":{"id":"d1",)"
        R"("name":"Ada’s 📱"},"lastSyncAt":"2024-05-01T10:00:00.123Z","today":{"sent":4,"failed":1,)"
        R"("received":7},"sendingEnabled":false,"updateRequired":true,"updateUrl":"","running":true})";
    QCOMPARE(RelayJson::decode<RelayStatus>(json), std::optional(all));
    QCOMPARE(RelayJson::decode<RelayStatus>("{}"), RelayStatus{});
    QVERIFY(RelayJson::decode<RelayOK>("3") && !RelayJson::decode<RelayOK>("Unpaired."));
    const auto report = RelayJson::decode<DoctorReport>(
        R"({"checks":[)"
        R"({"id":"chatdb","name":"Chat DB","status":"fail","title":"Messages database",)"
        R"("detail":"Cannot open","fix":"Grant access"},)"
        R"({"name":"Full Disk Access","status":"warn"},)"
        R"({"id":"x","status":"FAIL","title":null},)"
        R"({"status":"ok","title":"T"},)"
        R"({"id":"chatdb","status":"ok"}]})");
    QVERIFY(report);
    const QList<DoctorCheck> expected{
        {u"chatdb"_qs, S::Fail, u"Messages database"_qs, u"Cannot open"_qs, u"Grant access"_qs},
        {u"full disk access"_qs, S::Warn, u"Full Disk Access"_qs, {}, std::nullopt},
        {u"x"_qs, S::Info, u"x"_qs, {}, std::nullopt}, // an unknown status is info
        {u"check"_qs, S::Ok, u"T"_qs, {}, std::nullopt},
        {u"chatdb"_qs, S::Ok, u"chatdb"_qs, {}, std::nullopt}};
    QCOMPARE(report->checks, expected);
    QCOMPARE(report->problems, 1); // counted from the checks when not given
    QCOMPARE(report->check(u"chatdb"_qs)->status, S::Fail); // the first of two
    QCOMPARE(report->check(u"Chatdb"_qs), std::nullopt);

    QCOMPARE(
        RelayJson::decode<DoctorReport>(R"({"checks":[{"status":"fail"}],"problems":0})")->problems,
        0);
    // A failure document is an empty report: every key is optional.
    QCOMPARE(RelayJson::decode<DoctorReport>(R"({"error":{"message":"m"}})"), DoctorReport{});
    for (const char* wrong : {R"({"checks":{"id":"a"}})", R"({"checks":[null]})",
                              R"({"checks":[{"id":"a","detail":1}]})", R"({"problems":2.5})"})
        QVERIFY2(!RelayJson::decode<DoctorReport>(wrong), wrong);
    for (S status : {S::Ok, S::Warn, S::Fail, S::Info})
        QCOMPARE(DoctorCheck::statusFromName(DoctorCheck::statusName(status)), status);
}

void TestRelayJson::eventIdentity() {
    const QDateTime now = utc("2031-07-09T08:07:06Z");
    const QByteArray line = R"({"event":"sent","at":"2024-05-01T12:00:00.250+02:00"})";
    const auto first = RelayEvent::decode(line, now);
    QCOMPARE(first->at, utc("2024-05-01T10:00:00.250Z"));
    QCOMPARE(RelayEvent::decode(R"({"event":"sent","at":"2024-05-01 10:00:00Z"})", now)->at, now);
    // The same line twice is two events; a copy with other fields is the same one.
    QSet<QUuid> ids;
    for (int i = 0; i < 1000; ++i)
        ids.insert(RelayEvent::decode(line, now)->id);
    QCOMPARE(ids.size(), 1000);
    RelayEvent copy = *first;
    copy.kind = RelayEvent::Kind::Failed;
    QVERIFY(copy == *first);
    const RelayEvent made = RelayEvent::make(RelayEvent::Kind::Paused, now);
    QVERIFY(!made.id.isNull() && made.at == now && !made.jobs && !made.message);
}

void TestRelayJson::errorTexts() {
    const RelayError failed = RelayError::failed(u"not_paired"_qs, u"Pair first."_qs);
    QCOMPARE(failed.description(), u"Pair first."_qs);
    QVERIFY(!(failed == RelayError::failed(std::nullopt, u"Pair first."_qs)));
    QVERIFY(!(RelayError::failed(std::nullopt, {}) == RelayError::unreadable({})));
    QCOMPARE(RelayError::unreadable("{\"secret\"").description(),
             u"The relay answered in a way this version doesn't understand. Update Wrenbox."_qs);
    QCOMPARE(RelayError::missingHelper().description(),
             u"The relay inside Wrenbox is missing. Download Wrenbox again."_qs);
}

QTEST_GUILESS_MAIN(TestRelayJson)
#include "tst_relayjson.moc"
