#pragma once

#include "Design/Palette.h"

#include <QPixmap>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// Drawing helpers shared by the Setup and Settings windows.
namespace Look {
// A system symbol drawn in `color`, `size` points square, for the widget's screen.
QPixmap symbol(const QString& name, const DynamicColor& color, int size, const QWidget* widget);

// Sets the label's text colour for the appearance it is drawn in.
void tint(QLabel* label, const DynamicColor& color);

// The one prominent (default-action) button style of every window: the accent as fill, with
// whichever of white or near-black reads on it. Call again when the appearance changes.
void prominent(QPushButton* button);

// A quiet button that looks like a link until pointed at or focused, when it shows its frame.
// Call again when the appearance changes.
void quiet(QPushButton* button);

// A button whose action removes something: its title in the danger colour.
void destructive(QPushButton* button);
} // namespace Look
