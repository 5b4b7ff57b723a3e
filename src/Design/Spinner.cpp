#include "Design/Spinner.h"

#include <QPainter>
#include <QTimerEvent>

Spinner::Spinner(int size, QWidget* parent)
    : QWidget(parent)
    , m_size(size) {
    setFixedSize(size, size);
    setAccessibleName(tr("Checking"));
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = qMax(1.5, m_size / 8.0);
    const QRectF box = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.15);
    painter.setPen(QPen(track, pen));
    painter.drawEllipse(box);
    QColor arc = palette().color(QPalette::WindowText);
    arc.setAlphaF(0.6);
    painter.setPen(QPen(arc, pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(box, -m_angle * 16, 100 * 16);
}

void Spinner::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId())
        return QWidget::timerEvent(event);
    m_angle = (m_angle + 30) % 360;
    update();
}

void Spinner::showEvent(QShowEvent*) {
    m_timer.start(80, this);
}

void Spinner::hideEvent(QHideEvent*) {
    m_timer.stop();
}
