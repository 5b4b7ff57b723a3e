#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

#include <functional>

// An icon drawn in code, rendered only at the sizes and scales somebody asks for. Building
// one costs nothing, which keeps start-up free of renders nobody may ever show.
namespace DrawnIcon {

// Draws a square of `size` device-independent pixels for a device pixel ratio.
using Draw = std::function<QPixmap(int size, qreal devicePixelRatio)>;

// `sizes` are the sizes the icon reports (a window manager or tray picks from them); any
// other size is drawn on request as well. The disabled mode draws it faded; each render is kept
// for the icon's lifetime.
QIcon make(Draw draw, QList<int> sizes);

} // namespace DrawnIcon
