#include "Design/DynamicColor.h"

quint32 DynamicColor::value(std::optional<Appearance> appearance) const {
    if (!appearance)
        return m_light;
    switch (*appearance) {
    case Appearance::Light:
        return m_light;
    case Appearance::Dark:
        return m_dark;
    case Appearance::HighContrastLight:
        return m_highLight.value_or(m_light) & 0xFFFFFF;
    case Appearance::HighContrastDark:
        return m_highDark.value_or(m_dark) & 0xFFFFFF;
    }
    return m_light;
}

QColor DynamicColor::resolve(std::optional<Appearance> appearance) const {
    return fromRgb(value(appearance));
}

QColor DynamicColor::fromRgb(quint32 rgb) {
    return QColor::fromRgb(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}
