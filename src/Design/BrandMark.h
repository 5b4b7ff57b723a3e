#pragma once

#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QWidget>

class QPainter;

// The logo: a green rounded tile with a white speech bubble holding three dots.
namespace BrandMark {

// Draws the mark as a square of side min(width, height), centred in the rectangle.
void paint(QPainter& painter, const QRectF& rect);

// The mark at a side of `size` device-independent pixels, rendered for a device pixel ratio.
QPixmap pixmap(qreal size, qreal devicePixelRatio);

// The window icon, offering the sizes window managers use (16 to 64), each drawn on demand.
QIcon icon();

// Makes icon() the application's window icon unless one is set. Call it before the first
// window or alert, not at start-up: the tray icon's own little window would otherwise carry
// every size of it to the display server while the app starts.
void setAsApplicationIcon();

} // namespace BrandMark

// The mark as a fixed-size widget. It is decoration only: not focusable, and hidden from
// assistive technologies.
class BrandMarkView : public QWidget {
    Q_OBJECT
public:
    explicit BrandMarkView(qreal size, QWidget* parent = nullptr);

    qreal markSize() const { return m_size; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_size;
};
