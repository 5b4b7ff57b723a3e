#pragma once

#include <QApplication>
#include <QFont>

#include <optional>

class QWidget;

// The text styles the views use, named after the macOS ones.
enum class TypeStyle { Title2, Title3, Headline, Body, Callout, Caption };

namespace Type {

// The style's size relative to the body text, taken from the macOS point sizes (body 13,
// callout 12, caption 10, headline 13, title 3 15, title 2 17), so that the views follow the
// desktop's font size instead of fixing one.
qreal ratio(TypeStyle style);
// The weight a style has unless a view asks for another (headline is semibold).
QFont::Weight defaultWeight(TypeStyle style);

// The base font (the body text) scaled and weighted for a style.
QFont font(TypeStyle style, const QFont& base = QApplication::font());
QFont font(TypeStyle style, QFont::Weight weight, const QFont& base = QApplication::font());

// A size given in macOS points (e.g. 24 for a large counter), scaled the same way.
QFont scaled(qreal macPoints, QFont::Weight weight, const QFont& base = QApplication::font());

// The style in the system's fixed-width family, for codes and diagnostics.
QFont monospaced(TypeStyle style, const QFont& base = QApplication::font());

} // namespace Type

// Sets the widget's font to a style, based on the application font (not the widget's current
// one, so calling it again does not compound).
void applyTypeStyle(QWidget* widget, TypeStyle style, std::optional<QFont::Weight> weight = {});
