#include "Features/Panel/MenuBarLabel.h"

#include "Design/DrawnIcon.h"
#include "Design/Symbols.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include <limits>

namespace {

constexpr qint64 badgeCap = 99;

// Draws the count in the bottom-right corner of the tile, with a margin of tile around it cut
// into the symbol so that digits and symbol never touch.
void drawBadge(QPainter& painter, int size, const QString& text, const QColor& fill) {
    const qreal height = qMax<qreal>(8.0, qRound(size * 0.56));
    const qreal ring = qMax<qreal>(1.0, size / 16.0);
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    // Shrink until the count fits the icon's width; a long count must never spill over.
    const qreal largest = height * 0.82;
    qreal width = 0;
    for (int step = 0; largest - step * 0.5 >= 4; ++step) {
        font.setPixelSize(qMax(1, qRound(largest - step * 0.5)));
        const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
        width = qMax(height, ink.width() + height * 0.5);
        if (width <= size)
            break;
    }
    width = qMin<qreal>(width, size);
    const QRectF pill(size - width, size - height, width, height);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Tile, not a hole: a see-through gap would set the white symbol against a light panel.
    painter.setBrush(fill);
    const QRectF cut = pill.adjusted(-ring, -ring, ring, ring);
    painter.drawRoundedRect(cut, cut.height() / 2, cut.height() / 2);

    // Centre the digits' ink, not the line box: digits have no descent.
    QPainterPath glyphs;
    glyphs.addText(0, 0, font, text);
    const QPointF offset = pill.center() - glyphs.boundingRect().center();
    painter.setBrush(Qt::white);
    painter.drawPath(glyphs.translated(offset));
    painter.restore();
}

} // namespace

QString MenuBarLabel::symbol(const RelayPhase& phase) {
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
    case RelayPhase::Kind::Starting:
        return QStringLiteral("message");
    case RelayPhase::Kind::Sending:
        return QStringLiteral("paperplane.fill");
    case RelayPhase::Kind::Paused:
        return QStringLiteral("pause.circle");
    case RelayPhase::Kind::Attention:
        return QStringLiteral("exclamationmark.triangle");
    }
    return QStringLiteral("message");
}

QString MenuBarLabel::accessibility(const RelayPhase& phase, qint64 queued) {
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
    case RelayPhase::Kind::Starting:
        return tr("Wrenbox, online");
    case RelayPhase::Kind::Sending:
        return tr("Wrenbox, sending, %1 to go").arg(queued);
    case RelayPhase::Kind::Paused:
        return tr("Wrenbox, paused");
    case RelayPhase::Kind::Attention:
        return tr("Wrenbox, needs attention");
    }
    return tr("Wrenbox, online");
}

qint64 MenuBarLabel::remaining(const std::optional<RelayBatch>& batch) {
    if (!batch || batch->done >= batch->total)
        return 0;
    // total - done cannot overflow unless done is negative and total near the top.
    if (batch->done < 0 && batch->total > std::numeric_limits<qint64>::max() + batch->done)
        return std::numeric_limits<qint64>::max();
    return batch->total - batch->done;
}

bool MenuBarLabel::showsCount(const RelayPhase& phase, qint64 remaining) {
    return phase.kind() == RelayPhase::Kind::Sending && remaining > 0;
}

QString MenuBarLabel::countText(qint64 remaining) {
    return tr("%1").arg(remaining);
}

QString MenuBarLabel::badgeText(qint64 remaining) {
    if (remaining > badgeCap)
        return tr("%1+").arg(badgeCap);
    return countText(remaining);
}

QColor MenuBarLabel::tileColor(const RelayPhase& phase) {
    // Each lies between about 3.3:1 and 3.8:1 against both #EFEFEF and #2B2B2B, and at least
    // 4:1 under white.
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
    case RelayPhase::Kind::Starting:
    case RelayPhase::Kind::Sending:
        return QColor(0x26, 0x8C, 0x74);
    case RelayPhase::Kind::Paused:
        return QColor(0x7A, 0x7A, 0x7A);
    case RelayPhase::Kind::Attention:
        return QColor(0xB0, 0x6A, 0x00);
    }
    return QColor(0x26, 0x8C, 0x74);
}

const QList<int>& MenuBarLabel::traySizes() {
    static const QList<int> sizes{16, 22, 24, 32, 48};
    return sizes;
}

QImage MenuBarLabel::render(const RelayPhase& phase, qint64 remaining, int size,
                            qreal devicePixelRatio) {
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int side = qMax(1, qCeil(size * dpr));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);

    const QColor tile = tileColor(phase);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    const qreal radius = size * 0.24;
    painter.drawRoundedRect(QRectF(0, 0, size, size), radius, radius);

    const bool badge = showsCount(phase, remaining);
    // With a badge the symbol steps back to the top-left so both stay recognisable.
    const int glyphSize = qRound(size * (badge ? 0.6 : 0.72));
    const QPointF at = badge ? QPointF(size * 0.08, size * 0.08)
                             : QPointF((size - glyphSize) / 2.0, (size - glyphSize) / 2.0);
    const QPixmap glyph = Symbols::icon(symbol(phase), Qt::white, glyphSize, dpr);
    // Outline symbols are drawn for larger sizes; at tray sizes their hairlines would blur into
    // the tile, so the strokes are thickened by drawing the symbol again, a little shifted.
    const qreal bold = qMax(0.0, 0.75 - size / 64.0);
    for (const QPointF shift :
         {QPointF(0, 0), QPointF(bold, 0), QPointF(0, bold), QPointF(bold, bold)})
        painter.drawPixmap(at + shift - QPointF(bold, bold) / 2, glyph);
    if (badge) {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(0, 0, size, size), radius, radius);
        painter.setClipPath(outline);
        drawBadge(painter, size, badgeText(remaining), tile);
    }
    painter.end();
    return image;
}

QIcon MenuBarLabel::trayIcon(const RelayPhase& phase, qint64 remaining) {
    // Drawn when the tray asks: most trays show one size, so the others are never drawn.
    return DrawnIcon::make(
        [phase, remaining](int size, qreal dpr) {
            return QPixmap::fromImage(render(phase, remaining, size, dpr));
        },
        traySizes());
}
