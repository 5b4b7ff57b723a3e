// Renders the status panel on the offscreen platform, over a real model driven by the fake
// relay, once per state and appearance.

#include "PanelRig.h"

#include "Design/Appearance.h"
#include "Design/Palette.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyleFactory>
#include <QTest>

#include <cstdio>

namespace {
using Scenario = PanelRig::Scenario;

struct Shot {
    const char* name;
    Scenario scenario;
    bool dryRun = false;
};

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

    if (shot.dryRun)
        qputenv("WRENBOX_RELAY_DRY_RUN", "1");
    auto rig = PanelRig::make(shot.scenario);
    rig->makeModel();
    qunsetenv("WRENBOX_RELAY_DRY_RUN");
    if (!rig->reach(shot.scenario)) {
        std::fprintf(stderr, "%s: the model did not reach its state\n", shot.name);
        return false;
    }
    StatusPanel& panel = rig->makePanel();
    panel.show();
    // Let the status refresh that showing starts come back.
    QTest::qWait(400);
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

    const Shot shots[] = {
        {"starting", Scenario::Starting},
        {"idle", Scenario::IdleSynced},
        {"sending", Scenario::Sending},
        {"paused-by-user", Scenario::PausedByUser},
        {"paused-by-server", Scenario::PausedByServer},
        {"not-paired", Scenario::NotPaired},
        {"full-disk-access", Scenario::FullDiskAccess},
        {"automation", Scenario::Automation},
        {"update-required", Scenario::UpdateRequired},
        {"relay-stopped", Scenario::RelayStopped},
        {"dry-run", Scenario::NotPaired, true},
    };
    bool ok = true;
    for (const Shot& shot : shots) {
        for (const Appearance appearance : {Appearance::Light, Appearance::Dark})
            ok = render(shot, appearance, out) && ok;
    }
    return ok ? 0 : 1;
}
