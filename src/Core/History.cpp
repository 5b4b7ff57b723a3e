#include "Core/History.h"

#include "Core/Clock.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <array>

namespace {
Q_LOGGING_CATEGORY(lcHistory, "wrenbox.history", QtInfoMsg)

using Kind = HistoryEntry::Kind;

// The names kept in the database; never change one that shipped.
constexpr std::array<std::pair<Kind, const char*>, 10> kindNames{{
    {Kind::AppStarted, "app-started"},
    {Kind::AppStopped, "app-stopped"},
    {Kind::Phase, "phase"},
    {Kind::RelayStarted, "relay-started"},
    {Kind::RelayExited, "relay-exited"},
    {Kind::Paused, "paused"},
    {Kind::Resumed, "resumed"},
    {Kind::Woke, "woke"},
    {Kind::Paired, "paired"},
    {Kind::Unpaired, "unpaired"},
}};

QString nameOf(Kind kind) {
    for (const auto& [each, name] : kindNames) {
        if (each == kind)
            return QLatin1String(name);
    }
    return {};
}

std::optional<Kind> kindNamed(const QString& name) {
    for (const auto& [each, known] : kindNames) {
        if (name == QLatin1String(known))
            return each;
    }
    return std::nullopt; // a newer app's: left out
}

// SQLite's own result codes, as QSqlError reports them.
bool isCode(const QSqlError& error, std::initializer_list<int> codes) {
    const int code = error.nativeErrorCode().toInt() & 0xff; // the primary code
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}
constexpr int busy = 5, locked = 6, corrupt = 11, notADatabase = 26;

bool run(QSqlDatabase& db, const QString& statement, QSqlError* error = nullptr) {
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

QVariant pragma(QSqlDatabase& db, const QString& statement, QSqlError* error) {
    QSqlQuery query(db);
    if (query.exec(statement) && query.next())
        return query.value(0);
    *error = query.lastError();
    return {};
}
} // namespace

HistoryStore::HistoryStore(QString path, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_clock(clock) {}

HistoryStore::~HistoryStore() {
    // A run that ends before the file was opened is written too.
    open();
    flush();
    if (!m_connection.isEmpty()) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString HistoryStore::schemaStep(int version) {
    switch (version) {
    case 1:
        return QStringLiteral(
            "CREATE TABLE entries (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, kind TEXT NOT "
            "NULL, value TEXT NOT NULL DEFAULT '', number INTEGER NOT NULL DEFAULT 0, text TEXT "
            "NOT NULL DEFAULT '')");
    case 2:
        return QStringLiteral("ALTER TABLE entries ADD COLUMN span INTEGER NOT NULL DEFAULT 0;"
                              "CREATE INDEX entries_at ON entries (at)");
    default:
        return {};
    }
}

void HistoryStore::open() {
    if (std::exchange(m_opened, true))
        return;
    if (!m_path.isEmpty() && openDatabase()) {
        prune();
        schedulePrune();
        // What the views show comes from memory from now on: what was kept, then what comes.
        QList<HistoryEntry> recent =
            query(QStringLiteral("WHERE at >= ?"), {m_recentFrom.toMSecsSinceEpoch()},
                  QStringLiteral("at, id"), -1);
        recent += m_recent;
        m_recent = std::move(recent);
        Q_EMIT changed();
    }
    flush();
}

QDateTime HistoryStore::recentStart() const {
    const QDate today = m_clock.now().toLocalTime().date();
    return QDateTime(today.addDays(-recentDays), QTime(0, 0)).toUTC();
}

bool HistoryStore::openDatabase() {
    if (!QDir().mkpath(QFileInfo(m_path).path())) {
        fail(tr("History: the folder %1 can't be made, so the history is kept for this run only.")
                 .arg(QFileInfo(m_path).path()));
        return false;
    }
    m_connection = QStringLiteral("wrenbox-history-%1").arg(quintptr(this), 0, 16);
    for (int attempt = 0;; ++attempt) {
        QSqlError error;
        QString check;
        QString problem;
        if (attemptOpen(error, check, problem))
            return true;
        // Every handle on the connection is gone by now, so it can be dropped.
        if (!problem.isEmpty()) {
            fail(problem);
            return false;
        }
        if (isCode(error, {busy, locked})) {
            fail(tr("History: another copy of Wrenbox keeps it, so this one keeps its history "
                    "for this run only."));
            return false;
        }
        const bool damaged = isCode(error, {corrupt, notADatabase}) ||
                             (!check.isEmpty() && check != QLatin1String("ok"));
        if (damaged && attempt == 0) {
            setAside(check.isEmpty() || check == QLatin1String("ok") ? error.text() : check);
            continue;
        }
        fail(tr("History: %1 can't be used (%2), so the history is kept for this run only.")
                 .arg(m_path, error.text()));
        return false;
    }
}

bool HistoryStore::attemptOpen(QSqlError& error, QString& check, QString& problem) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    // Another copy holding the file is told at once, never waited for.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    // Held by this copy alone for as long as it runs: one writer. A new file gives the space of
    // pruned entries back at each commit (set before its first table, else it has no effect;
    // the incremental mode would need stepping that Qt SQL does not do).
    // Reads come from memory once the week is loaded and writes only append, so a small page
    // cache is enough; the default one would fill with the whole file at the check.
    if (db.open() && run(db, QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"), &error) &&
        run(db, QStringLiteral("PRAGMA cache_size = -256"), &error) &&
        run(db, QStringLiteral("PRAGMA auto_vacuum = FULL"), &error) &&
        pragma(db, QStringLiteral("PRAGMA journal_mode = WAL"), &error).toString() ==
            QLatin1String("wal"))
        check = pragma(db, QStringLiteral("PRAGMA quick_check"), &error).toString();
    if (check == QLatin1String("ok") &&
        run(db, QStringLiteral("PRAGMA synchronous = NORMAL"), &error)) {
        problem = migrate(db);
        if (problem.isEmpty())
            return true;
    }
    if (!error.isValid())
        error = db.lastError();
    db.close();
    return false;
}

QString HistoryStore::migrate(QSqlDatabase& db) {
    QSqlError error;
    const int version = pragma(db, QStringLiteral("PRAGMA user_version"), &error).toInt();
    if (version > schemaVersion)
        return tr("History: a newer Wrenbox wrote it; this one leaves it as it is and keeps its "
                  "history for this run only.");
    if (version == schemaVersion)
        return {};
    db.transaction();
    for (int step = version + 1; step <= schemaVersion; ++step) {
        const QStringList statements = schemaStep(step).split(u';');
        for (const QString& statement : statements) {
            if (!run(db, statement, &error)) {
                db.rollback();
                return tr("History: its layout can't be brought up to date (%1), so the history "
                          "is kept for this run only.")
                    .arg(error.text());
            }
        }
    }
    run(db, QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion));
    if (db.commit())
        return {};
    return tr("History: its layout can't be brought up to date (%1), so the history is kept for "
              "this run only.")
        .arg(db.lastError().text());
}

void HistoryStore::setAside(const QString& why) {
    QSqlDatabase::removeDatabase(m_connection);
    const QString aside = m_path + QStringLiteral(".damaged-") +
                          m_clock.now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::rename(m_path, aside);
    // Its journal belongs to it, not to the new file.
    for (const char* part : {"-wal", "-shm"})
        QFile::rename(m_path + QLatin1String(part), aside + QLatin1String(part));
    m_problem = tr("History: the database was damaged (%1); it was set aside as %2 and a new one "
                   "started.")
                    .arg(why, QFileInfo(aside).fileName());
    qCWarning(lcHistory).noquote() << m_problem;
}

void HistoryStore::fail(const QString& problem) {
    if (!m_connection.isEmpty()) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(std::exchange(m_connection, {}));
    }
    m_recentFrom = {};
    m_problem = problem;
    qCWarning(lcHistory).noquote() << problem;
}

void HistoryStore::record(HistoryEntry entry) {
    m_pending.append(entry);
    m_recent.append(std::move(entry));
    // Without a database, memory is all there is, and it is bounded.
    if (m_connection.isEmpty() && m_recent.size() > memoryEntries)
        m_recent.remove(0, m_recent.size() - memoryEntries);
    Q_EMIT changed();
    if (m_opened && !m_batch) {
        ClockTimer* batch = m_clock.startTimer(batchDelay, this);
        m_batch = batch;
        connect(batch, &ClockTimer::finished, this, [this, batch](bool elapsed) {
            batch->deleteLater();
            if (elapsed)
                flush();
        });
    }
}

void HistoryStore::flush() {
    if (m_batch)
        m_batch->cancel();
    if (!m_opened || m_pending.isEmpty())
        return;
    const QList<HistoryEntry> batch = std::exchange(m_pending, {});
    if (m_connection.isEmpty())
        return; // kept in memory only
    const QString error = write(batch);
    if (!error.isEmpty())
        fail(tr("History: it can't be written (%1), so the history is kept for this run only.")
                 .arg(error));
}

QString HistoryStore::write(const QList<HistoryEntry>& batch) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery insert(db);
    // A null string would be bound as NULL.
    bool written =
        db.transaction() &&
        insert.prepare(QStringLiteral("INSERT INTO entries (at, kind, value, number, span, text) "
                                      "VALUES (?, ?, coalesce(?, ''), ?, ?, coalesce(?, ''))"));
    for (qsizetype i = 0; written && i < batch.size(); ++i) {
        const HistoryEntry& e = batch[i];
        for (const QVariant& value :
             {QVariant(e.at.toMSecsSinceEpoch()), QVariant(nameOf(e.kind)), QVariant(e.value),
              QVariant(e.number), QVariant(e.span), QVariant(e.text)})
            insert.addBindValue(value);
        written = insert.exec();
    }
    const QSqlError error = written ? QSqlError() : insert.lastError();
    if (written && db.commit())
        return {};
    db.rollback();
    return error.isValid() ? error.text() : db.lastError().text();
}

void HistoryStore::prune() {
    const QDateTime oldest = m_clock.now().addSecs(-std::chrono::seconds(keptFor).count());
    if (m_connection.isEmpty()) {
        m_recent.removeIf([&](const HistoryEntry& e) { return e.at < oldest; });
        return;
    }
    m_recentFrom = recentStart();
    m_recent.removeIf([&](const HistoryEntry& e) { return e.at < m_recentFrom; });
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM entries WHERE at < ?"));
    query.addBindValue(oldest.toMSecsSinceEpoch());
    query.exec();
    // Then the oldest tenth at a time, until what the entries take is within the cap.
    QSqlError error;
    for (int round = 0; round < 20; ++round) {
        const qint64 pages =
            pragma(db, QStringLiteral("PRAGMA page_count"), &error).toLongLong() -
            pragma(db, QStringLiteral("PRAGMA freelist_count"), &error).toLongLong();
        if (pages * pragma(db, QStringLiteral("PRAGMA page_size"), &error).toLongLong() <= maxBytes)
            break;
        run(db, QStringLiteral("DELETE FROM entries WHERE id IN (SELECT id FROM entries ORDER BY "
                               "at, id LIMIT (SELECT max(count(*) / 10, 1) FROM entries))"));
    }
}

void HistoryStore::schedulePrune() {
    ClockTimer* timer = m_clock.startTimer(pruneEvery, this);
    m_pruneTimer = timer;
    connect(timer, &ClockTimer::finished, this, [this, timer](bool elapsed) {
        timer->deleteLater();
        if (!elapsed)
            return;
        prune();
        schedulePrune();
    });
}

QList<HistoryEntry> HistoryStore::query(const QString& where, const QVariantList& values,
                                        const QString& order, int limit) const {
    QList<HistoryEntry> found;
    if (m_connection.isEmpty())
        return found;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT at, kind, value, number, span, text FROM entries %1 "
                                 "ORDER BY %2 LIMIT %3")
                      .arg(where, order)
                      .arg(limit));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return found;
    while (query.next()) {
        if (const auto kind = kindNamed(query.value(1).toString())) {
            found.append({QDateTime::fromMSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC),
                          *kind, query.value(2).toString(), query.value(3).toLongLong(),
                          query.value(4).toLongLong(), query.value(5).toString()});
        }
    }
    return found;
}

QList<HistoryEntry>::const_iterator HistoryStore::recentAt(const QDateTime& at) const {
    return std::lower_bound(m_recent.cbegin(), m_recent.cend(), at,
                            [](const HistoryEntry& e, const QDateTime& t) { return e.at < t; });
}

QList<HistoryEntry> HistoryStore::since(const QDateTime& since) const {
    QList<HistoryEntry> found;
    if (!m_connection.isEmpty() && m_recentFrom.isValid() && since < m_recentFrom)
        found = query(QStringLiteral("WHERE at >= ? AND at < ?"),
                      {since.toMSecsSinceEpoch(), m_recentFrom.toMSecsSinceEpoch()},
                      QStringLiteral("at, id"), -1);
    found.append(QList<HistoryEntry>(recentAt(since), m_recent.cend()));
    return found;
}

QList<HistoryEntry> HistoryStore::lastBefore(const QDateTime& at) const {
    // Walking back from `at`: the last phase, until the start or end of the app.
    std::optional<HistoryEntry> phase;
    for (auto e = recentAt(at); e != m_recent.cbegin();) {
        --e;
        if (e->kind == Kind::AppStarted)
            return phase ? QList<HistoryEntry>{*e, *phase} : QList<HistoryEntry>{*e};
        if (e->kind == Kind::AppStopped)
            return {*e};
        if (e->kind == Kind::Phase && !phase)
            phase = *e;
    }
    // Older than memory: asked once a day (for the week's first day), and the walk back through
    // the index may be long, so the answer is kept.
    const qint64 before =
        (m_recent.isEmpty() ? at : std::min(at, m_recent.first().at)).toMSecsSinceEpoch();
    if (m_olderState.first != before || m_connection.isEmpty()) {
        QList<HistoryEntry> found =
            query(QStringLiteral("WHERE kind IN ('app-started', 'app-stopped') AND at < ?"),
                  {before}, QStringLiteral("at DESC, id DESC"), 1);
        if (!found.isEmpty() && found.first().kind == Kind::AppStarted)
            found += query(QStringLiteral("WHERE kind = 'phase' AND at < ? AND at >= ?"),
                           {before, found.first().at.toMSecsSinceEpoch()},
                           QStringLiteral("at DESC, id DESC"), 1);
        m_olderState = {before, found};
    }
    QList<HistoryEntry> found = m_olderState.second;
    if (phase && !found.isEmpty() && found.first().kind == Kind::AppStarted)
        found = {found.first(), *phase};
    return found;
}

QList<HistoryEntry> HistoryStore::latest(int count) const {
    QList<HistoryEntry> found;
    for (auto e = m_recent.crbegin(); e != m_recent.crend() && found.size() < count; ++e)
        found.append(*e);
    if (found.size() < count && !m_connection.isEmpty() && m_recentFrom.isValid())
        found += query(QStringLiteral("WHERE at < ?"), {m_recentFrom.toMSecsSinceEpoch()},
                       QStringLiteral("at DESC, id DESC"), count - int(found.size()));
    return found;
}
