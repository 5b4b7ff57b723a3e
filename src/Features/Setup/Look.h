#pragma once

#include "Design/Palette.h"

#include <QPixmap>
#include <QString>

class QLabel;
class QWidget;

// Drawing helpers shared by the Setup and Settings windows.
namespace Look {
// A system symbol drawn in `color`, `size` points square, for the widget's screen.
QPixmap symbol(const QString& name, const DynamicColor& color, int size, const QWidget* widget);

// Sets the label's text colour for the appearance it is drawn in.
void tint(QLabel* label, const DynamicColor& color);
} // namespace Look
