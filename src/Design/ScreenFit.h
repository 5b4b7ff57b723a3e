#pragma once

#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

// Keeps top-level windows whole on the screen they open on: the desktop will not move a
// window that grew past the bottom edge, and a button below it cannot be reached.
namespace ScreenFit {

// `frame` moved as little as possible to lie inside `area`; a frame larger than the area keeps
// its top-left corner in it.
QRect inside(const QRect& frame, const QRect& area);

// The largest size the window's contents may take: its screen's available geometry less the
// window's frame (title bar and borders, once the window manager has added them).
QSize room(const QWidget* window);

// Moves a visible window so that its whole frame lies in its screen's available geometry.
void keepOnScreen(QWidget* window);

// Does keepOnScreen() whenever the window is shown, grows, or gets its frame from the window
// manager. A move by the user is left alone.
void watch(QWidget* window);

// Fills `host` with a frameless, vertically scrolling area whose content widget (`widget()`)
// takes the host's width: where the screen is shorter than the content, it scrolls inside.
QScrollArea* scrollingColumn(QWidget* host);

} // namespace ScreenFit
