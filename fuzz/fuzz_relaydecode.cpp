// libFuzzer target: everything that reads the relay's output.
//
// The input goes to RelayJson::parse and every record decoder, to RelayError::unreadable, to the
// timestamp rule, and line by line to RelayEvent::decode. Besides the sanitizers, a few oracles
// abort on a wrong answer:
//  - parse: an object or array is accepted exactly when QJsonDocument accepts it; an accepted
//    scalar is one JSON scalar (nothing like "3],[4" gets through) and survives a round trip;
//  - the timestamp rule: whatever it accepts, Qt's lenient ISO reader reads as the same instant
//    (to the millisecond), and the result re-formatted parses back to itself;
//  - records: defaults and invariants that hold for every decoded value;
//  - RelayError::unreadable: at most 200 bytes' worth, well-formed UTF-16, and the plain UTF-8
//    decoding whenever the bytes are valid.

#include "Core/Relay/RelayError.h"
#include "Core/Relay/RelayEvent.h"
#include "Core/Relay/RelayRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& detail = {}) {
    std::fprintf(stderr, "ORACLE FAILED: %s %s\n", what, detail.constData());
    std::abort();
}

#define CHECK(condition, detail)                                                                   \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fail(#condition, detail);                                                              \
    } while (false)

bool isJsonWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

QByteArray trimmedJson(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isJsonWhitespace(bytes.at(begin)))
        ++begin;
    while (end > begin && isJsonWhitespace(bytes.at(end - 1)))
        --end;
    return bytes.mid(begin, end - begin);
}

void checkParse(const QByteArray& bytes) {
    const auto value = RelayJson::parse(bytes);
    const QByteArray trimmed = trimmedJson(bytes);
    const char first = trimmed.isEmpty() ? '\0' : trimmed.at(0);

    if (first == '{' || first == '[') {
        QByteArray withoutMark = bytes;
        if (withoutMark.startsWith("\xEF\xBB\xBF"))
            withoutMark.remove(0, 3);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(withoutMark, &error);
        CHECK(value.has_value() == (error.error == QJsonParseError::NoError), bytes.toHex());
        if (value)
            CHECK(value->isObject() || value->isArray(), bytes.toHex());
        return;
    }
    if (!value)
        return;

    // One scalar and nothing else.
    CHECK(!value->isObject() && !value->isArray() && !value->isUndefined(), bytes.toHex());
    if (value->isString()) {
        CHECK(trimmed.size() >= 2 && trimmed.startsWith('"') && trimmed.endsWith('"'),
              bytes.toHex());
    } else {
        for (const char c : trimmed)
            CHECK(c != ',' && c != '[' && c != ']' && c != '{' && c != '}' && c != '"' &&
                      !isJsonWhitespace(c),
                  bytes.toHex());
    }
    // Round trip: written out in an array and read back, the same value.
    const QByteArray written = QJsonDocument(QJsonArray{*value}).toJson(QJsonDocument::Compact);
    const auto reread = RelayJson::parse(written.mid(1, written.size() - 2));
    CHECK(reread && *reread == *value, bytes.toHex());
}

void checkTimestamp(const QString& text) {
    const auto parsed = RelayJson::parseTimestamp(text);
    if (!parsed)
        return;
    CHECK(parsed->isValid() && parsed->timeSpec() == Qt::UTC, text.toUtf8());

    // Qt's reader has no year 0; otherwise it must agree (it rounds where we truncate).
    if (!text.startsWith(u"0000")) {
        QString upper = text;
        upper.replace(u't', u'T').replace(u'z', u'Z');
        const QDateTime lenient = QDateTime::fromString(upper, Qt::ISODateWithMs);
        CHECK(lenient.isValid(), text.toUtf8());
        CHECK(qAbs(lenient.msecsTo(*parsed)) <= 1, text.toUtf8());
    }
    const int year = parsed->date().year();
    if (year >= 1 && year <= 9999) {
        const auto again = RelayJson::parseTimestamp(parsed->toString(Qt::ISODateWithMs));
        CHECK(again && *again == *parsed, text.toUtf8());
    }
}

void checkRecords(const QByteArray& bytes) {
    const auto value = RelayJson::parse(bytes);
    const bool isObject = value && value->isObject();

    const auto status = RelayJson::decode<RelayStatus>(bytes);
    CHECK(!status || isObject, bytes.toHex());
    if (status && status->lastSyncAt)
        CHECK(status->lastSyncAt->isValid(), bytes.toHex());

    const auto report = RelayJson::decode<DoctorReport>(bytes);
    CHECK(!report || isObject, bytes.toHex());
    if (report) {
        const QJsonValue problems = value->toObject().value(QLatin1String("problems"));
        if (problems.isUndefined() || problems.isNull()) {
            qint64 failing = 0;
            for (const DoctorCheck& check : report->checks)
                failing += check.status == DoctorCheck::Status::Fail ? 1 : 0;
            CHECK(report->problems == failing, bytes.toHex());
        }
        for (const DoctorCheck& check : report->checks) {
            const auto found = report->check(check.id);
            CHECK(found && found->id == check.id, bytes.toHex());
            CHECK(DoctorCheck::statusFromName(DoctorCheck::statusName(check.status)) ==
                      check.status,
                  bytes.toHex());
        }
    }

    const auto failure = RelayJson::decode<RelayFailure>(bytes);
    CHECK(!failure || isObject, bytes.toHex());

    const auto paired = RelayJson::decode<RelayPaired>(bytes);
    CHECK(!paired || isObject, bytes.toHex());
    if (paired)
        CHECK(RelayDevice::fromJson(value->toObject().value(QLatin1String("device"))) ==
                  paired->device,
              bytes.toHex());

    const auto ok = RelayJson::decode<RelayOK>(bytes);
    CHECK(ok.has_value() == value.has_value(), bytes.toHex());
}

void checkUnreadable(const QByteArray& bytes) {
    const RelayError error = RelayError::unreadable(bytes);
    const QString& payload = error.payload();
    CHECK(error.kind() == RelayError::Kind::Unreadable, bytes.toHex());
    CHECK(payload.size() <= 200, bytes.toHex());
    CHECK(!error.description().isEmpty(), bytes.toHex());
    for (qsizetype i = 0; i < payload.size(); ++i) {
        const QChar c = payload.at(i);
        if (c.isHighSurrogate()) {
            CHECK(i + 1 < payload.size() && payload.at(i + 1).isLowSurrogate(), bytes.toHex());
            ++i;
        } else {
            CHECK(!c.isLowSurrogate(), bytes.toHex());
        }
    }
    // Valid UTF-8 decodes plainly.
    const QByteArray head = bytes.left(200);
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                    QStringDecoder::Flag::ConvertInitialBom);
    const QString plain = strict.decode(head);
    if (!strict.hasError() && !plain.contains(QChar::ReplacementCharacter))
        CHECK(payload == plain, bytes.toHex());
    // Re-encoding never gives more than the bytes, but for replacement characters (3 bytes each,
    // for at least 1 byte of input).
    CHECK(payload.toUtf8().size() <= head.size() + 2 * payload.count(QChar::ReplacementCharacter),
          bytes.toHex());
    CHECK(error == RelayError::unreadable(head), bytes.toHex());
}

void checkEvents(const QByteArray& bytes) {
    static const QDateTime now = QDateTime::fromMSecsSinceEpoch(1'900'000'000'000, Qt::UTC);
    for (const QByteArray& line : bytes.split('\n')) {
        const auto event = RelayEvent::decode(line, now);
        if (!event)
            continue;
        CHECK(!event->id.isNull() && event->id.version() == QUuid::Random, line.toHex());
        CHECK(event->at.isValid(), line.toHex());
        CHECK(RelayEvent::kindFromName(RelayEvent::kindName(event->kind)) == event->kind,
              line.toHex());
        // An object line, and its "event" is a text.
        const auto value = RelayJson::parse(line);
        CHECK(value && value->isObject(), line.toHex());
        const QJsonObject object = value->toObject();
        CHECK(object.value(QLatin1String("event")).isString(), line.toHex());
        // The fields follow the record rules.
        const QJsonValue jobs = object.value(QLatin1String("jobs"));
        CHECK(event->jobs == RelayJson::integer(jobs), line.toHex());
        const auto at = RelayJson::parseTimestamp(object.value(QLatin1String("at")));
        CHECK(event->at == (at ? *at : now), line.toHex());
        checkTimestamp(object.value(QLatin1String("at")).toString());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkParse(bytes);
    checkRecords(bytes);
    checkUnreadable(bytes);
    checkEvents(bytes);
    if (size <= 64) // the timestamp rule on its own, on short inputs
        checkTimestamp(QString::fromUtf8(bytes));
    return 0;
}
