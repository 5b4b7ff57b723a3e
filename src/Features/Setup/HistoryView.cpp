#include "Features/Setup/HistoryView.h"

#include "Core/Clock.h"
#include "Core/History.h"
#include "Core/RelayPhase.h"
#include "Design/Look.h"
#include "Design/Type.h"
#include "Features/Panel/ClockText.h"
#include "Features/Panel/StatusLine.h"

#include <QGridLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <array>
#include <cmath>

namespace {
using Kind = HistoryEntry::Kind;
using A = RelayPhase::Attention::Kind;

QString clock(const QDateTime& at) {
    return clockText(at, QLocale());
}

// The panel's own headline for an attention, so every screen tells it in the same words.
QString attentionWords(const QString& phase, const QString& text) {
    const QString reason = phase.section(u':', 1);
    const std::optional<A> kind = reason == u"notPaired"        ? std::optional(A::NotPaired)
                                  : reason == u"fullDiskAccess" ? std::optional(A::FullDiskAccess)
                                  : reason == u"automation"     ? std::optional(A::Automation)
                                  : reason == u"updateRequired" ? std::optional(A::UpdateRequired)
                                  : reason == u"relayStopped"   ? std::optional(A::RelayStopped)
                                                                : std::nullopt;
    if (!kind)
        return HistoryText::tr("Needs attention");
    const QString headline = StatusLine::headline(
        RelayPhase::attention(*kind == A::RelayStopped ? RelayPhase::Attention::relayStopped(text)
                              : *kind == A::NotPaired  ? RelayPhase::Attention::notPaired()
                              : *kind == A::FullDiskAccess ? RelayPhase::Attention::fullDiskAccess()
                              : *kind == A::Automation     ? RelayPhase::Attention::automation()
                                                       : RelayPhase::Attention::updateRequired()),
        {});
    // The relay's own words often begin with the headline already.
    if (text.isEmpty() || text.startsWith(headline))
        return text.isEmpty() ? headline : text;
    return HistoryText::tr("%1: %2").arg(headline, text);
}

constexpr std::array legendStates{HistoryState::Online,  HistoryState::Sending,
                                  HistoryState::Paused,  HistoryState::Attention,
                                  HistoryState::Stopped, HistoryState::Off};

QString legendWord(HistoryState state) {
    switch (state) {
    case HistoryState::Paused:
        return HistoryText::tr("Paused");
    case HistoryState::Attention:
        return HistoryText::tr("Needs attention");
    case HistoryState::Stopped:
        return HistoryText::tr("Stopped");
    case HistoryState::Off:
        return HistoryText::tr("Not running");
    default:
        return HistoryText::what(state, {}, {});
    }
}

QColor stateColor(HistoryState state, const QWidget* widget) {
    QColor fill = toneColor(HistoryText::tone(state), widget);
    if (state == HistoryState::Off)
        fill.setAlpha(90);
    return fill;
}
} // namespace

QString HistoryText::day(const QDate& date, const QDate& today) {
    if (date == today)
        return tr("Today");
    if (date == today.addDays(-1))
        return tr("Yesterday");
    return QLocale().toString(date, QStringLiteral("ddd d MMM"));
}

QString HistoryText::duration(qint64 ms) {
    const qint64 minutes = ms / 60'000;
    if (minutes < 60)
        return tr("%1 min").arg(minutes);
    return minutes % 60 == 0 ? tr("%1 h").arg(minutes / 60)
                             : tr("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

QString HistoryText::summary(const HistoryDay& day) {
    QString online = tr("Online %1").arg(duration(day.onlineMs));
    if (day.restarts == 0)
        return online;
    return online + QStringLiteral(" · ") +
           (day.restarts == 1 ? tr("1 restart") : tr("%1 restarts").arg(day.restarts));
}

QString HistoryText::what(HistoryState state, const QString& phase, const QString& text) {
    QString what;
    switch (state) {
    case HistoryState::Off:
        what = tr("Wrenbox was not running");
        break;
    case HistoryState::Online:
        what = phase == u"starting" ? tr("Starting") : tr("Online");
        break;
    case HistoryState::Sending:
        what = tr("Sending");
        break;
    case HistoryState::Paused:
        what = phase == u"paused-by-server" ? tr("Paused by the server") : tr("Paused by you");
        break;
    case HistoryState::Attention:
    case HistoryState::Stopped:
        what = attentionWords(phase, text);
        break;
    }
    return what;
}

QString HistoryText::segment(const HistorySegment& segment) {
    const QString what = HistoryText::what(segment.state, segment.phase, segment.text);
    // A segment that runs to midnight ends at 24:00, not at the next day's 00:00.
    const bool toMidnight =
        segment.to.toLocalTime().time() == QTime(0, 0) && segment.to > segment.from;
    return tr("%1, %2–%3")
        .arg(what, clock(segment.from), toMidnight ? QStringLiteral("24:00") : clock(segment.to));
}

QString HistoryText::entry(const HistoryEntry& entry) {
    switch (entry.kind) {
    case Kind::AppStarted:
        return tr("Wrenbox started");
    case Kind::AppStopped:
        return tr("Wrenbox quit");
    case Kind::Phase:
        return what(historyState(entry.value), entry.value, entry.text);
    case Kind::RelayStarted:
        return tr("The relay started");
    case Kind::RelayExited: {
        const QString ran = duration(entry.span).startsWith(u'0')
                                ? tr("%1 s").arg(entry.span / 1000)
                                : duration(entry.span);
        return entry.value == u"signal"
                   ? tr("The relay was ended (signal %1) after %2").arg(entry.number).arg(ran)
                   : tr("The relay exited (status %1) after %2").arg(entry.number).arg(ran);
    }
    case Kind::Paused:
        if (entry.value == u"server")
            return tr("The server paused sending");
        return entry.number > 0
                   ? tr("You paused sending until %1")
                         .arg(QLocale().toString(
                             QDateTime::fromMSecsSinceEpoch(entry.number).toLocalTime(),
                             QLocale::ShortFormat))
                   : tr("You paused sending");
    case Kind::Resumed:
        return entry.value == u"server" ? tr("The server resumed sending")
                                        : tr("You resumed sending");
    case Kind::Woke:
        return tr("The computer woke from sleep");
    case Kind::Paired:
        return tr("Paired as %1").arg(entry.value);
    case Kind::Unpaired:
        return tr("Unpaired");
    }
    return {};
}

QString HistoryText::line(const HistoryEntry& entry) {
    return entry.at.toUTC().toString(Qt::ISODate) + QStringLiteral("  ") +
           HistoryText::entry(entry);
}

Tone HistoryText::tone(HistoryState state) {
    switch (state) {
    case HistoryState::Online:
        return Tone::Success;
    case HistoryState::Sending:
        return Tone::Primary;
    case HistoryState::Paused:
        return Tone::Info;
    case HistoryState::Attention:
        return Tone::Warning;
    case HistoryState::Stopped:
        return Tone::Danger;
    case HistoryState::Off:
        break;
    }
    return Tone::Text3;
}

DayStrip::DayStrip(QWidget* parent)
    : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize DayStrip::sizeHint() const {
    return {240, QFontMetrics(font()).height()};
}

void DayStrip::setDay(const HistoryDay& day, const QString& label) {
    m_day = day;
    m_label = label;
    m_midnight = QDateTime(day.date, QTime(0, 0)).toMSecsSinceEpoch();
    // 23 or 25 hours where the clocks change.
    m_dayMs = QDateTime(day.date.addDays(1), QTime(0, 0)).toMSecsSinceEpoch() - m_midnight;
    m_columns.clear();
    m_current = std::clamp(m_current, 0, std::max(int(m_day.segments.size()) - 1, 0));
    setCurrent(m_current);
}

QRectF DayStrip::segmentRect(int index) const {
    const HistorySegment& s = m_day.segments.at(index);
    const qreal perMs = qreal(width() - 2) / qreal(std::max<qint64>(m_dayMs, 1));
    const qreal left = 1 + qreal(s.from.toMSecsSinceEpoch() - m_midnight) * perMs;
    return {left, 1.0, std::max(1.0, qreal(s.from.msecsTo(s.to)) * perMs), qreal(height() - 2)};
}

int DayStrip::segmentAt(const QPoint& point) const {
    for (int i = 0; i < m_day.segments.size(); ++i) {
        if (segmentRect(i).adjusted(-1, -2, 1, 2).contains(point))
            return i;
    }
    return -1;
}

void DayStrip::setCurrent(int index) {
    m_current = index;
    // A screen reader hears the day, then the segment the keyboard is at and the day's sum.
    const QString at = m_day.segments.isEmpty() ? HistoryText::tr("Nothing kept")
                                                : HistoryText::segment(m_day.segments.at(index));
    setAccessibleName(m_label);
    setAccessibleDescription(HistoryText::tr("%1. %2").arg(at, HistoryText::summary(m_day)));
    update();
}

void DayStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor off = toneColor(Tone::Text3, this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(off.red(), off.green(), off.blue(), 40));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    // A pixel column shows the gravest state within it, so that a stop of seconds still shows
    // and a busy day costs no more to draw than a quiet one.
    if (m_columns.size() != width()) {
        m_columns.fill(-1, width());
        for (int i = 0; i < m_day.segments.size(); ++i) {
            const QRectF r = segmentRect(i);
            const int first = std::clamp(int(r.left()), 0, width() - 1);
            const int last = std::clamp(int(std::ceil(r.right())) - 1, first, width() - 1);
            for (int x = first; x <= last; ++x)
                m_columns[x] = std::max<qint8>(m_columns[x], qint8(m_day.segments.at(i).state));
        }
    }
    for (int x = 0; x < m_columns.size();) {
        int end = x + 1;
        while (end < m_columns.size() && m_columns[end] == m_columns[x])
            ++end;
        if (m_columns[x] >= 0) {
            painter.setBrush(stateColor(HistoryState(m_columns[x]), this));
            painter.drawRect(QRectF(std::max(x, 1), 1, std::min(end, width() - 1) - std::max(x, 1),
                                    height() - 2));
        }
        x = end;
    }
    if (hasFocus() && !m_day.segments.isEmpty()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = segmentRect(m_current).toAlignedRect().adjusted(-1, -1, 1, 1);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(focus.rect);
    }
}

void DayStrip::keyPressEvent(QKeyEvent* event) {
    // Up and Down go from day to day: the seven strips are one stop for Tab.
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const auto strips = parentWidget()->findChildren<DayStrip*>(Qt::FindDirectChildrenOnly);
        const qsizetype to = strips.indexOf(this) + (event->key() == Qt::Key_Down ? 1 : -1);
        if (to >= 0 && to < strips.size())
            strips[to]->setFocus(Qt::OtherFocusReason);
        return;
    }
    const int step = event->key() == Qt::Key_Right ? 1 : event->key() == Qt::Key_Left ? -1 : 0;
    if (step == 0 || m_day.segments.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    setCurrent(std::clamp(m_current + step, 0, int(m_day.segments.size()) - 1));
    QToolTip::showText(mapToGlobal(segmentRect(m_current).center().toPoint()),
                       HistoryText::segment(m_day.segments.at(m_current)), this);
}

bool DayStrip::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int index = segmentAt(help->pos());
        if (index >= 0)
            QToolTip::showText(help->globalPos(), HistoryText::segment(m_day.segments.at(index)),
                               this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

HistoryLegend::HistoryLegend(QWidget* parent)
    : QWidget(parent) {
    QStringList words;
    for (const HistoryState state : legendStates)
        words << legendWord(state);
    // Read as one line; the strips tell each segment in words already.
    setAccessibleName(HistoryText::tr("Colours: %1").arg(words.join(QStringLiteral(", "))));
}

QSize HistoryLegend::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = 0;
    for (const HistoryState state : legendStates)
        width += metrics.height() + metrics.horizontalAdvance(legendWord(state)) + 14;
    return {width, metrics.height()};
}

void HistoryLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int swatch = metrics.height() * 2 / 3;
    int x = 0;
    for (const HistoryState state : legendStates) {
        const QString word = legendWord(state);
        painter.setPen(Qt::NoPen);
        painter.setBrush(stateColor(state, this));
        painter.drawRect(x, (height() - swatch) / 2, swatch, swatch);
        x += swatch + 4;
        painter.setPen(toneColor(Tone::Text2, this));
        painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignVCenter, word);
        x += metrics.horizontalAdvance(word) + 14;
    }
}

HistoryView::HistoryView(HistoryStore& store, Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_clock(clock) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    for (int row = 0; row < days; ++row) {
        auto* label = new QLabel(this);
        auto* strip = new DayStrip(this);
        if (row > 0)
            strip->setFocusPolicy(Qt::ClickFocus);
        auto* summary = new QLabel(this);
        label->setFont(Type::font(TypeStyle::Callout));
        summary->setFont(Type::font(TypeStyle::Caption));
        // The strip reads out its day, segments and summary itself.
        label->setBuddy(strip);
        grid->addWidget(label, row, 0);
        grid->addWidget(strip, row, 1);
        grid->addWidget(summary, row, 2);
        m_dayLabels.append(label);
        m_strips.append(strip);
        m_summaries.append(summary);
    }
    column->addLayout(grid);
    auto* legend = new HistoryLegend(this);
    legend->setFont(Type::font(TypeStyle::Caption));
    column->addWidget(legend);

    m_latestToggle = new QToolButton(this);
    m_latestToggle->setObjectName(QStringLiteral("latestEntries"));
    m_latestToggle->setText(tr("Latest entries"));
    m_latestToggle->setCheckable(true);
    m_latestToggle->setAutoRaise(true);
    m_latestToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_latest = new QLabel(this);
    m_latest->setObjectName(QStringLiteral("latest"));
    m_latest->setFont(Type::monospaced(TypeStyle::Caption));
    m_latest->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_latest->setTextFormat(Qt::PlainText);
    connect(m_latestToggle, &QToolButton::toggled, this, [this] { sync(); });
    column->addWidget(m_latestToggle, 0, Qt::AlignLeft);
    column->addWidget(m_latest);

    // Recorded entries come in bursts; one redraw for each burst, and none while hidden.
    connect(&m_store, &HistoryStore::changed, this, [this] {
        if (!isVisible() || std::exchange(m_pending, true))
            return;
        QTimer::singleShot(0, this, [this] {
            m_pending = false;
            sync();
        });
    });
    sync();
}

void HistoryView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    sync();
}

void HistoryView::sync() {
    const QDateTime now = m_clock.now();
    const QDate today = now.toLocalTime().date();
    const QDateTime start(today.addDays(1 - days), QTime(0, 0));
    const QList<HistoryDay> shown =
        historyDays(m_store.lastBefore(start) + m_store.since(start), now, days);
    for (int row = 0; row < days; ++row) {
        // Newest first.
        const HistoryDay& day = shown.at(days - 1 - row);
        const QString label = HistoryText::day(day.date, today);
        m_dayLabels[row]->setText(label);
        m_strips[row]->setDay(day, label);
        m_summaries[row]->setText(HistoryText::summary(day));
        Look::tint(m_summaries[row], Palette::text2());
    }
    const bool latest = m_latestToggle->isChecked();
    m_latestToggle->setArrowType(latest ? Qt::DownArrow : Qt::RightArrow);
    m_latest->setVisible(latest);
    if (!latest)
        return;
    QStringList lines;
    const QList<HistoryEntry> entries = m_store.latest(latestEntries);
    for (const HistoryEntry& entry : entries)
        lines.append(QLocale().toString(entry.at.toLocalTime(), QLocale::ShortFormat) +
                     QStringLiteral("  ") + HistoryText::entry(entry));
    m_latest->setText(lines.isEmpty() ? tr("Nothing kept yet.") : lines.join(u'\n'));
    Look::tint(m_latest, Palette::text2());
}
