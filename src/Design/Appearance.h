#pragma once

#include <QString>

#include <optional>

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

// The desktop's settings, given once by the app at start-up (and taken back before they go);
// without them, contrast is normal and motion allowed.
void useDesktop(const DesktopSettings* desktop);

// Whether the desktop asks for increased contrast; cheap enough to call on every paint.
bool platformPrefersHighContrast();
// Whether the desktop asks applications to reduce motion.
bool desktopReducesMotion();

// What the application currently looks like: the override if one is set, else the
// application palette plus the desktop's contrast setting.
Appearance current();

// The appearance a widget is drawn in: its own palette (which may differ from the
// application's), unless an override is set. A null widget means the application.
Appearance of(const QWidget* widget);

// Events after which a view must re-resolve its colours.
bool isChange(const QEvent* event);

// For tests and screenshots: pins every query above to one appearance.
std::optional<Appearance> overridden();
void setOverride(std::optional<Appearance> appearance);

// A short lower-case name ("light", "dark", "high-contrast-light", "high-contrast-dark").
QString name(Appearance appearance);

} // namespace Appearances

// Pins the appearance for its lifetime and restores the previous setting afterwards.
class AppearanceOverride {
public:
    explicit AppearanceOverride(Appearance appearance);
    ~AppearanceOverride();
    AppearanceOverride(const AppearanceOverride&) = delete;
    AppearanceOverride& operator=(const AppearanceOverride&) = delete;

private:
    std::optional<Appearance> m_previous;
};

// Shorthand used by the views.
inline Appearance currentAppearance() {
    return Appearances::current();
}
