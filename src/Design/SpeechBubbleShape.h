#pragma once

#include <QPainterPath>
#include <QRectF>

// The brand mark's speech bubble: a rounded body with a tail at its lower left. Horizontal
// measures scale with the width, vertical ones and the corner radius with the height.
namespace SpeechBubbleShape {

// The body and the tail as one filled outline; where they overlap there is no hole.
QPainterPath path(const QRectF& rect);

} // namespace SpeechBubbleShape
