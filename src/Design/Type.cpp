#include "Design/Type.h"

#include <QFontDatabase>
#include <QWidget>

namespace {

constexpr qreal bodyPoints = 13.0;

qreal points(TypeStyle style) {
    switch (style) {
    case TypeStyle::Title2:
        return 17;
    case TypeStyle::Title3:
        return 15;
    case TypeStyle::Headline:
    case TypeStyle::Body:
        return 13;
    case TypeStyle::Callout:
        return 12;
    case TypeStyle::Caption:
        return 10;
    }
    return bodyPoints;
}

// Scales a font by a factor, whether it was given in points or in pixels.
QFont scaledBy(const QFont& base, qreal factor) {
    QFont result = base;
    if (base.pointSizeF() > 0)
        result.setPointSizeF(base.pointSizeF() * factor);
    else if (base.pixelSize() > 0)
        result.setPixelSize(qMax(1, qRound(base.pixelSize() * factor)));
    return result;
}

} // namespace

namespace Type {

qreal ratio(TypeStyle style) {
    return points(style) / bodyPoints;
}

QFont::Weight defaultWeight(TypeStyle style) {
    return style == TypeStyle::Headline ? QFont::DemiBold : QFont::Normal;
}

QFont font(TypeStyle style, const QFont& base) {
    return font(style, defaultWeight(style), base);
}

QFont font(TypeStyle style, QFont::Weight weight, const QFont& base) {
    QFont result = scaledBy(base, ratio(style));
    result.setWeight(weight);
    return result;
}

QFont scaled(qreal macPoints, QFont::Weight weight, const QFont& base) {
    QFont result = scaledBy(base, macPoints / bodyPoints);
    result.setWeight(weight);
    return result;
}

QFont monospaced(TypeStyle style, const QFont& base) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont result = font(style, base);
    result.setFamilies(fixed.families().isEmpty() ? QStringList{fixed.family()} : fixed.families());
    result.setStyleHint(QFont::Monospace);
    result.setFixedPitch(true);
    return result;
}

} // namespace Type

void applyTypeStyle(QWidget* widget, TypeStyle style, std::optional<QFont::Weight> weight) {
    if (!widget)
        return;
    widget->setFont(
        Type::font(style, weight.value_or(Type::defaultWeight(style)), QApplication::font(widget)));
}
