// Decoding one line of the relay's event stream.

#include "Core/Relay/RelayEvent.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(RelayEvent::Kind)

namespace {

using Kind = RelayEvent::Kind;

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// The decoding time handed to decode(): far from every "at" in the tables.
const QDateTime decodingTime = utc(2031, 7, 9, 8, 7, 6, 5);

std::optional<QString> optionalText(const QVariant& v) {
    return v.isValid() ? std::optional(v.toString()) : std::nullopt;
}

const QList<std::pair<Kind, QString>> kindTexts = {
    {Kind::Started, "started"},   {Kind::Synced, "synced"},
    {Kind::Sent, "sent"},         {Kind::Failed, "failed"},
    {Kind::Received, "received"}, {Kind::Paused, "paused"},
    {Kind::Resumed, "resumed"},   {Kind::UpdateRequired, "update_required"},
    {Kind::Unpaired, "unpaired"}, {Kind::Error, "error"},
    {Kind::Unknown, "unknown"},
};

} // namespace

class TestRelayEvent : public QObject {
    Q_OBJECT

private slots:
    void kindNames();
    void kindFromName_data();
    void kindFromName();
    void kindFromLine_data();
    void kindFromLine();
    void decode_data();
    void decode();
    void noEvent_data();
    void noEvent();
    void at_data();
    void at();
    void freshIds();
    void identityIsTheId();
    void make();
};

void TestRelayEvent::kindNames() {
    QCOMPARE(kindTexts.size(), int(Kind::Unknown) + 1); // every case, in declaration order
    for (int i = 0; i < kindTexts.size(); ++i) {
        const auto& [kind, text] = kindTexts.at(i);
        QCOMPARE(int(kind), i);
        QCOMPARE(RelayEvent::kindName(kind), text);
        QCOMPARE(RelayEvent::kindFromName(text), kind);
    }
}

void TestRelayEvent::kindFromName_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Kind>("kind");

    for (const auto& [kind, text] : kindTexts)
        QTest::newRow(qPrintable(text)) << text << kind;
    QTest::newRow("Sent") << "Sent" << Kind::Unknown; // a capital first letter is another text
    QTest::newRow("SENT") << "SENT" << Kind::Unknown;
    QTest::newRow("Started") << "Started" << Kind::Unknown;
    QTest::newRow("update-required") << "update-required" << Kind::Unknown;
    QTest::newRow("updateRequired") << "updateRequired" << Kind::Unknown;
    QTest::newRow("update_Required") << "update_Required" << Kind::Unknown;
    QTest::newRow("UPDATE_REQUIRED") << "UPDATE_REQUIRED" << Kind::Unknown;
    QTest::newRow("leading space") << " sent" << Kind::Unknown;
    QTest::newRow("trailing space") << "sent " << Kind::Unknown;
    QTest::newRow("prefix") << "sen" << Kind::Unknown;
    QTest::newRow("longer") << "sentence" << Kind::Unknown;
    QTest::newRow("empty") << "" << Kind::Unknown;
    QTest::newRow("NUL inside") << QString::fromUtf16(u"sent\0", 5) << Kind::Unknown;
    QTest::newRow("other") << "heartbeat" << Kind::Unknown;
}

void TestRelayEvent::kindFromName() {
    QFETCH(QString, text);
    QFETCH(Kind, kind);
    QCOMPARE(RelayEvent::kindFromName(text), kind);
}

void TestRelayEvent::kindFromLine_data() {
    kindFromName_data();
}

void TestRelayEvent::kindFromLine() {
    QFETCH(QString, text);
    QFETCH(Kind, kind);

    QJsonObject object{{"event", text}};
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
    const auto event = RelayEvent::decode(line, decodingTime);
    QVERIFY(event); // any text keeps the event
    QCOMPARE(event->kind, kind);
}

void TestRelayEvent::decode_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QVariant>("jobs"); // invalid: none
    QTest::addColumn<QVariant>("messageID");
    QTest::addColumn<QVariant>("error");
    QTest::addColumn<QVariant>("message");
    QTest::addColumn<QVariant>("updateUrl");

    const QVariant none;
    const auto jobs = [](qint64 n) { return QVariant::fromValue(n); };
    const auto text = [](const char* t) { return QVariant(QString::fromUtf8(t)); };

    QTest::newRow("sent with id and jobs")
        << QByteArray(R"({"event":"sent","id":"msg_1","jobs":3})") << Kind::Sent << jobs(3)
        << text("msg_1") << none << none << none;
    QTest::newRow("only event") << QByteArray(R"({"event":"started"})") << Kind::Started << none
                                << none << none << none << none;
    QTest::newRow("every key")
        << QByteArray(R"({"event":"failed","at":"2024-05-01T10:00:00Z","jobs":2,"id":"m9",
                          "error":"not_delivered","message":"Not delivered","updateUrl":"https://u"})")
        << Kind::Failed << jobs(2) << text("m9") << text("not_delivered") << text("Not delivered")
        << text("https://u");
    QTest::newRow("update required")
        << QByteArray(R"({"event":"update_required","updateUrl":"https://wrenbox.app/download"})")
        << Kind::UpdateRequired << none << none << none << none
        << text("https://wrenbox.app/download");
    QTest::newRow("error event")
        << QByteArray(
               R"({"event":"error","error":"server_unreachable","message":"Can't reach the server"})")
        << Kind::Error << none << none << text("server_unreachable")
        << text("Can't reach the server") << none;
    QTest::newRow("unknown kind keeps its fields")
        << QByteArray(R"({"event":"heartbeat","jobs":1,"message":"m"})") << Kind::Unknown << jobs(1)
        << none << none << text("m") << none;
    QTest::newRow("whitespace around")
        << QByteArray(" \t{ \"event\" : \"synced\" , \"jobs\" : 0 }  ") << Kind::Synced << jobs(0)
        << none << none << none << none;
    QTest::newRow("carriage return at the end")
        << QByteArray("{\"event\":\"paused\"}\r") << Kind::Paused << none << none << none << none
        << none;
    QTest::newRow("unknown keys ignored")
        << QByteArray(R"({"event":"received","from":"+15550100","body":{"text":"hi"},"n":[1]})")
        << Kind::Received << none << none << none << none << none;
    QTest::newRow("keys are case-sensitive")
        << QByteArray(R"({"event":"sent","Jobs":3,"ID":"x","messageID":"y","update_url":"u"})")
        << Kind::Sent << none << none << none << none << none;
    QTest::newRow("empty texts kept")
        << QByteArray(R"({"event":"sent","id":"","error":"","message":"","updateUrl":""})")
        << Kind::Sent << none << text("") << text("") << text("") << text("");
    QTest::newRow("non-ASCII and escapes")
        << QByteArray(R"({"event":"failed","message":"Zoë’s \"📱\" \u00e9"})") << Kind::Failed
        << none << none << none << text("Zoë’s \"📱\" é") << none;
    QTest::newRow("duplicate key: the last wins")
        << QByteArray(R"({"event":"sent","event":"failed"})") << Kind::Failed << none << none
        << none << none << none;

    QTest::newRow("nulls and unknown keys before the last key")
        << QByteArray(
               R"({"event":"update_required","at":null,"jobs":null,"zz":1,"aa":2,"updateUrl":"https://u"})")
        << Kind::UpdateRequired << none << none << none << none << text("https://u");
    QTest::newRow("only event and the last key")
        << QByteArray(R"({"updateUrl":"u","event":"error"})") << Kind::Error << none << none << none
        << none << text("u");
    QTest::newRow("duplicate keys, then the last key")
        << QByteArray(R"({"event":"sent","id":"a","id":"b","jobs":1,"jobs":2,"message":"m"})")
        << Kind::Sent << jobs(2) << text("b") << none << text("m") << none;

    // jobs: a signed 64-bit integer, else none; the event stays.
    QTest::newRow("jobs a text") << QByteArray(R"({"event":"synced","jobs":"3"})") << Kind::Synced
                                 << none << none << none << none << none;
    QTest::newRow("jobs 3.0") << QByteArray(R"({"event":"synced","jobs":3.0})") << Kind::Synced
                              << jobs(3) << none << none << none << none;
    QTest::newRow("jobs 1e3") << QByteArray(R"({"event":"synced","jobs":1e3})") << Kind::Synced
                              << jobs(1000) << none << none << none << none;
    QTest::newRow("jobs 3.5") << QByteArray(R"({"event":"synced","jobs":3.5})") << Kind::Synced
                              << none << none << none << none << none;
    QTest::newRow("jobs -1") << QByteArray(R"({"event":"synced","jobs":-1})") << Kind::Synced
                             << jobs(-1) << none << none << none << none;
    QTest::newRow("jobs int64 max")
        << QByteArray(R"({"event":"synced","jobs":9223372036854775807})") << Kind::Synced
        << jobs(std::numeric_limits<qint64>::max()) << none << none << none << none;
    QTest::newRow("jobs 2^63") << QByteArray(R"({"event":"synced","jobs":9223372036854775808})")
                               << Kind::Synced << none << none << none << none << none;
    QTest::newRow("jobs null") << QByteArray(R"({"event":"synced","jobs":null})") << Kind::Synced
                               << none << none << none << none << none;
    QTest::newRow("jobs a Boolean") << QByteArray(R"({"event":"synced","jobs":true})")
                                    << Kind::Synced << none << none << none << none << none;
    QTest::newRow("jobs an array") << QByteArray(R"({"event":"synced","jobs":[3]})") << Kind::Synced
                                   << none << none << none << none << none;

    // Texts of the wrong type are missing; the event stays.
    QTest::newRow("id a number") << QByteArray(R"({"event":"sent","id":42})") << Kind::Sent << none
                                 << none << none << none << none;
    QTest::newRow("error an object")
        << QByteArray(R"({"event":"failed","error":{"code":"x"},"message":"m"})") << Kind::Failed
        << none << none << none << text("m") << none;
    QTest::newRow("message a Boolean") << QByteArray(R"({"event":"error","message":false})")
                                       << Kind::Error << none << none << none << none << none;
    QTest::newRow("updateUrl null") << QByteArray(R"({"event":"update_required","updateUrl":null})")
                                    << Kind::UpdateRequired << none << none << none << none << none;
    QTest::newRow("every field of the wrong type")
        << QByteArray(
               R"({"event":"sent","at":5,"jobs":"x","id":1,"error":[],"message":{},"updateUrl":true})")
        << Kind::Sent << none << none << none << none << none;
}

void TestRelayEvent::decode() {
    QFETCH(QByteArray, line);
    QFETCH(Kind, kind);
    QFETCH(QVariant, jobs);
    QFETCH(QVariant, messageID);
    QFETCH(QVariant, error);
    QFETCH(QVariant, message);
    QFETCH(QVariant, updateUrl);

    const auto event = RelayEvent::decode(line, decodingTime);
    QVERIFY(event);
    QCOMPARE(event->kind, kind);
    QCOMPARE(event->jobs, jobs.isValid() ? std::optional(jobs.toLongLong()) : std::nullopt);
    QCOMPARE(event->messageID, optionalText(messageID));
    QCOMPARE(event->error, optionalText(error));
    QCOMPARE(event->message, optionalText(message));
    QCOMPARE(event->updateUrl, optionalText(updateUrl));
    QVERIFY(!event->id.isNull());
}

void TestRelayEvent::noEvent_data() {
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("object without event") << QByteArray(R"({"id":"m1","jobs":3})");
    QTest::newRow("empty object") << QByteArray("{}");
    QTest::newRow("event null") << QByteArray(R"({"event":null})");
    QTest::newRow("event a number") << QByteArray(R"({"event":3})");
    QTest::newRow("event a Boolean") << QByteArray(R"({"event":true})");
    QTest::newRow("event an object") << QByteArray(R"({"event":{"name":"sent"}})");
    QTest::newRow("event an array") << QByteArray(R"({"event":["sent"]})");
    QTest::newRow("Event capitalised key") << QByteArray(R"({"Event":"sent"})");
    QTest::newRow("kind key") << QByteArray(R"({"kind":"sent"})");
    // Not a JSON object.
    QTest::newRow("empty line") << QByteArray();
    QTest::newRow("blank line") << QByteArray("   ");
    QTest::newRow("array") << QByteArray(R"([{"event":"sent"}])");
    QTest::newRow("text") << QByteArray(R"("sent")");
    QTest::newRow("number") << QByteArray("3");
    QTest::newRow("null") << QByteArray("null");
    QTest::newRow("plain text") << QByteArray("relay starting...");
    QTest::newRow("cut off") << QByteArray(R"({"event":"sent")");
    QTest::newRow("two objects") << QByteArray(R"({"event":"sent"}{"event":"sent"})");
    QTest::newRow("object then garbage") << QByteArray(R"({"event":"sent"} x)");
    QTest::newRow("two lines in one") << QByteArray("{\"event\":\"sent\"}\n{\"event\":\"sent\"}");
    QTest::newRow("invalid UTF-8") << QByteArray("{\"event\":\"sent\",\"message\":\"\xff\"}");
    QTest::newRow("NUL at the end") << QByteArray("{\"event\":\"sent\"}\0", 17);
    QTest::newRow("single quotes") << QByteArray("{'event':'sent'}");
    QTest::newRow("trailing comma") << QByteArray(R"({"event":"sent",})");
}

void TestRelayEvent::noEvent() {
    QFETCH(QByteArray, line);
    QCOMPARE(RelayEvent::decode(line, decodingTime).has_value(), false);
}

void TestRelayEvent::at_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QDateTime>("at");

    QTest::newRow("Z") << QByteArray(R"({"event":"sent","at":"2024-05-01T10:00:00Z"})")
                       << utc(2024, 5, 1, 10, 0, 0);
    QTest::newRow("fraction") << QByteArray(R"({"event":"sent","at":"2024-05-01T10:00:00.250Z"})")
                              << utc(2024, 5, 1, 10, 0, 0, 250);
    QTest::newRow("offset") << QByteArray(R"({"event":"sent","at":"2024-05-01T12:00:00+02:00"})")
                            << utc(2024, 5, 1, 10, 0, 0);
    QTest::newRow("missing: now") << QByteArray(R"({"event":"sent"})") << decodingTime;
    QTest::newRow("null: now") << QByteArray(R"({"event":"sent","at":null})") << decodingTime;
    QTest::newRow("no zone: now") << QByteArray(R"({"event":"sent","at":"2024-05-01T10:00:00"})")
                                  << decodingTime;
    QTest::newRow("space for T: now")
        << QByteArray(R"({"event":"sent","at":"2024-05-01 10:00:00Z"})") << decodingTime;
    QTest::newRow("hour 24: now") << QByteArray(R"({"event":"sent","at":"2024-05-01T24:00:00Z"})")
                                  << decodingTime;
    QTest::newRow("a number: now")
        << QByteArray(R"({"event":"sent","at":1714557600})") << decodingTime;
    QTest::newRow("an object: now") << QByteArray(R"({"event":"sent","at":{}})") << decodingTime;
    QTest::newRow("garbage: now") << QByteArray(R"({"event":"sent","at":"now"})") << decodingTime;
}

void TestRelayEvent::at() {
    QFETCH(QByteArray, line);
    QFETCH(QDateTime, at);

    const auto event = RelayEvent::decode(line, decodingTime);
    QVERIFY(event);
    QCOMPARE(event->at, at);
    QCOMPARE(event->at.toMSecsSinceEpoch(), at.toMSecsSinceEpoch());
}

void TestRelayEvent::freshIds() {
    const QByteArray line = R"({"event":"sent","id":"m1","at":"2024-05-01T10:00:00Z"})";
    const auto first = RelayEvent::decode(line, decodingTime);
    const auto second = RelayEvent::decode(line, decodingTime);
    QVERIFY(first && second);
    QVERIFY(first->id != second->id); // the same line twice: two events
    QVERIFY(!(*first == *second));

    QSet<QUuid> seen;
    for (int i = 0; i < 20000; ++i) {
        const auto event = RelayEvent::decode(line, decodingTime);
        QVERIFY(event);
        QCOMPARE(event->id.version(), QUuid::Random);
        QCOMPARE(event->id.variant(), QUuid::DCE);
        seen.insert(event->id);
    }
    QCOMPARE(seen.size(), 20000);
}

void TestRelayEvent::identityIsTheId() {
    const auto event = RelayEvent::decode(R"({"event":"sent","jobs":1})", decodingTime);
    QVERIFY(event);
    RelayEvent copy = *event;
    copy.kind = Kind::Failed;
    copy.jobs = 7;
    copy.message = QStringLiteral("changed");
    QVERIFY(copy == *event); // same id, other fields differ: the same event
}

void TestRelayEvent::make() {
    const QDateTime when = utc(2024, 5, 1, 10, 0, 0);
    const RelayEvent paused = RelayEvent::make(Kind::Paused, when);
    QCOMPARE(paused.kind, Kind::Paused);
    QCOMPARE(paused.at, when);
    QCOMPARE(paused.jobs, std::nullopt);
    QCOMPARE(paused.messageID, std::nullopt);
    QCOMPARE(paused.error, std::nullopt);
    QCOMPARE(paused.message, std::nullopt);
    QCOMPARE(paused.updateUrl, std::nullopt);
    QVERIFY(!paused.id.isNull());
    QCOMPARE(paused.id.version(), QUuid::Random);

    const RelayEvent again = RelayEvent::make(Kind::Paused, when);
    QVERIFY(again.id != paused.id);
    QVERIFY(!(again == paused));
}

QTEST_GUILESS_MAIN(TestRelayEvent)
#include "tst_relayevent.moc"
