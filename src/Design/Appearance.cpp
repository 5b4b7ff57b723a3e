#include "Design/Appearance.h"

#include "Core/Platform/DesktopSettings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace {

const DesktopSettings* desktopSettings = nullptr;

std::optional<Appearance>& overrideSlot() {
    static std::optional<Appearance> slot;
    return slot;
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

void useDesktop(const DesktopSettings* desktop) {
    desktopSettings = desktop;
}

bool platformPrefersHighContrast() {
    return desktopSettings && desktopSettings->prefersHighContrast();
}

bool desktopReducesMotion() {
    return desktopSettings && desktopSettings->reducesMotion();
}

Appearance current() {
    if (const auto pinned = overrideSlot())
        return *pinned;
    return make(isDarkPalette(QGuiApplication::palette()), platformPrefersHighContrast());
}

Appearance of(const QWidget* widget) {
    if (const auto pinned = overrideSlot())
        return *pinned;
    if (!widget)
        return current();
    return make(isDarkPalette(widget->palette()), platformPrefersHighContrast());
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

std::optional<Appearance> overridden() {
    return overrideSlot();
}

void setOverride(std::optional<Appearance> appearance) {
    overrideSlot() = appearance;
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

AppearanceOverride::AppearanceOverride(Appearance appearance)
    : m_previous(Appearances::overridden()) {
    Appearances::setOverride(appearance);
}

AppearanceOverride::~AppearanceOverride() {
    Appearances::setOverride(m_previous);
}
