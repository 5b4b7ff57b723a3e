#pragma once

#include <QColor>

class DynamicColor;
class QWidget;

// The palette role a presenter picks for an icon or a text; the view resolves it against the
// appearance it is drawn in, so presenters stay free of widgets and colour values.
enum class Tone { Text2, Text3, Primary, Success, Warning, Danger, Info };

// The palette colour of `tone`, following the appearance (for Look::tint).
const DynamicColor& toneColor(Tone tone);
// The colour of `tone` in the appearance `widget` is shown in.
QColor toneColor(Tone tone, const QWidget* widget);
