#include "Features/Setup/Look.h"

#include "Design/Symbols.h"

#include <QApplication>
#include <QLabel>

QPixmap Look::symbol(const QString& name, const DynamicColor& color, int size,
                     const QWidget* widget) {
    const qreal ratio = widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
    return Symbols::icon(name, Palette::color(color, widget), size, ratio);
}

void Look::tint(QLabel* label, const DynamicColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Palette::color(color, label));
    palette.setColor(QPalette::Text, Palette::color(color, label));
    label->setPalette(palette);
}
