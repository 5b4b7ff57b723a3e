#include "Core/Relay/RelayCLI.h"
#include "Core/Relay/RelayRunner.h"

#include "FakePlatform.h"
#include "FakeRelay.h"
#include "ManualClock.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <algorithm>
#include <ctime>
#include <utility>

namespace {

// About 64 KiB of the relay's busiest output: one "sent" event per line.
QByteArray sentLines(int* count) {
    QByteArray chunk;
    int lines = 0;
    while (chunk.size() < 64 * 1024 - 100) {
        chunk += R"({"event":"sent","at":"2024-05-01T10:00:00.123Z","id":"msg_)" +
                 QByteArray::number(lines) + "\"}\n";
        ++lines;
    }
    *count = lines;
    return chunk;
}

// CPU time of this thread: the machine may be shared, and the target is per core.
qint64 threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double median(QList<qint64> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

QCoro::Task<RelayStatus> statusOf(const RelayCLI& cli) {
    co_return co_await cli.status();
}

} // namespace

class BenchRelay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eventPath();
    void bareJsonParse();
    void statusRoundTrip();
};

void BenchRelay::eventPath() {
    int lines = 0;
    const QByteArray chunk = sentLines(&lines);
    ManualClock clock;
    FakeProcessControl processes;
    RelayRunner runner(QStringLiteral("/nonexistent"), false, clock, processes);
    qint64 events = 0;
    runner.onEvent = [&](const RelayEvent&) { ++events; };

    QBENCHMARK {
        runner.consume(chunk);
    }
    QVERIFY(events > 0 && events % lines == 0);

    // The figure that matters, measured once over a fixed amount of output.
    static bool reported = false;
    if (std::exchange(reported, true))
        return;
    events = 0;
    const qint64 start = threadCpuNs();
    for (int i = 0; i < 200; ++i)
        runner.consume(chunk);
    const qint64 ns = threadCpuNs() - start;
    qInfo("event path: %lld events in %.1f ms of CPU: %.0f events/s (%d lines per 64 KiB chunk)",
          events, ns / 1e6, events * 1e9 / ns, lines);
}

void BenchRelay::bareJsonParse() {
    int lines = 0;
    const QByteArray chunk = sentLines(&lines);
    const QList<QByteArray> split = chunk.split('\n');
    qint64 parsed = 0;
    auto parseAll = [&] {
        for (const QByteArray& line : split) {
            if (!line.isEmpty())
                parsed += QJsonDocument::fromJson(line).isObject() ? 1 : 0;
        }
    };
    QBENCHMARK {
        parseAll();
    }
    QVERIFY(parsed > 0);

    static bool reported = false;
    if (std::exchange(reported, true))
        return;
    parsed = 0;
    const qint64 start = threadCpuNs();
    for (int i = 0; i < 200; ++i)
        parseAll();
    const qint64 ns = threadCpuNs() - start;
    qInfo("bare QJsonDocument::fromJson: %lld lines in %.1f ms of CPU: %.0f lines/s", parsed,
          ns / 1e6, parsed * 1e9 / ns);
}

void BenchRelay::statusRoundTrip() {
    FakeRelay fake;
    const QStringList arguments{"relay", "status", "--json"};
    fake.reply(arguments, R"({"paired":true,"server":"https://relay.example",)"
                          R"("device":{"id":"d1","name":"Phone"},)"
                          R"("lastSyncAt":"2024-05-01T10:00:00.123Z",)"
                          R"("today":{"sent":4,"failed":1,"received":2},"running":true})");
    FakeProcessControl processes;
    ManualClock clock; // no call runs into its time limit here
    RelayCLI cli(fake.helperPath(), processes, clock);
    constexpr int runs = 200;
    QList<qint64> viaCli;
    QList<qint64> bare;
    QElapsedTimer timer;
    // Interleaved, so that both see the same machine load.
    for (int i = 0; i < runs; ++i) {
        timer.start();
        const RelayStatus status = QCoro::waitFor(statusOf(cli));
        viaCli.append(timer.nsecsElapsed());
        QVERIFY(status.paired);

        timer.start();
        QProcess process;
        process.start(fake.helperPath(), arguments);
        QVERIFY(process.waitForFinished());
        const QByteArray output = process.readAll();
        bare.append(timer.nsecsElapsed());
        QVERIFY(!output.isEmpty());
    }
    const double cliMedian = median(viaCli) / 1e6;
    const double bareMedian = median(bare) / 1e6;
    qInfo("status round trip, median of %d: RelayCLI::status() %.3f ms, bare QProcess %.3f ms, "
          "difference %.3f ms",
          runs, cliMedian, bareMedian, cliMedian - bareMedian);
}

QTEST_GUILESS_MAIN(BenchRelay)
#include "bench_relay.moc"
