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

// Draws the count as a pill in the glyph's colour at the bottom-right corner, separated from
// the glyph by a transparent ring so it reads over any part of it.
void drawBadge(QPainter& painter, int size, const QString& text, const QColor& fill,
               const QColor& digits) {
    const qreal height = qMax<qreal>(8.0, qRound(size * 0.6));
    const qreal ring = qMax<qreal>(1.0, size / 16.0);
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    // Shrink until the pill fits the icon's width; a long count must never spill over.
    qreal pixels = height * 0.8;
    qreal width = 0;
    QRectF ink;
    for (; pixels >= 4; pixels -= 0.5) {
        font.setPixelSize(qMax(1, qRound(pixels)));
        const QFontMetricsF metrics(font);
        ink = metrics.tightBoundingRect(text);
        width = qMax(height, ink.width() + height * 0.55);
        if (width <= size)
            break;
    }
    width = qMin<qreal>(width, size);
    const QRectF pill(size - width, size - height, width, height);
    const qreal radius = height / 2;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setBrush(Qt::black);
    const QRectF cut = pill.adjusted(-ring, -ring, ring, ring);
    painter.drawRoundedRect(cut, cut.height() / 2, cut.height() / 2);

    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(fill);
    painter.drawRoundedRect(pill, radius, radius);

    // Centre the digits' ink, not the line box: digits have no descent.
    QPainterPath glyphs;
    glyphs.addText(0, 0, font, text);
    const QRectF bounds = glyphs.boundingRect();
    const QPointF offset = pill.center() - bounds.center();
#ifdef Q_OS_MACOS
    // The menu bar tints a mask image itself; the digits are cut out of the pill.
    Q_UNUSED(digits);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setBrush(Qt::black);
#else
    painter.setBrush(digits);
#endif
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

QColor MenuBarLabel::glyphColor(Appearance appearance) {
    switch (appearance) {
    case Appearance::Light:
        return QColor(0x1F, 0x1F, 0x1F);
    case Appearance::Dark:
        return QColor(0xF2, 0xF2, 0xF2);
    case Appearance::HighContrastLight:
        return QColor(Qt::black);
    case Appearance::HighContrastDark:
        return QColor(Qt::white);
    }
    return QColor(Qt::black);
}

const QList<int>& MenuBarLabel::traySizes() {
    static const QList<int> sizes{16, 22, 24, 32, 48};
    return sizes;
}

QImage MenuBarLabel::render(const RelayPhase& phase, qint64 remaining, Appearance appearance,
                            int size, qreal devicePixelRatio) {
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int side = qMax(1, qCeil(size * dpr));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);

    const QColor glyph = glyphColor(appearance);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool badge = showsCount(phase, remaining);
    // With a badge the symbol steps back to the top-left so both stay recognisable.
    const int glyphSize = badge ? qRound(size * 0.8) : size;
    painter.drawPixmap(QPointF(0, 0), Symbols::icon(symbol(phase), glyph, glyphSize, dpr));
    if (badge) {
        const QColor digits =
            Appearances::isDark(appearance) ? QColor(Qt::black) : QColor(Qt::white);
        drawBadge(painter, size, badgeText(remaining), glyph, digits);
    }
    painter.end();
    return image;
}

QIcon MenuBarLabel::trayIcon(const RelayPhase& phase, qint64 remaining, Appearance appearance) {
    // Drawn when the tray asks: most trays show one size, so the others are never drawn.
    QIcon icon = DrawnIcon::make(
        [phase, remaining, appearance](int size, qreal dpr) {
            return QPixmap::fromImage(render(phase, remaining, appearance, size, dpr));
        },
        traySizes());
#ifdef Q_OS_MACOS
    icon.setIsMask(true);
#endif
    return icon;
}
