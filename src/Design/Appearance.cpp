#include "Design/Appearance.h"

#include "Core/Platform/DesktopSettings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace {
// The desktop's settings a window was given, kept with the window. Without Q_OBJECT, so it is
// found by dynamic_cast: findChild would take any child for it.
class DesktopSource final : public QObject {
public:
    DesktopSource(QWidget* window, const DesktopSettings* settings)
        : QObject(window)
        , desktop(settings) {}
    const DesktopSettings* desktop;
};

DesktopSource* sourceOf(const QWidget* window) {
    for (QObject* child : window->children())
        if (auto* source = dynamic_cast<DesktopSource*>(child))
            return source;
    return nullptr;
}

const DesktopSettings* desktopOf(const QWidget* widget) {
    const DesktopSource* source = widget ? sourceOf(widget->window()) : nullptr;
    return source ? source->desktop : nullptr;
}
} // namespace

namespace Appearances {

bool isDark(Appearance appearance) {
    return appearance == Appearance::Dark || appearance == Appearance::HighContrastDark;
}

bool isHighContrast(Appearance appearance) {
    return appearance == Appearance::HighContrastLight ||
           appearance == Appearance::HighContrastDark;
}

Appearance make(bool dark, bool highContrast) {
    if (highContrast)
        return dark ? Appearance::HighContrastDark : Appearance::HighContrastLight;
    return dark ? Appearance::Dark : Appearance::Light;
}

bool isDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Active, QPalette::Window).lightness() <
           palette.color(QPalette::Active, QPalette::WindowText).lightness();
}

void useDesktop(QWidget* window, const DesktopSettings* desktop) {
    delete sourceOf(window);
    new DesktopSource(window, desktop);
}

bool prefersHighContrast(const QWidget* widget) {
    const DesktopSettings* desktop = desktopOf(widget);
    return desktop && desktop->prefersHighContrast();
}

bool reducesMotion(const QWidget* widget) {
    const DesktopSettings* desktop = desktopOf(widget);
    return desktop && desktop->reducesMotion();
}

Appearance of(const QWidget* widget) {
    if (!widget)
        return make(isDarkPalette(QGuiApplication::palette()), false);
    return make(isDarkPalette(widget->palette()), prefersHighContrast(widget));
}

bool isChange(const QEvent* event) {
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::ThemeChange:
    case QEvent::StyleChange:
        return true;
    default:
        return false;
    }
}

QString name(Appearance appearance) {
    switch (appearance) {
    case Appearance::Light:
        return QStringLiteral("light");
    case Appearance::Dark:
        return QStringLiteral("dark");
    case Appearance::HighContrastLight:
        return QStringLiteral("high-contrast-light");
    case Appearance::HighContrastDark:
        return QStringLiteral("high-contrast-dark");
    }
    return {};
}

} // namespace Appearances
