#include "Core/Relay/RelayRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLatin1String>
#include <QMetaType>
#include <QStringView>
#include <QVariant>

#include <algorithm>

namespace {

using Key = QLatin1String;

// Missing means absent or JSON null.
bool isMissing(const QJsonValue& value) {
    return value.isUndefined() || value.isNull();
}

// The readers below leave `out` alone when the key is missing and return false when the key
// holds a value of the wrong type (which fails the whole record).

bool readBool(const QJsonObject& object, Key key, bool& out) {
    const QJsonValue value = object.value(key);
    if (isMissing(value))
        return true;
    if (!value.isBool())
        return false;
    out = value.toBool();
    return true;
}

bool readText(const QJsonObject& object, Key key, std::optional<QString>& out) {
    const QJsonValue value = object.value(key);
    if (isMissing(value))
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

// A required text: missing fails too.
bool readRequiredText(const QJsonObject& object, Key key, QString& out) {
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readInteger(const QJsonObject& object, Key key, qint64& out) {
    const QJsonValue value = object.value(key);
    if (isMissing(value))
        return true;
    const auto number = RelayJson::integer(value);
    if (!number)
        return false;
    out = *number;
    return true;
}

// A nested record: missing leaves `out` alone; present, it must decode.
template <typename T> bool readRecord(const QJsonObject& object, Key key, std::optional<T>& out) {
    const QJsonValue value = object.value(key);
    if (isMissing(value))
        return true;
    auto record = T::fromJson(value);
    if (!record)
        return false;
    out = std::move(*record);
    return true;
}

bool isJsonWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// ---- timestamps -----------------------------------------------------------------------------

constexpr qint64 msecsPerDay = 86'400'000;

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1970-01-01 to the given proleptic Gregorian date (H. Hinnant's days_from_civil).
qint64 daysFromCivil(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return qint64(era) * 146'097 + dayOfEra - 719'468;
}

// RFC 3339 internet date-time, strictly:
//   YYYY-MM-DDTHH:MM:SS[.d+](Z|±HH:MM)
// "T" and "Z" may be lower case (RFC 3339 §5.6). Fractions are kept to the millisecond
// (truncated). A leap second (:60) is refused: QDateTime cannot represent it.
// QDateTime::fromString(Qt::ISODateWithMs) is no substitute: it accepts what the relay never
// sends (a space for "T", no zone as local time, no seconds, a comma fraction, "+0200", "+05",
// hour 24), refuses the year 0000 and rounds ".9999" up into the next second.
// `count` decimal digits of `text` at `at`; -1 if any is not a digit.
int digitsAt(QStringView text, qsizetype at, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[at + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The fraction of a second that may follow the seconds at `at`, in milliseconds (digits past
// the third dropped), moving `at` past it; none when its dot has no digits.
std::optional<int> fractionAt(QStringView text, qsizetype& at) {
    if (at >= text.size() || text[at] != u'.')
        return 0;
    const qsizetype first = ++at;
    int msec = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        if (at - first < 3)
            msec = msec * 10 + (text[at].unicode() - u'0');
    }
    const qsizetype digits = at - first;
    if (digits == 0)
        return std::nullopt;
    for (qsizetype i = digits; i < 3; ++i)
        msec *= 10;
    return msec;
}

// The zone that ends the text at `at`, "Z" or "±hh:mm", in minutes east of UTC.
std::optional<int> zoneAt(QStringView text, qsizetype at) {
    const qsizetype left = text.size() - at;
    if (left == 1 && (text[at] == u'Z' || text[at] == u'z'))
        return 0;
    if (left != 6 || (text[at] != u'+' && text[at] != u'-') || text[at + 3] != u':')
        return std::nullopt;
    const int hours = digitsAt(text, at + 1, 2);
    const int minutes = digitsAt(text, at + 4, 2);
    if (hours < 0 || minutes < 0 || hours > 23 || minutes > 59)
        return std::nullopt;
    return (text[at] == u'-' ? -1 : 1) * (hours * 60 + minutes);
}

std::optional<QDateTime> parseInternetDateTime(QStringView text) {
    if (text.size() < 20) // the 19 characters up to the seconds, then at least "Z"
        return std::nullopt;
    const int year = digitsAt(text, 0, 4);
    const int month = digitsAt(text, 5, 2);
    const int day = digitsAt(text, 8, 2);
    const int hour = digitsAt(text, 11, 2);
    const int minute = digitsAt(text, 14, 2);
    const int second = digitsAt(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    if (text[4] != u'-' || text[7] != u'-' || (text[10] != u'T' && text[10] != u't') ||
        text[13] != u':' || text[16] != u':')
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;

    qsizetype at = 19;
    const std::optional<int> msec = fractionAt(text, at);
    const std::optional<int> offsetMinutes = msec ? zoneAt(text, at) : std::nullopt;
    if (!offsetMinutes)
        return std::nullopt;
    const qint64 msecs = daysFromCivil(year, month, day) * msecsPerDay +
                         ((qint64(hour) * 60 + minute - *offsetMinutes) * 60 + second) * 1000 +
                         *msec;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

// ---- doctor check status ------------------------------------------------------------------

struct StatusName {
    DoctorCheck::Status status;
    Key name;
};
constexpr StatusName statusNames[] = {
    {DoctorCheck::Status::Ok, Key("ok")},
    {DoctorCheck::Status::Warn, Key("warn")},
    {DoctorCheck::Status::Fail, Key("fail")},
    {DoctorCheck::Status::Info, Key("info")},
};

} // namespace

// ---- RelayJson ------------------------------------------------------------------------------

namespace RelayJson {

std::optional<QJsonValue> parse(const QByteArray& bytes) {
    QByteArray text = bytes;
    // A UTF-8 byte order mark is ignored (RFC 8259 §8.1 allows it). QJsonDocument skips one before
    // an object or array but not once we wrap a scalar, so drop it here for both.
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);

    qsizetype first = 0;
    while (first < text.size() && isJsonWhitespace(text.at(first)))
        ++first;
    if (first == text.size())
        return std::nullopt;

    QJsonParseError error;
    const char opening = text.at(first);
    if (opening == '{' || opening == '[') {
        // QJsonDocument reads an object or array at top level on its own (and refuses anything
        // after it but whitespace).
        const QJsonDocument document = QJsonDocument::fromJson(text, &error);
        if (error.error != QJsonParseError::NoError)
            return std::nullopt;
        if (document.isObject())
            return QJsonValue(document.object());
        if (document.isArray())
            return QJsonValue(document.array());
        return std::nullopt;
    }

    // A bare scalar: QJsonDocument refuses it at top level, so read it as the only element of
    // an array. "[" + bytes + "]" is a one-element array exactly when the bytes are one JSON
    // value between whitespace: "1,2" gives two elements, and "3],[4" leaves "[3]" followed by
    // garbage, which fails as a whole.
    QByteArray wrapped;
    wrapped.reserve(text.size() + 2);
    wrapped.append('[').append(text).append(']');
    const QJsonDocument document = QJsonDocument::fromJson(wrapped, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    if (array.size() != 1)
        return std::nullopt;
    return array.at(0);
}

std::optional<QDateTime> parseTimestamp(const QString& text) {
    return parseInternetDateTime(text);
}

std::optional<QDateTime> parseTimestamp(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return parseInternetDateTime(value.toString());
}

std::optional<qint64> integer(const QJsonValue& value) {
    // QJsonDocument stores every integral number that fits 64 bits as an integer, and 3.5 or
    // 2^63 as a double; the variant tells them apart (toInteger() alone cannot).
    if (!value.isDouble())
        return std::nullopt;
    const QVariant variant = value.toVariant();
    if (variant.typeId() != QMetaType::LongLong)
        return std::nullopt;
    return variant.toLongLong();
}

} // namespace RelayJson

// ---- records --------------------------------------------------------------------------------

std::optional<RelayDevice> RelayDevice::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    RelayDevice device;
    if (!readRequiredText(object, Key("id"), device.id) ||
        !readRequiredText(object, Key("name"), device.name))
        return std::nullopt;
    return device;
}

std::optional<RelayToday> RelayToday::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    RelayToday today;
    if (!readInteger(object, Key("sent"), today.sent) ||
        !readInteger(object, Key("failed"), today.failed) ||
        !readInteger(object, Key("received"), today.received))
        return std::nullopt;
    return today;
}

std::optional<RelayStatus> RelayStatus::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    RelayStatus status;
    // In the order of the table; the first failing key ends decoding.
    if (!readBool(object, Key("paired"), status.paired))
        return std::nullopt;
    if (!readText(object, Key("server"), status.server))
        return std::nullopt;
    if (!readRecord(object, Key("device"), status.device))
        return std::nullopt;
    // Anything unreadable here is dropped, never a failure.
    status.lastSyncAt = RelayJson::parseTimestamp(object.value(Key("lastSyncAt")));
    std::optional<RelayToday> today;
    if (!readRecord(object, Key("today"), today))
        return std::nullopt;
    if (today)
        status.today = *today;
    if (!readBool(object, Key("sendingEnabled"), status.sendingEnabled))
        return std::nullopt;
    if (!readBool(object, Key("updateRequired"), status.updateRequired))
        return std::nullopt;
    if (!readText(object, Key("updateUrl"), status.updateUrl))
        return std::nullopt;
    if (!readBool(object, Key("running"), status.running))
        return std::nullopt;
    return status;
}

QString DoctorCheck::statusName(Status status) {
    for (const auto& entry : statusNames) {
        if (entry.status == status)
            return entry.name;
    }
    return QStringLiteral("info");
}

std::optional<DoctorCheck::Status> DoctorCheck::statusFromName(const QString& name) {
    for (const auto& entry : statusNames) {
        if (name == entry.name)
            return entry.status;
    }
    return std::nullopt;
}

std::optional<DoctorCheck> DoctorCheck::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    DoctorCheck check;

    // 1. name, which fills no field of its own.
    std::optional<QString> name;
    if (!readText(object, Key("name"), name))
        return std::nullopt;

    // 2. id ← "id", else the lower-cased name, else "check".
    std::optional<QString> id;
    if (!readText(object, Key("id"), id))
        return std::nullopt;
    check.id = id ? *id : name ? name->toLower() : QStringLiteral("check");

    // 3. title ← "title", else the name, else the id.
    std::optional<QString> title;
    if (!readText(object, Key("title"), title))
        return std::nullopt;
    check.title = title ? *title : name ? *name : check.id;

    // 4. status: anything but one of the four texts is info (absorbed, never a failure).
    const QJsonValue status = object.value(Key("status"));
    check.status = Status::Info;
    if (status.isString())
        check.status = statusFromName(status.toString()).value_or(Status::Info);

    // 5. detail, empty when missing.
    std::optional<QString> detail;
    if (!readText(object, Key("detail"), detail))
        return std::nullopt;
    check.detail = detail.value_or(QString());

    // 6. fix, none when missing.
    if (!readText(object, Key("fix"), check.fix))
        return std::nullopt;
    return check;
}

std::optional<DoctorCheck> DoctorReport::check(const QString& id) const {
    for (const DoctorCheck& entry : checks) {
        if (entry.id == id)
            return entry;
    }
    return std::nullopt;
}

std::optional<DoctorReport> DoctorReport::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    DoctorReport report;

    const QJsonValue checks = object.value(Key("checks"));
    if (!isMissing(checks)) {
        if (!checks.isArray())
            return std::nullopt;
        const QJsonArray array = checks.toArray();
        report.checks.reserve(array.size());
        for (const auto& element : array) {
            auto check = DoctorCheck::fromJson(element); // a null element is not a check
            if (!check)
                return std::nullopt;
            report.checks.append(std::move(*check));
        }
    }

    report.problems =
        std::count_if(report.checks.cbegin(), report.checks.cend(),
                      [](const DoctorCheck& c) { return c.status == DoctorCheck::Status::Fail; });
    if (!readInteger(object, Key("problems"), report.problems))
        return std::nullopt;
    return report;
}

std::optional<RelayFailure> RelayFailure::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonValue body = value.toObject().value(Key("error"));
    if (!body.isObject()) // required
        return std::nullopt;
    const QJsonObject object = body.toObject();
    RelayFailure failure;
    if (!readText(object, Key("code"), failure.code))
        return std::nullopt;
    if (!readRequiredText(object, Key("message"), failure.message))
        return std::nullopt;
    return failure;
}

std::optional<RelayPaired> RelayPaired::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    auto device = RelayDevice::fromJson(value.toObject().value(Key("device"))); // required
    if (!device)
        return std::nullopt;
    return RelayPaired{std::move(*device)};
}
