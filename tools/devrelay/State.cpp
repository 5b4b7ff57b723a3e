#include "State.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <signal.h>

namespace devrelay {

namespace {

constexpr auto stateFileName = "state.json";
constexpr auto stateLockName = "state.lock";
constexpr auto runLockName = "run.lock";
constexpr auto queuedFolder = "outbox";
constexpr auto processingFolder = "outbox-processing";
constexpr auto textSuffix = ".json";

QString timestamp(const QDateTime& at) {
    return at.toUTC().toString(Qt::ISODateWithMs);
}

std::optional<QDateTime> parseTimestamp(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    const QDateTime at = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!at.isValid())
        return std::nullopt;
    return at;
}

bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

std::optional<QJsonObject> readObject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

bool isTextFile(const QString& name) {
    return name.endsWith(QLatin1String(textSuffix)) && !name.startsWith(u'.');
}

QString idOf(const QString& fileName) {
    return fileName.chopped(qsizetype(qstrlen(textSuffix)));
}

} // namespace

void StateData::rollOver(const QDate& today) {
    if (day == today)
        return;
    day = today;
    sent = failed = received = 0;
}

QJsonObject StateData::toJson() const {
    QJsonObject object;
    if (pairing) {
        object.insert(QStringLiteral("pairing"),
                      QJsonObject{{QStringLiteral("server"), pairing->server},
                                  {QStringLiteral("deviceId"), pairing->deviceId},
                                  {QStringLiteral("deviceName"), pairing->deviceName}});
    }
    if (lastSyncAt)
        object.insert(QStringLiteral("lastSyncAt"), timestamp(*lastSyncAt));
    object.insert(QStringLiteral("day"), day.toString(Qt::ISODate));
    object.insert(QStringLiteral("sent"), sent);
    object.insert(QStringLiteral("failed"), failed);
    object.insert(QStringLiteral("received"), received);
    object.insert(QStringLiteral("sendingEnabled"), sendingEnabled);
    return object;
}

StateData StateData::fromJson(const QJsonObject& object) {
    StateData data;
    const QJsonObject pairing = object.value(QStringLiteral("pairing")).toObject();
    const QString server = pairing.value(QStringLiteral("server")).toString();
    const QString deviceId = pairing.value(QStringLiteral("deviceId")).toString();
    if (!server.isEmpty() && !deviceId.isEmpty())
        data.pairing =
            Pairing{server, deviceId, pairing.value(QStringLiteral("deviceName")).toString()};
    data.lastSyncAt = parseTimestamp(object.value(QStringLiteral("lastSyncAt")));
    data.day = QDate::fromString(object.value(QStringLiteral("day")).toString(), Qt::ISODate);
    data.sent = object.value(QStringLiteral("sent")).toInteger();
    data.failed = object.value(QStringLiteral("failed")).toInteger();
    data.received = object.value(QStringLiteral("received")).toInteger();
    data.sendingEnabled = object.value(QStringLiteral("sendingEnabled")).toBool(true);
    return data;
}

StateStore::StateStore(QString dir)
    : m_dir(std::move(dir)) {}

QString StateStore::defaultDir() {
    QString configured = qEnvironmentVariable("WRENBOX_CONFIG_DIR");
    if (!configured.isEmpty())
        return configured;
    // $XDG_CONFIG_HOME, or ~/.config when it is unset.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/wrenbox");
}

QString StateStore::filePath() const {
    return m_dir + u'/' + QLatin1String(stateFileName);
}

QString StateStore::runLockPath() const {
    return m_dir + u'/' + QLatin1String(runLockName);
}

bool StateStore::prepare(QString* error) const {
    for (const QString& path : {m_dir, m_dir + u'/' + QLatin1String(queuedFolder),
                                m_dir + u'/' + QLatin1String(processingFolder)}) {
        if (!QDir().mkpath(path)) {
            if (error)
                *error = QStringLiteral("Could not create the folder %1.").arg(path);
            return false;
        }
    }
    return true;
}

StateData StateStore::load() const {
    const auto object = readObject(filePath());
    return object ? StateData::fromJson(*object) : StateData{};
}

bool StateStore::modify(const std::function<void(StateData&)>& change, QString* error) const {
    if (!prepare(error))
        return false;
    QLockFile lock(m_dir + u'/' + QLatin1String(stateLockName));
    // Held only for a moment: a lock is stale only when its holder is gone, never by age.
    lock.setStaleLockTime(0);
    // Polls briefly rather than with QLockFile's own back-off, which starts at 100 ms.
    QDeadlineTimer deadline(10'000);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) {
            if (error)
                *error = QStringLiteral("Could not lock the state in %1.").arg(m_dir);
            return false;
        }
        QThread::msleep(2);
    }
    StateData data = load();
    change(data);
    return writeAtomically(filePath(), QJsonDocument(data.toJson()).toJson(), error);
}

bool StateStore::isRunning() const {
    QLockFile lock(runLockPath());
    qint64 pid = 0;
    QString host;
    QString app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0)
        return false;
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return true; // another machine's process: we cannot tell, so trust the lock
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    // The same test QLockFile uses: a reused pid runs another program.
    QString program = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    if (program.isEmpty())
        return true;
    program = QFileInfo(program.remove(QLatin1String(" (deleted)"))).fileName();
    return program == QFileInfo(app).fileName();
}

Outbox::Outbox(const StateStore& store)
    : m_queued(store.dir() + u'/' + QLatin1String(queuedFolder))
    , m_processing(store.dir() + u'/' + QLatin1String(processingFolder)) {}

std::optional<QString> Outbox::add(const QString& to, const QString& body, QString* error) const {
    if (!QDir().mkpath(m_queued)) {
        if (error)
            *error = QStringLiteral("Could not create the folder %1.").arg(m_queued);
        return std::nullopt;
    }
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QJsonObject text{
        {QStringLiteral("id"), id},
        {QStringLiteral("to"), to},
        {QStringLiteral("text"), body},
        {QStringLiteral("queuedAt"), timestamp(QDateTime::currentDateTimeUtc())}};
    // QSaveFile writes beside the target under another name and renames it into place, so a
    // sync never sees half a text.
    if (!writeAtomically(m_queued + u'/' + id + QLatin1String(textSuffix),
                         QJsonDocument(text).toJson(QJsonDocument::Compact), error))
        return std::nullopt;
    return id;
}

QList<Text> Outbox::claimAll() const {
    QList<Text> claimed;
    const QStringList names = QDir(m_queued).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        if (!isTextFile(name))
            continue;
        const QString target = m_processing + u'/' + name;
        // rename(2) is atomic: when it fails, another sync claimed the text first. (QFile::rename
        // would fall back to copying, which is not.)
        if (::rename(QFile::encodeName(m_queued + u'/' + name).constData(),
                     QFile::encodeName(target).constData()) != 0)
            continue;
        Text text;
        text.id = idOf(name);
        const auto object = readObject(target);
        if (object && object->value(QStringLiteral("id")).toString() == text.id) {
            text.to = object->value(QStringLiteral("to")).toString();
            text.body = object->value(QStringLiteral("text")).toString();
            text.queuedAt =
                parseTimestamp(object->value(QStringLiteral("queuedAt"))).value_or(QDateTime());
        } else {
            text.readable = false;
        }
        claimed.append(text);
    }
    std::stable_sort(claimed.begin(), claimed.end(),
                     [](const Text& a, const Text& b) { return a.queuedAt < b.queuedAt; });
    return claimed;
}

void Outbox::finish(const QString& id) const {
    QFile::remove(m_processing + u'/' + id + QLatin1String(textSuffix));
}

void Outbox::release(const QStringList& ids) const {
    for (const QString& id : ids) {
        const QString name = id + QLatin1String(textSuffix);
        QFile::rename(m_processing + u'/' + name, m_queued + u'/' + name);
    }
}

void Outbox::releaseAll() const {
    QStringList ids;
    const QStringList names = QDir(m_processing).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (isTextFile(name))
            ids.append(idOf(name));
    }
    release(ids);
}

} // namespace devrelay
