// The history at its size cap: what one write costs the main thread (a batch of a few entries,
// as the recorder makes them, written in one transaction), and what reading and drawing the
// seven-day strips costs when Setup opens or an entry comes in while it is open. Targets: p99
// write < 1 ms, strips < 16 ms.

#include "Core/History.h"
#include "Features/Setup/HistoryView.h"
#include "ManualClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
using Kind = HistoryEntry::Kind;

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) { return ms[size_t(q * double(ms.size() - 1))]; };
    std::printf("%s: %zu, median %.3f ms, p99 %.3f ms, worst %.3f ms\n", what, ms.size(), at(0.5),
                at(0.99), ms.back());
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    ManualClock clock;
    clock.setNow(QDateTime::currentDateTimeUtc());

    // Thirty days of a restless relay, a phase change a minute with its reason, past the cap.
    {
        HistoryStore fill(file, clock);
        fill.open();
        const QDateTime start = clock.now().addDays(-29);
        for (int minute = 0; minute < 29 * 24 * 60; ++minute) {
            fill.record({start.addSecs(qint64(minute) * 60), Kind::Phase,
                         minute % 3 ? QStringLiteral("online") : QStringLiteral("sending"), 0, 0,
                         QString(200, QLatin1Char('x'))});
        }
        fill.flush();
    }
    HistoryStore store(file, clock);
    QElapsedTimer timer;
    timer.start();
    store.open(); // prunes to the cap and reads the recent days into memory
    std::printf("open at the cap (once, after the app shows itself): %.1f ms\n",
                double(timer.nsecsElapsed()) / 1e6);

    std::vector<double> writes;
    for (int i = 0; i < 2000; ++i) {
        store.record({clock.now(), Kind::Phase, QStringLiteral("sending"), 0, 0, {}});
        store.record({clock.now(), Kind::RelayExited, {}, 3, 1200, {}});
        store.record({clock.now(), Kind::Phase, QStringLiteral("online"), 0, 0, {}});
        timer.start();
        store.flush(); // what the batch timer does when it falls due
        writes.push_back(double(timer.nsecsElapsed()) / 1e6);
        clock.advance(HistoryStore::batchDelay);
    }
    report("writes of a batch of 3", writes);

    HistoryView view(store, clock);
    view.resize(640, 260);
    view.show();
    QCoreApplication::processEvents();
    std::vector<double> reads;
    std::vector<double> draws;
    for (int i = 0; i < 200; ++i) {
        timer.start();
        view.sync();
        reads.push_back(double(timer.nsecsElapsed()) / 1e6);
        view.repaint();
        draws.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    report("read of the 7 days", reads);
    std::vector<double> queries;
    for (int i = 0; i < 50; ++i) {
        timer.start();
        const auto week = store.since(clock.now().addDays(-7));
        queries.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (i == 0)
            std::printf("entries in the week: %lld\n", qint64(week.size()));
    }
    report("query of the week", queries);
    report("read and draw of the 7-day strips", draws);
    return 0;
}
