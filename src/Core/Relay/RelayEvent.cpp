#include "Core/Relay/RelayEvent.h"

#include "Core/Relay/RelayRecords.h"

#include <QCborMap>
#include <QCborValue>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLatin1String>
#include <QRandomGenerator>

namespace {

using Key = QLatin1String;

struct KindName {
    RelayEvent::Kind kind;
    Key name;
};
constexpr KindName kindNames[] = {
    {RelayEvent::Kind::Started, Key("started")},
    {RelayEvent::Kind::Synced, Key("synced")},
    {RelayEvent::Kind::Sent, Key("sent")},
    {RelayEvent::Kind::Failed, Key("failed")},
    {RelayEvent::Kind::Received, Key("received")},
    {RelayEvent::Kind::Paused, Key("paused")},
    {RelayEvent::Kind::Resumed, Key("resumed")},
    {RelayEvent::Kind::UpdateRequired, Key("update_required")},
    {RelayEvent::Kind::Unpaired, Key("unpaired")},
    {RelayEvent::Kind::Error, Key("error")},
    {RelayEvent::Kind::Unknown, Key("unknown")},
};

// A random (version 4, RFC 4122 variant) UUID. Event ids only need to be unique within a run,
// so the global generator (seeded from the system's) is enough; QUuid::createUuid() asks the
// system generator each time, which costs about three times as much on the event path.
QUuid freshId() {
    quint64 bits[2];
    QRandomGenerator::global()->fillRange(bits);
    const quint64 high = bits[0];
    const quint64 low = bits[1];
    return QUuid(uint(high >> 32), ushort(high >> 16), ushort((high & 0x0FFF) | 0x4000),
                 uchar(((low >> 56) & 0x3F) | 0x80), uchar(low >> 48), uchar(low >> 40),
                 uchar(low >> 32), uchar(low >> 24), uchar(low >> 16), uchar(low >> 8), uchar(low));
}

// Reads the keys of one event object. Once every key of the object has been found, the lookups
// of the rest are skipped: a typical line has four keys of the seven.
class Reader {
public:
    explicit Reader(const QCborMap& map)
        : m_map(map)
        , m_unread(map.size()) {}

    QCborValue value(Key key) {
        if (m_unread == 0)
            return QCborValue(QCborValue::Undefined);
        QCborValue value = m_map.value(key);
        if (!value.isUndefined()) // keys are unique (QJsonDocument keeps the last of duplicates)
            --m_unread;
        return value;
    }

    // The text at `key`, none when missing or not a text.
    std::optional<QString> text(Key key) {
        const QCborValue found = value(key);
        if (!found.isString())
            return std::nullopt;
        return found.toString();
    }

private:
    const QCborMap& m_map;
    qsizetype m_unread;
};

} // namespace

RelayEvent RelayEvent::make(Kind kind, const QDateTime& at) {
    RelayEvent event;
    event.id = freshId();
    event.kind = kind;
    event.at = at;
    return event;
}

std::optional<RelayEvent> RelayEvent::decode(const QByteArray& line, const QDateTime& now) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (!document.isObject())
        return std::nullopt;
    // The same data seen as a CBOR map: QJsonObject is built on it and no copy is made, and its
    // lookups cost less than QJsonObject::value, which matters on the event path. A JSON number
    // that is a signed 64-bit integer is exactly a CBOR integer here (the rule of
    // RelayJson::integer); 3.5 and 2^63 are doubles.
    const QCborMap object = QCborMap::fromJsonObject(document.object());

    Reader reader(object);

    const QCborValue kind = reader.value(Key("event"));
    if (!kind.isString())
        return std::nullopt;

    RelayEvent event;
    event.id = freshId();
    event.kind = kindFromName(kind.toString());
    const QCborValue at = reader.value(Key("at"));
    std::optional<QDateTime> parsedAt;
    if (at.isString())
        parsedAt = RelayJson::parseTimestamp(at.toString());
    event.at = parsedAt ? *parsedAt : now;
    const QCborValue jobs = reader.value(Key("jobs"));
    if (jobs.isInteger())
        event.jobs = jobs.toInteger();
    event.messageID = reader.text(Key("id"));
    event.error = reader.text(Key("error"));
    event.message = reader.text(Key("message"));
    event.updateUrl = reader.text(Key("updateUrl"));
    return event;
}

QString RelayEvent::kindName(Kind kind) {
    for (const auto& entry : kindNames) {
        if (entry.kind == kind)
            return entry.name;
    }
    return QStringLiteral("unknown");
}

RelayEvent::Kind RelayEvent::kindFromName(QStringView name) {
    for (const auto& entry : kindNames) {
        if (name == entry.name)
            return entry.kind;
    }
    return Kind::Unknown;
}
