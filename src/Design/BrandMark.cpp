#include "Design/BrandMark.h"

#include "Design/Accessible.h"
#include "Design/DrawnIcon.h"
#include "Design/Palette.h"
#include "Design/SpeechBubbleShape.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

namespace {

// Proportions of the mark, as fractions of its side.
constexpr qreal tileRadius = 0.27;
constexpr qreal dotDiameter = 0.088;
constexpr qreal dotSpacing = 0.075;
constexpr qreal dotLift = 0.035;

} // namespace

namespace BrandMark {

void paint(QPainter& painter, const QRectF& rect) {
    const qreal s = qMin(rect.width(), rect.height());
    if (s <= 0)
        return;
    const QRectF square(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    QLinearGradient gradient(square.topLeft(), square.bottomRight());
    gradient.setColorAt(0, Palette::brandTileStart().resolve(Appearance::Light));
    gradient.setColorAt(1, Palette::brandTileEnd().resolve(Appearance::Light));
    painter.setBrush(gradient);
    painter.drawRoundedRect(square, tileRadius * s, tileRadius * s);

    painter.setBrush(Qt::white);
    painter.drawPath(SpeechBubbleShape::path(square));

    // Three dots in a centred row, lifted to the bubble's vertical centre.
    painter.setBrush(Palette::brandDot().resolve(Appearance::Light));
    const qreal d = dotDiameter * s;
    const qreal step = d + dotSpacing * s;
    const QPointF centre(square.center().x(), square.center().y() - dotLift * s);
    for (int i = -1; i <= 1; ++i)
        painter.drawEllipse(QPointF(centre.x() + i * step, centre.y()), d / 2, d / 2);

    painter.restore();
}

QPixmap pixmap(qreal size, qreal devicePixelRatio) {
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1;
    const int side = qCeil(size * dpr);
    if (side <= 0)
        return {};
    QPixmap result(side, side);
    result.setDevicePixelRatio(dpr);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paint(painter, QRectF(0, 0, size, size));
    painter.end();
    return result;
}

QIcon icon() {
    // Window managers take a window's icon at small sizes, and every offered size is drawn and
    // sent to the display when a window opens. Launchers and task switchers show the installed
    // icon of the desktop entry, which goes up to 256.
    return DrawnIcon::make([](int size, qreal dpr) { return pixmap(size, dpr); },
                           {16, 24, 32, 48, 64});
}

void setAsApplicationIcon() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
        QGuiApplication::windowIcon().isNull())
        QGuiApplication::setWindowIcon(icon());
}

} // namespace BrandMark

BrandMarkView::BrandMarkView(qreal size, QWidget* parent)
    : QWidget(parent)
    , m_size(size) {
    // The app's name always stands beside it.
    Accessible::hide(this);
    setFixedSize(BrandMarkView::sizeHint());
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

QSize BrandMarkView::sizeHint() const {
    return QSize(qCeil(m_size), qCeil(m_size));
}

void BrandMarkView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    BrandMark::paint(painter, QRectF(0, 0, m_size, m_size));
}
