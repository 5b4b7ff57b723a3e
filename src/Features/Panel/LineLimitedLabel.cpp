#include "Features/Panel/LineLimitedLabel.h"

#include "Core/Shortened.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {
// More characters than a line of the widest label on any screen can hold. A longer text is cut
// here before it is laid out: only a few lines of it can ever show, and laying out a relay's
// megabyte-long message would stall the panel.
constexpr qsizetype charsPerLine = 400;
} // namespace

LineLimitedLabel::LineLimitedLabel(int maxLines, QWidget* parent)
    : QWidget(parent)
    , m_maxLines(std::max(maxLines, 1)) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void LineLimitedLabel::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    m_shown = shortened(text, charsPerLine * m_maxLines);
    m_cut = m_shown != text;
    setAccessibleName(m_shown);
    updateGeometry();
    update();
}

void LineLimitedLabel::setColor(const QColor& color) {
    QPalette p = palette();
    if (p.color(QPalette::WindowText) == color)
        return;
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QStringList LineLimitedLabel::lines(int width) const {
    QStringList result;
    if (m_shown.isEmpty() || width <= 0)
        return result;
    const QFontMetrics metrics(font());
    QTextLayout layout(m_shown, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (result.size() < m_maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (result.size() == m_maxLines - 1) {
            // The last line allowed takes the rest of the text, elided to fit.
            const QString rest = m_shown.mid(line.textStart()).simplified();
            result.append(metrics.elidedText(rest, Qt::ElideRight, width));
            break;
        }
        result.append(m_shown.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return result;
}

bool LineLimitedLabel::isElided(int width) const {
    const QStringList drawn = lines(width);
    return !drawn.isEmpty() && (m_cut || (drawn.constLast().endsWith(QChar(0x2026)) &&
                                          !m_text.endsWith(QChar(0x2026))));
}

int LineLimitedLabel::heightForWidth(int width) const {
    const qsizetype count = std::max<qsizetype>(lines(width).size(), 1);
    return int(count) * QFontMetrics(font()).lineSpacing();
}

QSize LineLimitedLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    const int width = std::min(metrics.horizontalAdvance(m_shown), 40 * metrics.averageCharWidth());
    return {width, heightForWidth(std::max(width, 1))};
}

QSize LineLimitedLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {4 * metrics.averageCharWidth(), metrics.lineSpacing()};
}

void LineLimitedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    int y = metrics.ascent();
    for (const QString& line : lines(width())) {
        painter.drawText(QPoint(0, y), line);
        y += metrics.lineSpacing();
    }
}
