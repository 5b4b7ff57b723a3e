#pragma once

#include "Design/DynamicColor.h"

class QWidget;

// Every colour the views use. Each is made once, on first use.
namespace Palette {

const DynamicColor& canvas();
const DynamicColor& surface2();
const DynamicColor& text2();
const DynamicColor& text3();
const DynamicColor& primary();
const DynamicColor& success();
const DynamicColor& warning();
const DynamicColor& danger();
const DynamicColor& info();

// The brand colours are the same in every appearance.
const DynamicColor& brandTileStart();
const DynamicColor& brandTileEnd();
const DynamicColor& brandDot();

// Resolves against the appearance the widget is drawn in (the application's for null).
QColor color(const DynamicColor& color, const QWidget* widget);

} // namespace Palette
