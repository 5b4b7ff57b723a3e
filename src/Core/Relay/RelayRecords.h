#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// The relay's JSON answers. Decoding is strict and ours, not the JSON library's:
//  - missing means absent or null, and the field's default applies;
//  - a present value of the wrong type fails the whole record unless noted;
//  - integers are signed 64-bit: a fractional or out-of-range number is a wrong type.
// Each record has `static std::optional<T> fromJson(const QJsonValue&)` (none when it fails).

struct RelayDevice {
    QString id;
    QString name;

    static std::optional<RelayDevice> fromJson(const QJsonValue& value);
    bool operator==(const RelayDevice&) const = default;
};

struct RelayToday {
    qint64 sent = 0;
    qint64 failed = 0;
    qint64 received = 0;

    static std::optional<RelayToday> fromJson(const QJsonValue& value);
    bool operator==(const RelayToday&) const = default;
};

struct RelayStatus {
    bool paired = false;
    std::optional<QString> server;
    std::optional<RelayDevice> device;
    std::optional<QDateTime> lastSyncAt; // an unreadable value is dropped, not a failure
    RelayToday today;
    bool sendingEnabled = true;
    bool updateRequired = false;
    std::optional<QString> updateUrl;
    bool running = false;

    static std::optional<RelayStatus> fromJson(const QJsonValue& value);
    bool operator==(const RelayStatus&) const = default;
};

struct DoctorCheck {
    enum class Status { Ok, Warn, Fail, Info };

    QString id;
    Status status = Status::Info;
    QString title;
    QString detail;
    std::optional<QString> fix;

    // "ok", "warn", "fail", "info"
    static QString statusName(Status status);
    static std::optional<Status> statusFromName(const QString& name);

    static std::optional<DoctorCheck> fromJson(const QJsonValue& value);
    bool operator==(const DoctorCheck&) const = default;
};

struct DoctorReport {
    QList<DoctorCheck> checks;
    qint64 problems = 0;

    // The first check whose id equals `id` exactly.
    std::optional<DoctorCheck> check(const QString& id) const;

    static std::optional<DoctorReport> fromJson(const QJsonValue& value);
    bool operator==(const DoctorReport&) const = default;
};

// What a failing command prints: {"error": {"code": …, "message": …}}.
struct RelayFailure {
    std::optional<QString> code;
    QString message;

    static std::optional<RelayFailure> fromJson(const QJsonValue& value);
    bool operator==(const RelayFailure&) const = default;
};

// The answer to `relay pair`: {"device": {…}}.
struct RelayPaired {
    RelayDevice device;
    static std::optional<RelayPaired> fromJson(const QJsonValue& value);
};

// The answer to `relay unpair`: any well-formed JSON document.
struct RelayOK {
    static std::optional<RelayOK> fromJson(const QJsonValue&) { return RelayOK{}; }
};

namespace RelayJson {
// Parses a whole document, including a bare scalar at top level ("3", "\"x\"", "null"), which
// the relay may print and which QJsonDocument alone refuses. None when the bytes are not JSON
// (or not exactly one document). Whitespace around the document and one leading UTF-8 byte order
// mark are allowed; invalid UTF-8 is not.
std::optional<QJsonValue> parse(const QByteArray& bytes);

// Parses `bytes` and decodes them as T; none when either step fails.
template <typename T> std::optional<T> decode(const QByteArray& bytes) {
    const auto value = parse(bytes);
    if (!value)
        return std::nullopt;
    return T::fromJson(*value);
}

// The relay timestamp rule: an internet date-time (RFC 3339), with or without fractional
// seconds, with a required zone designator (Z or ±hh:mm). None for anything else.
// Strictly YYYY-MM-DDTHH:MM:SS[.d+](Z|±HH:MM) with fields in range ("T" and "Z" may be lower
// case, as RFC 3339 allows); the fraction is kept to the millisecond (truncated); a leap second
// (:60) is refused. The result is in UTC.
std::optional<QDateTime> parseTimestamp(const QString& text);
std::optional<QDateTime> parseTimestamp(const QJsonValue& value); // none unless a string

// A JSON number that is a signed 64-bit integer (3, 3.0, 1e3, -1); none for anything else,
// including 3.5, 2^63 and every non-number.
std::optional<qint64> integer(const QJsonValue& value);
} // namespace RelayJson
