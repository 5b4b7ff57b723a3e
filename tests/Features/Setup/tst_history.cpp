// The history in a real SQLite file in a temporary folder: what a day of the relay leaves
// behind, how it is pruned, what a database out of reach does to the app, and how Setup tells
// the days.

#include "Core/History.h"
#include "Core/HistoryRecorder.h"
#include "Core/PairingRequest.h"
#include "Features/Setup/HistoryView.h"
#include "Features/Setup/SetupView.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;
using Kind = HistoryEntry::Kind;

namespace {
QDateTime at(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

// "10:00:00-11:00:00 online" for each segment; the app not running has no phase.
QStringList segments(const HistoryDay& day) {
    QStringList out;
    for (const HistorySegment& s : day.segments) {
        const QDateTime from = s.from.toLocalTime(), to = s.to.toLocalTime();
        const bool midnight = to.time() == QTime(0, 0) && to > from;
        out << from.toString(u"HH:mm:ss") + u'-' +
                   (midnight ? u"24:00:00"_qs : to.toString(u"HH:mm:ss")) + u' ' + s.phase;
    }
    return out;
}

// Runs one statement on the file outside the store; the value of its first row.
QVariant sql(const QString& file, const QString& statement) {
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"outside"_qs);
        db.setDatabaseName(file);
        QSqlQuery query(db);
        if (db.open() && query.exec(statement) && query.next())
            value = query.value(0);
    }
    QSqlDatabase::removeDatabase(u"outside"_qs);
    return value;
}

struct HistoryRig : RelayRig {
    HistoryRig()
        : RelayRig("status-paired") {}
    QString file = home.filePath(u"data/wrenbox/history.sqlite"_qs);
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<HistoryRecorder> recorder;
    // The app starting: its history opened (unless it quits first), then recorded from the model.
    HistoryStore& launch(bool open = true) {
        store = std::make_unique<HistoryStore>(file, fake.clock);
        if (open)
            store->open();
        recorder = std::make_unique<HistoryRecorder>(model ? *model : make(), *store, fake.clock);
        return *store;
    }
    void quit() {
        recorder.reset();
        store.reset();
    }
    ~HistoryRig() { quit(); }
};
} // namespace

class TestHistory : public QObject {
    Q_OBJECT
    ScopedEnv m_zone{"TZ", "UTC"};

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void aDayOfTheRelayReadsBackAfterARestart() {
        HistoryRig rig;    // the clock starts at 10:00
        rig.launch(false); // the file is first opened at quit: nothing before is lost
        QVERIFY(rig.start());
        QTRY_VERIFY(rig.model->relayRunning());
        rig.fake.clock.setNow(at("2024-05-01T11:00:00Z"));
        rig.print({R"({"event":"synced","jobs":1})"});
        rig.fake.clock.setNow(at("2024-05-01T11:10:00Z"));
        rig.print({R"({"event":"sent"})"});
        rig.fake.clock.setNow(at("2024-05-01T12:00:00Z"));
        rig.model->setPaused(true);
        QVERIFY(rig.settle());
        rig.fake.clock.setNow(at("2024-05-01T12:30:00Z"));
        rig.model->setPaused(false);
        QTRY_VERIFY(rig.model->relayRunning());
        rig.fake.clock.setNow(at("2024-05-01T13:00:00Z"));
        QVERIFY(rig.settle());
        QTRY_COMPARE(rig.relay.livePids().size(), 1);
        QTest::ignoreMessage(QtInfoMsg, "relay exited (signal 9) after 1800 s");
        for (const qint64 pid : rig.relay.livePids())
            ::kill(pid_t(pid), SIGKILL);
        QTRY_VERIFY(!rig.model->relayRunning());
        rig.advance(1s); // the first restart waits a second
        QTRY_VERIFY(rig.model->relayRunning());
        const QDateTime restarted = rig.fake.clock.now();
        rig.fake.clock.setNow(at("2024-05-01T14:00:00Z"));
        rig.quit();
        // Two hours later the app starts again and finds the morning kept.
        rig.fake.clock.setNow(at("2024-05-01T16:00:00Z"));
        HistoryStore& store = rig.launch();
        rig.fake.clock.setNow(at("2024-05-01T17:00:00Z"));
        const QList<HistoryDay> days =
            historyDays(store.since(at("2024-04-25T00:00:00Z")), rig.fake.clock.now());
        QCOMPARE(days.size(), 7);
        QCOMPARE(days.last().date, QDate(2024, 5, 1));
        const QString back = restarted.toString(u"HH:mm:ss");
        QCOMPARE(segments(days.last()),
                 QStringList({u"00:00:00-10:00:00 "_qs, u"10:00:00-11:00:00 online"_qs,
                              u"11:00:00-11:10:00 sending"_qs, u"11:10:00-12:00:00 online"_qs,
                              u"12:00:00-12:30:00 paused"_qs, u"12:30:00-13:00:00 online"_qs,
                              u"13:00:00-"_qs + back + u" attention:relayStopped"_qs,
                              back + u"-14:00:00 online"_qs, u"14:00:00-16:00:00 "_qs,
                              u"16:00:00-17:00:00 online"_qs}));
        QCOMPARE(days.last().restarts, 1);
        QCOMPARE(days.last().onlineMs,
                 (4 * 3600 + 30 * 60) * 1000LL - at("2024-05-01T13:00:00Z").msecsTo(restarted));
        QVERIFY(segments(days.first()) == QStringList(u"00:00:00-24:00:00 "_qs));
        QStringList told;
        for (const HistoryEntry& entry : store.latest(50))
            told.prepend(HistoryText::entry(entry));
        QCOMPARE(told, QStringList({u"Wrenbox started"_qs, u"Starting"_qs, u"Online"_qs,
                                    u"The relay started"_qs, u"Sending"_qs, u"Online"_qs,
                                    u"You paused sending"_qs, u"Paused by you"_qs,
                                    u"You resumed sending"_qs, u"The relay started"_qs,
                                    u"Online"_qs, u"The relay was ended (signal 9) after 30 min"_qs,
                                    u"The relay stopped (exit 9). Wrenbox restarts it."_qs,
                                    u"Online"_qs, u"The relay started"_qs, u"Wrenbox quit"_qs,
                                    u"Wrenbox started"_qs, u"Online"_qs}));
    }

    // Thirty days and 10 MB at start, and every day after.
    void pruning() {
        // In memory where there is a file system for it: 12 MB synced to a disk would stall
        // the tests running beside this one.
        QTemporaryDir dir(QFileInfo(u"/dev/shm"_qs).isWritable()
                              ? u"/dev/shm/wrenbox-history-XXXXXX"_qs
                              : QDir::tempPath() + u"/wrenbox-history-XXXXXX"_qs);
        const QString file = dir.filePath(u"history.sqlite"_qs);
        ManualClock clock;
        const QDateTime now = clock.now();
        {
            HistoryStore store(file, clock);
            store.open();
            store.record({now.addDays(-31), Kind::Woke, {}, 0, 0, {}});
            // 12 MB, 20 days ago, a second apart.
            for (int i = 0; i < 12'000; ++i)
                store.record({now.addDays(-20).addSecs(i), Kind::Phase, u"online"_qs, 0, 0,
                              QString(1000, QChar(u'a' + i % 26))});
            store.record({now, Kind::Woke, u"last"_qs, 0, 0, {}});
            store.flush();
        }
        QVERIFY(QFileInfo(file).size() > 12'000'000);
        auto reopened = std::make_unique<HistoryStore>(file, clock);
        HistoryStore& store = *reopened;
        store.open();
        QCOMPARE(store.problem(), QString());
        const QList<HistoryEntry> kept = store.since(now.addDays(-60));
        QVERIFY(kept.size() < 12'000);
        QCOMPARE(kept.first().at, now.addDays(-20).addSecs(12'000 - kept.size() + 1));
        QCOMPARE(kept.last().value, u"last"_qs);
        // A day later, what has turned 30 days old goes too.
        store.record({now.addDays(-30).addSecs(3600), Kind::Woke, u"month"_qs, 0, 0, {}});
        store.flush();
        clock.advance(23h);
        QCOMPARE(store.since(now.addDays(-31)).first().value, u"month"_qs);
        clock.advance(1h);
        QCOMPARE(store.since(now.addDays(-31)).first().value, u"online"_qs);
        reopened.reset();
        // Within the cap, and not emptied far below it.
        QVERIFY(QFileInfo(file).size() <= 10LL * 1024 * 1024);
        QVERIFY(QFileInfo(file).size() > 8LL * 1024 * 1024);
    }

    void aDatabaseOutOfReach_data() {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("said");
        QTest::newRow("damaged") << u"damaged"_qs
                                 << u"History: the database was damaged \\(.*\\); it was set aside "
                                    "as history.sqlite.damaged-20240501-100000 and a new one "
                                    "started."_qs;
        QTest::newRow("newer") << u"newer"_qs
                               << u"History: a newer Wrenbox wrote it; this one leaves it as it "
                                  "is and keeps its history for this run only."_qs;
        QTest::newRow("read-only folder")
            << u"read-only"_qs
            << u"History: .* can't be used \\(.*\\), so the history is kept "
               "for this run only."_qs;
        QTest::newRow("second copy") << u"second copy"_qs
                                     << u"History: another copy of Wrenbox keeps it, so this one "
                                        "keeps its history for this run only."_qs;
    }

    // The app supervises as ever and says why once, in its diagnostics too.
    void aDatabaseOutOfReach() {
        QFETCH(QString, trouble);
        QFETCH(QString, said);
        HistoryRig rig;
        QDir().mkpath(QFileInfo(rig.file).path());
        const QByteArray garbage(8192, '\x5a');
        std::unique_ptr<HistoryStore> holder;
        if (trouble == u"damaged") {
            QFile out(rig.file);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(garbage) == garbage.size());
        } else if (trouble == u"newer") {
            sql(rig.file, u"PRAGMA user_version = 99"_qs);
        } else if (trouble == u"read-only") {
            // Root writes anywhere on a disk; /proc refuses even root a new file.
            if (::geteuid() == 0)
                rig.file = u"/proc/history.sqlite"_qs;
            else
                QFile::setPermissions(QFileInfo(rig.file).path(),
                                      QFile::ReadOwner | QFile::ExeOwner);
        } else {
            holder = std::make_unique<HistoryStore>(rig.file, rig.fake.clock);
            holder->open();
            QVERIFY(holder->problem().isEmpty());
        }
        const QRegularExpression line(u'^' + said + u'$');
        QTest::ignoreMessage(QtWarningMsg, line);
        QTest::failOnWarning(QRegularExpression(u"History"_qs));
        HistoryStore& store = rig.launch();
        QVERIFY(rig.start());
        QTRY_VERIFY(rig.model->relayRunning());
        QCOMPARE(HistoryRecorder::phaseName(rig.model->phase()), u"online"_qs);
        QVERIFY(line.match(store.problem()).hasMatch());
        store.record({rig.fake.clock.now(), Kind::Woke, {}, 0, 0, {}});
        store.flush();
        PairingRequest pairing;
        const SetupView view(*rig.model, rig.fake.platform(), pairing, &store);
        const QString report = view.diagnostics();
        QCOMPARE(report.count(store.problem()), 1);
        QVERIFY(report.contains(u"T10:00:00Z  Wrenbox started\n"_qs));
        QVERIFY(report.endsWith(u"T10:00:00Z  The computer woke from sleep"_qs));
        if (trouble == u"damaged") {
            // Set aside as it was, and the new file keeps this run.
            QFile aside(rig.file + u".damaged-20240501-100000"_qs);
            QVERIFY(aside.open(QIODevice::ReadOnly) && aside.readAll() == garbage);
            rig.quit();
            HistoryStore again(rig.file, rig.fake.clock);
            again.open();
            // Started, starting, online, the relay started, woke, quit.
            QCOMPARE(again.since(QDateTime::fromSecsSinceEpoch(0)).size(), 6);
        }
    }

    // The first layout, as its app wrote it, comes into this one with its entries.
    void anOlderLayoutMigrates() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"history.sqlite"_qs);
        sql(file, u"CREATE TABLE entries (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, kind TEXT "
                  "NOT NULL, value TEXT NOT NULL DEFAULT '', number INTEGER NOT NULL DEFAULT 0, "
                  "text TEXT NOT NULL DEFAULT '')"_qs);
        sql(file, u"INSERT INTO entries (at, kind, value, number) VALUES (1714557600000, "
                  "'relay-exited', '', 3)"_qs);
        sql(file, u"PRAGMA user_version = 1"_qs);
        ManualClock clock;
        {
            HistoryStore store(file, clock);
            store.open();
            QCOMPARE(store.problem(), QString());
            QCOMPARE(store.since(QDateTime::fromSecsSinceEpoch(0)),
                     QList<HistoryEntry>(
                         {{at("2024-05-01T10:00:00Z"), Kind::RelayExited, {}, 3, 0, {}}}));
            store.record({clock.now(), Kind::RelayExited, {}, 1, 5000, {}});
        }
        QCOMPARE(sql(file, u"PRAGMA user_version"_qs).toInt(), 2);
        QCOMPARE(sql(file, u"SELECT sum(span) FROM entries"_qs).toInt(), 5000);
    }

    // Today's strip in Setup, segment by segment as the keyboard and a screen reader meet it;
    // the app's run before midnight is read from the file.
    void theStripTellsEachSegment_data() { addRows("Features/Setup/history.txt"); }

    void theStripTellsEachSegment() {
        QFETCH(QByteArrayList, row);
        QTemporaryDir dir;
        ManualClock clock;
        clock.setNow(at("2024-05-01T22:00:00Z"));
        HistoryStore store(dir.filePath(u"history.sqlite"_qs), clock);
        store.open();
        static const QList<std::pair<QString, Kind>> kinds{{u"started"_qs, Kind::AppStarted},
                                                           {u"quit"_qs, Kind::AppStopped},
                                                           {u"phase"_qs, Kind::Phase},
                                                           {u"exited"_qs, Kind::RelayExited},
                                                           {u"woke"_qs, Kind::Woke}};
        for (const QString& entry : QString::fromUtf8(row[1]).split(u"; "_qs, Qt::SkipEmptyParts)) {
            // "[-1 ]HH:mm kind[=value][ text]"
            const QStringList words = entry.split(u' ');
            const bool yesterday = words[0] == u"-1";
            const QStringList kind = words[yesterday ? 2 : 1].split(u'=');
            const auto known = std::find_if(kinds.begin(), kinds.end(),
                                            [&](const auto& k) { return k.first == kind[0]; });
            QVERIFY2(known != kinds.end(), qPrintable(entry));
            const QDateTime when(QDate(2024, 5, 1).addDays(yesterday ? -1 : 0),
                                 QTime::fromString(words[yesterday ? 1 : 0], u"HH:mm"_qs));
            store.record({when, known->second, kind.value(1), 0, 0,
                          words.mid(yesterday ? 3 : 2).join(u' ')});
        }
        store.flush();
        HistoryView view(store, clock);
        view.show();
        auto* today = view.findChildren<DayStrip*>().first();
        QCOMPARE(today->accessibleName(), u"Today"_qs);
        today->setFocus();
        QStringList told;
        for (int i = 0; i < 12; ++i) {
            const QString description = today->accessibleDescription();
            if (!told.isEmpty() && description.startsWith(told.last() + u". "_qs))
                break;
            told << description.section(u". "_qs, 0, -2);
            QCOMPARE(description.section(u". "_qs, -1), QString::fromUtf8(row[3]));
            QTest::keyClick(today, Qt::Key_Right);
        }
        QCOMPARE(told.join(u" / "_qs), QString::fromUtf8(row[2]));
        // Left goes back; Up and Down go from day to day, the week being one stop for Tab.
        QTest::keyClick(today, Qt::Key_Left);
        QVERIFY(today->accessibleDescription().startsWith(
            told.value(std::max(told.size() - 2, qsizetype(0))) + u". "_qs));
        QTest::keyClick(today, Qt::Key_Up);
        QCOMPARE(view.focusWidget(), today);
        QTest::keyClick(today, Qt::Key_Down);
        QCOMPARE(view.focusWidget()->accessibleName(), u"Yesterday"_qs);
        QTest::keyClick(view.focusWidget(), Qt::Key_Up);
        QCOMPARE(view.focusWidget(), today);
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
