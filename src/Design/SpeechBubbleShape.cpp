#include "Design/SpeechBubbleShape.h"

namespace {

// Twice the signed area of the path's outline; its sign tells the direction it winds in.
qreal windingArea(const QPainterPath& path) {
    const QPolygonF polygon = path.toFillPolygon();
    qreal sum = 0;
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const QPointF& a = polygon[i];
        const QPointF& b = polygon[(i + 1) % polygon.size()];
        sum += a.x() * b.y() - b.x() * a.y();
    }
    return sum;
}

} // namespace

namespace SpeechBubbleShape {

QPainterPath path(const QRectF& r) {
    const qreal w = r.width();
    const qreal h = r.height();
    const QRectF body(r.left() + 0.18 * w, r.top() + 0.23 * h, 0.64 * w, 0.47 * h);
    const qreal radius = 0.15 * h;

    QPainterPath result;
    result.setFillRule(Qt::WindingFill);
    // Ordinary circular corners stand in for the continuous ones; at brand-mark sizes the
    // difference is below a pixel.
    result.addRoundedRect(body, radius, radius);

    QPainterPath tail;
    tail.moveTo(body.left() + 0.10 * w, body.bottom() - 0.06 * h);
    tail.lineTo(body.left() + 0.07 * w, body.bottom() + 0.10 * h);
    tail.quadTo(body.left() + 0.17 * w, body.bottom() + 0.06 * h, body.left() + 0.26 * w,
                body.bottom() - 0.01 * h);
    tail.closeSubpath();

    // Under the non-zero rule the overlap stays filled only if both outlines wind the same way.
    // A boolean union would do it too, but it flattens the curves with a fixed tolerance,
    // which spoils small rectangles that are scaled up later.
    if ((windingArea(tail) > 0) != (windingArea(result) > 0))
        tail = tail.toReversed();
    result.addPath(tail);
    return result;
}

} // namespace SpeechBubbleShape
