#include "Features/Setup/Look.h"

#include "Design/Symbols.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>

QPixmap Look::symbol(const QString& name, const DynamicColor& color, int size,
                     const QWidget* widget) {
    const qreal ratio = widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
    return Symbols::icon(name, Palette::color(color, widget), size, ratio);
}

QFont Look::font(Type type) {
    QFont font = QApplication::font();
    const qreal base = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    switch (type) {
    case Type::Title2:
        font.setPointSizeF(base * 1.5);
        font.setWeight(QFont::DemiBold);
        break;
    case Type::Title3:
        font.setPointSizeF(base * 1.3);
        break;
    case Type::Body:
        break;
    case Type::BodyMedium:
        font.setWeight(QFont::Medium);
        break;
    case Type::Callout:
        font.setPointSizeF(base * 0.95);
        break;
    case Type::Caption:
        font.setPointSizeF(base * 0.85);
        break;
    case Type::CaptionMono:
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(base * 0.85);
        break;
    }
    return font;
}

void Look::tint(QLabel* label, const DynamicColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Palette::color(color, label));
    palette.setColor(QPalette::Text, Palette::color(color, label));
    label->setPalette(palette);
}
