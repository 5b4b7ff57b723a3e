#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// System symbol names (as the views name them, e.g. "paperplane.fill") drawn with bundled
// Bootstrap Icons, in one colour.
namespace Symbols {

// The symbol as a square of `size` device-independent pixels for a device pixel ratio, every
// drawn pixel in `tint` (its alpha included). An unknown name draws the fallback symbol.
// Results are cached, so calling this on every paint is cheap.
QPixmap icon(const QString& systemName, const QColor& tint, int size, qreal devicePixelRatio);

// The same as an icon that renders on demand at whatever size and scale it is asked for;
// the disabled mode draws the tint at reduced opacity.
QIcon qicon(const QString& systemName, const QColor& tint);

bool isKnown(const QString& systemName);
// Every mapped name, the fallback included.
QStringList names();
// The name drawn for unknown names.
QString fallbackName();
// The resource holding the SVG drawn for a name (the fallback's for unknown names).
QString resourcePath(const QString& systemName);

} // namespace Symbols
