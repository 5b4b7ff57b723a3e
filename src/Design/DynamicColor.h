#pragma once

#include "Design/Appearance.h"

#include <QColor>
#include <QtGlobal>

#include <optional>

// A colour with one 0xRRGGBB value per appearance, picked when it is drawn. The high-contrast
// values are optional and fall back to the plain light or dark value.
class DynamicColor {
public:
    constexpr DynamicColor(quint32 light, quint32 dark, std::optional<quint32> highLight = {},
                           std::optional<quint32> highDark = {})
        : m_light(light & 0xFFFFFF)
        , m_dark(dark & 0xFFFFFF)
        , m_highLight(highLight)
        , m_highDark(highDark) {}

    static constexpr DynamicColor dynamic(quint32 light, quint32 dark,
                                          std::optional<quint32> highLight = {},
                                          std::optional<quint32> highDark = {}) {
        return DynamicColor(light, dark, highLight, highDark);
    }
    // The same value in every appearance.
    static constexpr DynamicColor fixed(quint32 rgb) { return DynamicColor(rgb, rgb); }

    // The value for an appearance; no appearance (one the platform could not match) means
    // light.
    quint32 value(std::optional<Appearance> appearance) const;
    QColor resolve(std::optional<Appearance> appearance) const;

    // Opaque sRGB colour whose components are the value's three bytes over 255.
    static QColor fromRgb(quint32 rgb);

    constexpr quint32 light() const { return m_light; }
    constexpr quint32 dark() const { return m_dark; }
    constexpr std::optional<quint32> highLight() const { return m_highLight; }
    constexpr std::optional<quint32> highDark() const { return m_highDark; }

    bool operator==(const DynamicColor&) const = default;

private:
    quint32 m_light;
    quint32 m_dark;
    std::optional<quint32> m_highLight;
    std::optional<quint32> m_highDark;
};
