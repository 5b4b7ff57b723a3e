#include "Design/Tone.h"

#include "Design/Palette.h"

const DynamicColor& toneColor(Tone tone) {
    switch (tone) {
    case Tone::Text2:
        return Palette::text2();
    case Tone::Text3:
        return Palette::text3();
    case Tone::Primary:
        return Palette::primary();
    case Tone::Success:
        return Palette::success();
    case Tone::Warning:
        return Palette::warning();
    case Tone::Danger:
        return Palette::danger();
    case Tone::Info:
        return Palette::info();
    }
    return Palette::text2();
}

QColor toneColor(Tone tone, const QWidget* widget) {
    return Palette::color(toneColor(tone), widget);
}
