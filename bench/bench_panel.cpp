// The status panel under a busy relay: 12 events a second for a minute of (simulated) time,
// each handled by the model and redrawn by the shown panel. Reports the worst main-thread
// frame, which must stay far below a display frame.

#include "Features/Panel/StatusPanel.h"
#include "RelayRig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
QByteArray line(int i) {
    // A sync of five, its five texts (one failing), a reply: the feed and the bar both move.
    switch (i % 7) {
    case 0:
        return R"({"event":"synced","jobs":5})";
    case 3:
        return R"({"event":"failed","message":"The carrier refused this text"})";
    case 6:
        return R"({"event":"received"})";
    default:
        return R"({"event":"sent"})";
    }
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    auto rig = std::make_unique<RelayRig>("status-paired");
    if (!rig->start()) {
        std::fprintf(stderr, "the model did not start\n");
        return 1;
    }
    StatusPanel panel(*rig->model, rig->fake.platform(), [] {});
    panel.setReduceMotion(true);
    panel.show();
    QTest::qWait(200);

    constexpr int perSecond = 12;
    constexpr int seconds = 60;
    constexpr std::chrono::milliseconds step{1000 / perSecond};
    std::vector<double> frames;
    frames.reserve(perSecond * seconds);
    QElapsedTimer timer;
    for (int i = 0; i < perSecond * seconds; ++i) {
        timer.start();
        rig->fake.clock.advance(step); // the once-a-second redraw falls due in here
        rig->print({line(i)});
        QCoreApplication::processEvents();
        panel.repaint();
        frames.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    std::sort(frames.begin(), frames.end());
    const auto at = [&frames](double q) { return frames[size_t(q * double(frames.size() - 1))]; };
    std::printf("panel frames: %zu, median %.2f ms, p99 %.2f ms, worst %.2f ms\n", frames.size(),
                at(0.5), at(0.99), frames.back());
    return 0;
}
