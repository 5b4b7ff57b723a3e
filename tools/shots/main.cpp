// Renders the tray icon in every phase and appearance, and the brand mark at its two sizes,
// into PNG files, so that changes to the theme can be looked at without a desktop.

#include "Design/Theme.h"
#include "Features/Panel/MenuBarLabel.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTextStream>

#include <cstdio>

namespace {

using Attention = RelayPhase::Attention;

struct Shot {
    const char* file;
    const char* caption;
    RelayPhase phase;
    qint64 remaining;
};

const QList<Shot>& shots() {
    static const QList<Shot> list{
        {"starting", "starting", RelayPhase::starting(), 0},
        {"idle", "idle", RelayPhase::idle(QDateTime::currentDateTimeUtc()), 0},
        {"sending", "sending 2 of 5", RelayPhase::sending(2, 5), 3},
        {"sending-many", "sending 0 of 250", RelayPhase::sending(0, 250), 250},
        {"paused-user", "paused by user", RelayPhase::paused(false), 0},
        {"paused-server", "paused by server", RelayPhase::paused(true), 0},
        {"attention-relay-stopped", "relay stopped",
         RelayPhase::attention(Attention::relayStopped(QStringLiteral("Relay exited"))), 0},
        {"attention-not-paired", "not paired", RelayPhase::attention(Attention::notPaired()), 0},
        {"attention-full-disk-access", "full disk access",
         RelayPhase::attention(Attention::fullDiskAccess()), 0},
        {"attention-automation", "automation", RelayPhase::attention(Attention::automation()), 0},
        {"attention-update-required", "update required",
         RelayPhase::attention(Attention::updateRequired()), 0},
    };
    return list;
}

// A strip of panel colour with the icon at every tray size, then 22 px at 2x.
QImage trayStrip(const Shot& shot, Appearance appearance, const QColor& panel) {
    constexpr qreal dpr = 2;
    constexpr int gap = 10;
    int width = gap;
    for (int size : MenuBarLabel::traySizes())
        width += size + gap;
    width += 22 + gap;
    const int height = 48 + 2 * gap;
    QImage image(qRound(width * dpr), qRound(height * dpr), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(panel);
    QPainter painter(&image);
    int x = gap;
    // The sizes at 1x, shown as the tray would show them on a 1x screen (scaled up here).
    for (int size : MenuBarLabel::traySizes()) {
        const QImage icon = MenuBarLabel::render(shot.phase, shot.remaining, appearance, size, 1);
        painter.drawImage(QRectF(x, (height - size) / 2.0, size, size), icon);
        x += size + gap;
    }
    const QImage sharp = MenuBarLabel::render(shot.phase, shot.remaining, appearance, 22, dpr);
    painter.drawImage(QPointF(x, (height - 22) / 2.0), sharp);
    painter.end();
    return image;
}

QColor panelColour(Appearance appearance) {
    return Appearances::isDark(appearance) ? QColor(0x2A, 0x2A, 0x2C) : QColor(0xEC, 0xEC, 0xEC);
}

bool save(const QImage& image, const QDir& dir, const QString& name, QTextStream& out) {
    const QString path = dir.filePath(name);
    if (!image.save(path)) {
        out << "cannot write " << path << "\n";
        return false;
    }
    out << path << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        out << "usage: wrenbox_shots <output folder>\n";
        return 2;
    }
    QDir dir(args.at(1));
    if (!dir.mkpath(QStringLiteral("."))) {
        out << "cannot create " << args.at(1) << "\n";
        return 1;
    }

    bool ok = true;
    const Appearance appearances[] = {Appearance::Light, Appearance::Dark};
    for (const Appearance appearance : appearances) {
        const QString look = Appearances::name(appearance);
        const QColor panel = panelColour(appearance);
        // One overview sheet per appearance: a captioned strip per phase.
        constexpr int captionWidth = 150;
        constexpr qreal dpr = 2;
        QList<QImage> strips;
        for (const Shot& shot : shots()) {
            const QImage strip = trayStrip(shot, appearance, panel);
            ok &= save(strip, dir, QStringLiteral("tray-%1-%2.png").arg(shot.file, look), out);
            strips << strip;
        }
        const QSizeF stripSize = strips.first().deviceIndependentSize();
        QImage sheet(qRound((captionWidth + stripSize.width()) * dpr),
                     qRound(stripSize.height() * strips.size() * dpr),
                     QImage::Format_ARGB32_Premultiplied);
        sheet.setDevicePixelRatio(dpr);
        sheet.fill(panel);
        QPainter painter(&sheet);
        painter.setPen(Appearances::isDark(appearance) ? Qt::white : Qt::black);
        for (int i = 0; i < strips.size(); ++i) {
            const qreal y = i * stripSize.height();
            painter.drawText(QRectF(10, y, captionWidth - 10, stripSize.height()),
                             Qt::AlignVCenter | Qt::AlignLeft,
                             QString::fromLatin1(shots().at(i).caption));
            painter.drawImage(QPointF(captionWidth, y), strips.at(i));
        }
        painter.end();
        ok &= save(sheet, dir, QStringLiteral("tray-overview-%1.png").arg(look), out);
    }

    for (const qreal size : {26.0, 40.0}) {
        for (const qreal dpr : {1.0, 2.0}) {
            const QString suffix = dpr > 1 ? QStringLiteral("@2x") : QString();
            const QImage mark = BrandMark::pixmap(size, dpr).toImage();
            ok &= save(mark, dir, QStringLiteral("brandmark-%1%2.png").arg(size).arg(suffix), out);
            // On the panel background, light and dark, as the headers show it.
            for (const Appearance appearance : appearances) {
                const qreal margin = 12;
                QImage framed(qRound((size + 2 * margin) * dpr), qRound((size + 2 * margin) * dpr),
                              QImage::Format_ARGB32_Premultiplied);
                framed.setDevicePixelRatio(dpr);
                framed.fill(Palette::canvas().resolve(appearance));
                QPainter painter(&framed);
                BrandMark::paint(painter, QRectF(margin, margin, size, size));
                painter.end();
                ok &= save(framed, dir,
                           QStringLiteral("brandmark-%1%2-on-%3.png")
                               .arg(size)
                               .arg(suffix, Appearances::name(appearance)),
                           out);
            }
        }
    }
    // A large rendering to judge the proportions by eye.
    ok &= save(BrandMark::pixmap(256, 1).toImage(), dir, QStringLiteral("brandmark-256.png"), out);
    return ok ? 0 : 1;
}
