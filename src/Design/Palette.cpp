#include "Design/Palette.h"

namespace Palette {

const DynamicColor& canvas() {
    static const DynamicColor color(0xF3F1EC, 0x111312);
    return color;
}

const DynamicColor& surface2() {
    static const DynamicColor color(0xF8F7F4, 0x1F2220);
    return color;
}

const DynamicColor& text2() {
    static const DynamicColor color(0x5E625F, 0xA6ABA8, 0x3F4341, 0xCDD1CE);
    return color;
}

const DynamicColor& text3() {
    static const DynamicColor color(0x6B6E6A, 0x8D928E, 0x4A4D4A, 0xB5BAB6);
    return color;
}

const DynamicColor& primary() {
    static const DynamicColor color(0x1E5B58, 0x5FB3A9, 0x154340, 0x8AD3CA);
    return color;
}

const DynamicColor& success() {
    static const DynamicColor color(0x157A52, 0x4CC38A);
    return color;
}

const DynamicColor& warning() {
    static const DynamicColor color(0x9A5B06, 0xE5A443);
    return color;
}

const DynamicColor& danger() {
    static const DynamicColor color(0xB83232, 0xF07171);
    return color;
}

const DynamicColor& info() {
    static const DynamicColor color(0x285DAE, 0x6EA2EC);
    return color;
}

const DynamicColor& brandTileStart() {
    static const DynamicColor color = DynamicColor::fixed(0x2BA77F);
    return color;
}

const DynamicColor& brandTileEnd() {
    static const DynamicColor color = DynamicColor::fixed(0x1E5B58);
    return color;
}

const DynamicColor& brandDot() {
    static const DynamicColor color = DynamicColor::fixed(0x237E6D);
    return color;
}

QColor color(const DynamicColor& color, const QWidget* widget) {
    return color.resolve(Appearances::of(widget));
}

} // namespace Palette
