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

// The application and window icon, at the usual icon sizes.
QIcon icon();

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
