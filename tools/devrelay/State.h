#pragma once

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace devrelay {

struct Pairing {
    QString server;
    QString deviceId;
    QString deviceName;
};

// Everything the relay remembers between commands, kept in one small JSON file.
struct StateData {
    std::optional<Pairing> pairing;
    std::optional<QDateTime> lastSyncAt;
    QDate day; // the local day the counters belong to
    qint64 sent = 0;
    qint64 failed = 0;
    qint64 received = 0;
    bool sendingEnabled = true;

    // Counters of an earlier day no longer count: they start from zero at local midnight.
    void rollOver(const QDate& today);

    QJsonObject toJson() const;
    static StateData fromJson(const QJsonObject& object);
};

// The state folder: WRENBOX_CONFIG_DIR, or wrenbox/ in the user's configuration folder.
class StateStore {
public:
    explicit StateStore(QString dir);
    static QString defaultDir();

    const QString& dir() const { return m_dir; }
    QString filePath() const;
    QString runLockPath() const;

    // Creates the folder and its outbox folders. False, with `error` set, when that fails.
    bool prepare(QString* error) const;

    // The stored state; defaults when there is none yet. Files are only ever replaced whole,
    // so reading needs no lock.
    StateData load() const;

    // Read-modify-write under the state lock, so that concurrent commands never lose an update.
    bool modify(const std::function<void(StateData&)>& change, QString* error) const;

    // True when a live `relay run` holds the run lock; a lock left by a dead process is stale.
    bool isRunning() const;

private:
    QString m_dir;
};

struct Text {
    QString id;
    QString to;
    QString body;
    QDateTime queuedAt;
    bool readable = true; // false for a file that is not a text we wrote
};

// Texts waiting to be sent, one file each. A sync claims a text by renaming it into the
// processing folder, so a text queued meanwhile is picked up by the next sync, never twice.
class Outbox {
public:
    explicit Outbox(const StateStore& store);

    // Writes a new text atomically; its id, or none with `error` set.
    std::optional<QString> add(const QString& to, const QString& body, QString* error) const;

    // Claims every queued text, oldest first.
    QList<Text> claimAll() const;

    // Forgets a claimed text once it has been reported.
    void finish(const QString& id) const;

    // Puts claimed texts that were never reported back into the outbox.
    void release(const QStringList& ids) const;
    void releaseAll() const;

private:
    QString m_queued;
    QString m_processing;
};

} // namespace devrelay
