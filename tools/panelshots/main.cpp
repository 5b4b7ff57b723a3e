// Renders the status panel on the offscreen platform, over a real model driven by the fake
// relay, once per state and appearance.

#include "Features/Panel/StatusPanel.h"
#include "RelayRig.h"

#include "Design/Appearance.h"
#include "Design/Palette.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyleFactory>
#include <QTest>

#include <cstdio>

namespace {
// A state of the panel, reached through the model's own inputs: the relay's answers, the
// events it prints, the user's pause.
struct Shot {
    const char* name;
    const char* status = "status-paired";
    QByteArray doctor = "{}";
    // Event lines the relay prints; "%1" becomes a time the given seconds before now.
    QList<std::pair<int, QByteArray>> lines = {};
    bool pause = false;
    int exitCode = -1; // the relay stops with this code; -1: it keeps running
    bool dryRun = false;
    bool start = true;
};

// A relay timestamp `seconds` before the fake clock's now.
QByteArray ago(const RelayRig& rig, qint64 seconds) {
    return rig.fake.clock.now().addSecs(-seconds).toUTC().toString(Qt::ISODate).toUtf8();
}

QPalette paletteFor(Appearance appearance) {
    const bool dark = Appearances::isDark(appearance);
    const QColor window = Palette::canvas().resolve(appearance);
    const QColor text = dark ? QColor(0xEE, 0xEF, 0xEE) : QColor(0x1C, 0x1E, 0x1D);
    const QColor button = dark ? QColor(0x2A, 0x2D, 0x2B) : QColor(0xFF, 0xFF, 0xFF);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, button);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, Palette::primary().resolve(appearance));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, button);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Mid, dark ? QColor(0x3A, 0x3E, 0x3C) : QColor(0xC9, 0xC7, 0xC1));
    return p;
}

bool render(const Shot& shot, Appearance appearance, const QDir& out) {
    const AppearanceOverride pinned(appearance);
    QApplication::setPalette(paletteFor(appearance));

    RelayRig rig(shot.status);
    rig.relay.reply(doctorArgs, shot.doctor);
    if (shot.exitCode >= 0)
        rig.relay.runStream({{}, false, shot.exitCode});
    {
        const ScopedEnv dryRun("WRENBOX_RELAY_DRY_RUN",
                               shot.dryRun ? std::optional<QByteArray>("1") : std::nullopt);
        rig.make();
    }
    if (shot.start && !rig.start()) {
        std::fprintf(stderr, "%s: the model did not reach its state\n", shot.name);
        return false;
    }
    for (const auto& [seconds, line] : shot.lines)
        rig.print({QByteArray(line).replace("%1", ago(rig, seconds))});
    if (shot.pause)
        rig.model->setPaused(true);
    if (shot.exitCode >= 0)
        (void)QTest::qWaitFor([&] { return !rig.model->runner().isRunning(); });
    StatusPanel panel(
        *rig.model, rig.fake.workspace, [] {}, rig.fake.clock);
    panel.setReduceMotion(true);
    panel.show();
    // Let the status refresh that showing starts come back.
    (void)rig.settle();
    panel.adjustSize();
    const QString file =
        out.filePath(QStringLiteral("%1-%2.png").arg(shot.name, Appearances::name(appearance)));
    if (!panel.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Times in the feed read the same on every machine.
    qputenv("TZ", "UTC");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(WRENBOX_SHOTS_DIR));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    const QByteArray failing =
        R"({"problems":1,"checks":[{"id":"%1","status":"fail","title":"Check","detail":"Fails"}]})";
    const Shot shots[] = {
        {"starting", "status-paired", "{}", {}, false, -1, false, false},
        {"idle",
         "status-counters",
         "{}",
         {{300, R"({"event":"started","at":"%1"})"},
          {40, R"({"event":"synced","jobs":3,"at":"%1"})"},
          {38, R"({"event":"sent","at":"%1"})"},
          {30, R"({"event":"received","at":"%1"})"},
          {25, R"({"event":"failed","message":"The carrier refused this text because the number )"
               R"(is not reachable by SMS right now","at":"%1"})"},
          {13, R"({"event":"sent","at":"%1"})"},
          {12, R"({"event":"synced","at":"%1"})"}}},
        {"sending",
         "status-paired",
         "{}",
         {{20, R"({"event":"synced","jobs":5})"},
          {10, R"({"event":"sent"})"},
          {5, R"({"event":"sent"})"}}},
        {"paused-by-user", "status-paired", "{}", {}, true},
        {"paused-by-server", "status-paused-by-server"},
        {"not-paired", "status-unpaired"},
        {"full-disk-access", "status-paired", QByteArray(failing).replace("%1", "chatdb")},
        {"automation", "status-paired", QByteArray(failing).replace("%1", "automation")},
        {"update-required", "status-update-required"},
        {"relay-stopped", "status-paired", "{}", {}, false, 2},
        {"dry-run", "status-unpaired", "{}", {}, false, -1, true},
    };
    bool ok = true;
    for (const Shot& shot : shots) {
        for (const Appearance appearance : {Appearance::Light, Appearance::Dark})
            ok = render(shot, appearance, out) && ok;
    }
    return ok ? 0 : 1;
}
