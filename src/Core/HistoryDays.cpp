#include "Core/HistoryDays.h"

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

// Cuts [from, to) at local midnights into `days`, merging with the segment before when equal.
void add(QList<HistoryDay>& days, HistorySegment segment) {
    while (segment.from < segment.to) {
        const QDate date = segment.from.date();
        const QDateTime midnight(date.addDays(1), QTime(0, 0));
        HistorySegment piece = segment;
        piece.to = std::min(segment.to, midnight);
        segment.from = piece.to;
        const qint64 first = days.first().date.daysTo(date);
        if (first < 0 || first >= days.size())
            continue;
        HistoryDay& day = days[first];
        if ((piece.state == HistoryState::Online && piece.phase != u"starting") ||
            piece.state == HistoryState::Sending)
            day.onlineMs += piece.from.msecsTo(piece.to);
        if (!day.segments.isEmpty()) {
            HistorySegment& last = day.segments.last();
            if (last.state == piece.state && last.phase == piece.phase && last.text == piece.text &&
                last.to == piece.from) {
                last.to = piece.to;
                continue;
            }
        }
        day.segments.append(piece);
    }
}
} // namespace

QList<HistoryDay> historyDays(const QList<HistoryEntry>& entries, const QDateTime& now, int count) {
    const QDateTime end = now.toLocalTime();
    QList<HistoryDay> days;
    for (int i = count - 1; i >= 0; --i)
        days.append({end.date().addDays(-i), {}, 0, 0});
    const QDateTime start(days.first().date, QTime(0, 0));

    HistorySegment current{start, start, HistoryState::Off, {}, {}};
    QDateTime lastSeen = start;
    const auto moveTo = [&](const QDateTime& at, HistoryState state, const QString& phase,
                            const QString& text) {
        current.to = std::max(at, current.from);
        add(days, current);
        current = {current.to, current.to, state, phase, text};
    };
    for (const HistoryEntry& entry : entries) {
        const QDateTime at = std::clamp(entry.at.toLocalTime(), start, end);
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
        case HistoryEntry::Kind::RelayExited: {
            const qint64 day = days.first().date.daysTo(at.date());
            if (day >= 0 && day < days.size() && entry.at.toLocalTime() >= start)
                ++days[day].restarts;
            break;
        }
        default:
            break;
        }
        lastSeen = at;
    }
    moveTo(end, current.state, current.phase, current.text);
    return days;
}
