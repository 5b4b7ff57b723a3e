#include "Design/Look.h"

#include "Design/Symbols.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace {
QString rgba(const QColor& c, int alpha) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(alpha);
}
} // namespace

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

void Look::prominent(QPushButton* button) {
    const QColor fill = Palette::color(Palette::primary(), button);
    // The dark appearance's accent is light: dark text keeps the title readable on it.
    const double luminance = 0.299 * fill.redF() + 0.587 * fill.greenF() + 0.114 * fill.blueF();
    const QColor text = luminance > 0.5 ? QColor(0x11, 0x13, 0x12) : QColor(Qt::white);
    // Focused, a ring in the window's text colour: it stands out from the fill and from the
    // window behind, light or dark.
    const QString style =
        QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %1;"
                       " border-radius: 5px; padding: 4px 14px; }"
                       "QPushButton:hover { background: %3; border-color: %3; }"
                       "QPushButton:pressed { background: %4; border-color: %4; }"
                       "QPushButton:focus { border: 2px solid %7; padding: 3px 13px; }"
                       "QPushButton:disabled { background: %5; border-color: transparent;"
                       " color: %6; }")
            .arg(fill.name(), text.name(), fill.lighter(110).name(), fill.darker(115).name(),
                 rgba(fill, 110), rgba(text, 200),
                 button->palette().color(QPalette::WindowText).name());
    if (button->styleSheet() != style)
        button->setStyleSheet(style);
}

void Look::quiet(QPushButton* button) {
    const QColor text = button->palette().color(QPalette::WindowText);
    const QString style =
        QStringLiteral("QPushButton { background: transparent; border: 1px solid transparent;"
                       " border-radius: 5px; padding: 3px 6px; }"
                       "QPushButton:hover { background: %1; }"
                       "QPushButton:pressed { background: %2; }"
                       "QPushButton:focus { border: 2px solid %3; padding: 2px 5px; }")
            .arg(rgba(text, 25), rgba(text, 50), text.name());
    if (button->styleSheet() != style)
        button->setStyleSheet(style);
}

void Look::destructive(QPushButton* button) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Palette::color(Palette::danger(), button));
    button->setPalette(palette);
}
