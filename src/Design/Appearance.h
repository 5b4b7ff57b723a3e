#pragma once

#include <QString>

class DesktopSettings;
class QEvent;
class QPalette;
class QWidget;

// The appearance colours are resolved against, mirroring the four the platform knows.
enum class Appearance { Light, Dark, HighContrastLight, HighContrastDark };

namespace Appearances {

bool isDark(Appearance appearance);
bool isHighContrast(Appearance appearance);
Appearance make(bool dark, bool highContrast);

// A palette is dark when its window is darker than the text drawn on it (Qt 6.4 has no
// colour-scheme query of its own).
bool isDarkPalette(const QPalette& palette);

// Gives `window` the desktop's settings its colours and motion follow; a window given none
// draws with normal contrast and full motion.
void useDesktop(QWidget* window, const DesktopSettings* desktop);

// Whether the desktop asks for increased contrast or reduced motion where `widget` is drawn
// (what its window was given).
bool prefersHighContrast(const QWidget* widget);
bool reducesMotion(const QWidget* widget);

// The appearance a widget is drawn in: its own palette (which may differ from the
// application's) and its window's contrast setting. A null widget means the application's
// palette at normal contrast.
Appearance of(const QWidget* widget);

// Events after which a view must re-resolve its colours.
bool isChange(const QEvent* event);

// A short lower-case name ("light", "dark", "high-contrast-light", "high-contrast-dark").
QString name(Appearance appearance);

} // namespace Appearances
