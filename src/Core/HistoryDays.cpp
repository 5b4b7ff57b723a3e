#include "Core/HistoryDays.h"

#include <algorithm>

HistoryState historyState(const QString& phase) {
    if (phase == QLatin1String("sending"))
        return HistoryState::Sending;
    if (phase.startsWith(QLatin1String("paused")))
        return HistoryState::Paused;
    if (phase == QLatin1String("attention:relayStopped"))
        return HistoryState::Stopped;
    if (phase.startsWith(QLatin1String("attention:")))
        return HistoryState::Attention;
    return HistoryState::Online; // online, starting
}

namespace {

// Times are milliseconds since the epoch here: a week at a change a minute is ten thousand
// entries, and every comparison of local QDateTimes would work out the time zone again.
struct Span {
    qint64 from;
    qint64 to;
    HistoryState state;
    QString phase;
    QString text;
};

QDateTime utc(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

class Days {
public:
    Days(const QDateTime& now, int count) {
        const QDate today = now.toLocalTime().date();
        for (int i = count - 1; i >= -1; --i) {
            const QDate date = today.addDays(-i);
            m_midnights.append(QDateTime(date, QTime(0, 0)).toMSecsSinceEpoch());
            if (i >= 0)
                m_days.append({date, {}, 0, 0});
        }
    }
    qint64 start() const { return m_midnights.first(); }
    // The day `ms` falls in; -1 before the first.
    qsizetype dayOf(qint64 ms) const {
        return std::upper_bound(m_midnights.begin(), m_midnights.end(), ms) - m_midnights.begin() -
               1;
    }

    // Cuts `span` at midnights into the days, merging with the segment before when equal.
    void add(Span span) {
        while (span.from < span.to) {
            const qsizetype day = dayOf(span.from);
            if (day < 0 || day >= m_days.size())
                return;
            const qint64 to = std::min(span.to, m_midnights.at(day + 1));
            HistoryDay& into = m_days[day];
            if ((span.state == HistoryState::Online && span.phase != u"starting") ||
                span.state == HistoryState::Sending)
                into.onlineMs += to - span.from;
            HistorySegment* last = into.segments.isEmpty() ? nullptr : &into.segments.last();
            if (last && last->state == span.state && last->phase == span.phase &&
                last->text == span.text && last->to.toMSecsSinceEpoch() == span.from)
                last->to = utc(to);
            else
                into.segments.append({utc(span.from), utc(to), span.state, span.phase, span.text});
            span.from = to;
        }
    }
    void countRestart(qint64 at) {
        const qsizetype day = dayOf(at);
        if (day >= 0 && day < m_days.size())
            ++m_days[day].restarts;
    }
    QList<HistoryDay> take() { return std::move(m_days); }

private:
    QList<qint64> m_midnights; // of each day and of the day after the last
    QList<HistoryDay> m_days;
};
} // namespace

QList<HistoryDay> historyDays(const QList<HistoryEntry>& entries, const QDateTime& now, int count) {
    Days days(now, count);
    const qint64 start = days.start();
    const qint64 end = std::max(now.toMSecsSinceEpoch(), start);

    Span current{start, start, HistoryState::Off, {}, {}};
    qint64 lastSeen = start;
    const auto moveTo = [&](qint64 at, HistoryState state, const QString& phase,
                            const QString& text) {
        current.to = std::max(at, current.from);
        days.add(current);
        current = {current.to, current.to, state, phase, text};
    };
    for (const HistoryEntry& entry : entries) {
        const qint64 exact = entry.at.toMSecsSinceEpoch();
        const qint64 at = std::clamp(exact, start, end);
        switch (entry.kind) {
        case HistoryEntry::Kind::AppStarted:
            // A start without an end before it: the app ended unseen, after its last entry.
            if (current.state != HistoryState::Off)
                moveTo(lastSeen, HistoryState::Off, {}, {});
            moveTo(at, HistoryState::Online, QStringLiteral("starting"), {});
            break;
        case HistoryEntry::Kind::AppStopped:
            moveTo(at, HistoryState::Off, {}, {});
            break;
        case HistoryEntry::Kind::Phase:
            moveTo(at, historyState(entry.value), entry.value, entry.text);
            break;
        case HistoryEntry::Kind::RelayExited:
            if (exact >= start)
                days.countRestart(exact);
            break;
        default:
            break;
        }
        lastSeen = at;
    }
    moveTo(end, current.state, current.phase, current.text);
    return days.take();
}
