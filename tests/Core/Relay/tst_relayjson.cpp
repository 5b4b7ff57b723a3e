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
QDateTime utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toUTC();
}

// Each decoder's result in one line, as the table writes it; "-" when refused.
QString decoded(const QByteArray& kind, const QByteArray& input, const QByteArray& expected) {
    const auto text = [](const std::optional<QString>& s) { return s.value_or(u"~"_qs); };
    if (kind == "parse") {
        const auto value = RelayJson::parse(input);
        return value ? QString::fromUtf8(QJsonDocument(QJsonArray{*value})
                                             .toJson(QJsonDocument::Compact)
                                             .chopped(1)
                                             .mid(1))
                     : u"-"_qs;
    }
    if (kind == "integer") {
        const auto value = RelayJson::parse(input);
        if (!value)
            return u"not a document"_qs;
        const auto number = RelayJson::integer(*value);
        // Inside a record a wrong type fails the whole record.
        const bool inRecord =
            RelayJson::decode<RelayToday>("{\"sent\": " + input + "}").has_value();
        return inRecord != number.has_value() ? u"record differs"_qs
               : number                       ? QString::number(*number)
                                              : u"-"_qs;
    }
    if (kind == "timestamp") {
        const auto at = RelayJson::parseTimestamp(QString::fromUtf8(input));
        return at ? at->toString(u"yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"_qs) : u"-"_qs;
    }
    if (kind == "status") {
        const auto status = RelayJson::decode<RelayStatus>(input);
        return !status                                              ? u"-"_qs
               : status == RelayJson::decode<RelayStatus>(expected) ? QString::fromUtf8(expected)
                                                                    : u"another status"_qs;
    }
    if (kind == "failure") {
        const auto f = RelayJson::decode<RelayFailure>(input);
        return f ? text(f->code) + u'|' + f->message : u"-"_qs;
    }
    if (kind == "paired") {
        const auto p = RelayJson::decode<RelayPaired>(input);
        return p ? p->device.id + u'/' + p->device.name : u"-"_qs;
    }
    if (kind == "doctor") {
        const auto report = RelayJson::decode<DoctorReport>(input);
        QStringList checks{report ? QString::number(report->problems) : u"-"_qs};
        for (const DoctorCheck& c : report ? report->checks : QList<DoctorCheck>{})
            checks << QStringList{c.id, DoctorCheck::statusName(c.status), c.title, c.detail,
                                  text(c.fix)}
                          .join(u'|');
        return checks.join(u"; ");
    }
    if (kind == "ok")
        return RelayJson::decode<RelayOK>(input) ? u"ok"_qs : u"-"_qs;
    if (kind == "event") {
        const QDateTime now = utc("2031-07-09T08:07:06Z");
        const auto e = RelayEvent::decode(input, now);
        if (!e)
            return u"-"_qs;
        // "now": no readable "at", the time of reading stands in.
        return QStringList{RelayEvent::kindName(e->kind),
                           e->jobs ? QString::number(*e->jobs) : u"~"_qs,
                           text(e->messageID),
                           text(e->error),
                           text(e->message),
                           text(e->updateUrl),
                           e->at == now ? u"now"_qs
                                        : e->at.toString(u"yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"_qs)}
            .join(u' ');
    }
    return RelayError::unreadable(input).payload(); // payload
}
} // namespace

class TestRelayJson : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decoding_data() { addRows("Core/Relay/decoding.txt", 2); }

    void decoding() {
        QFETCH(QByteArrayList, row);
        if (!knownKind(row[0], {"parse", "integer", "timestamp", "status", "failure", "paired",
                                "doctor", "ok", "event", "payload"}))
            return;
        QCOMPARE(decoded(row[0], row[2], row[3]), QString::fromUtf8(row[3]));
    }

    void identities() {
        const QDateTime now = utc("2031-07-09T08:07:06Z");
        const QByteArray line = R"({"event":"sent","at":"2024-05-01T12:00:00.250+02:00"})";
        const auto first = RelayEvent::decode(line, now);
        QCOMPARE(first->at, utc("2024-05-01T10:00:00.250Z"));
        // The same line twice is two events; a copy with other fields is the same one.
        QVERIFY(!(*RelayEvent::decode(line, now) == *first));
        RelayEvent copy = *first;
        copy.kind = RelayEvent::Kind::Failed;
        QVERIFY(copy == *first);
        QVERIFY(!(RelayEvent::make(RelayEvent::Kind::Paused, now) == *first));
        // Errors are equal only with the same kind and code.
        QVERIFY(
            !(RelayError::failed(u"not_paired"_qs, u"m"_qs) == RelayError::failed({}, u"m"_qs)));
        QVERIFY(!(RelayError::failed(std::nullopt, {}) == RelayError::unreadable({})));
    }
};

QTEST_GUILESS_MAIN(TestRelayJson)
#include "tst_relayjson.moc"
