#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

// One event of the long-running relay: one JSON object per line.
struct RelayEvent {
    enum class Kind {
        Started,
        Synced,
        Sent,
        Failed,
        Received,
        Paused,
        Resumed,
        UpdateRequired,
        Unpaired,
        Error,
        Unknown
    };

    QUuid id; // fresh for every decoded or made event; events compare by id alone
    Kind kind = Kind::Unknown;
    QDateTime at;
    std::optional<qint64> jobs;
    std::optional<QString> messageID;
    std::optional<QString> error;
    std::optional<QString> message;
    std::optional<QString> updateUrl;

    // A new event made by the app itself: fresh id, the given time, no optional fields.
    static RelayEvent make(Kind kind, const QDateTime& at);

    // Decodes one line (without its line feed). None when the line is not a JSON object or has
    // no text "event". A missing or unreadable "at" becomes `now`; other fields of the wrong
    // type are treated as missing.
    static std::optional<RelayEvent> decode(const QByteArray& line, const QDateTime& now);

    // "started", "synced", …, "update_required", …
    static QString kindName(Kind kind);
    static Kind kindFromName(QStringView name);

    bool operator==(const RelayEvent& other) const { return id == other.id; }
};
