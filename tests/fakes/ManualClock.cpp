#include "ManualClock.h"

class ManualClock::Timer final : public ClockTimer {
public:
    using ClockTimer::ClockTimer;
    void trigger() { fire(); }
};

ManualClock::ManualClock(QObject* parent)
    : Clock(parent)
    , m_now(QDateTime::fromString(QStringLiteral("2024-05-01T10:00:00Z"), Qt::ISODate)) {}

ManualClock::~ManualClock() = default;

ClockTimer* ManualClock::startTimer(std::chrono::milliseconds duration, QObject* owner) {
    prune();
    auto* timer = new Timer(owner ? owner : this);
    m_entries.append(
        Entry{timer, m_elapsed + std::max(duration, std::chrono::milliseconds(0)), m_started++});
    return timer;
}

void ManualClock::prune() {
    m_entries.removeIf([](const Entry& e) { return !e.timer || !e.timer->isPending(); });
}

std::optional<qsizetype> ManualClock::earliest() const {
    std::optional<qsizetype> best;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (!e.timer || !e.timer->isPending())
            continue;
        if (!best || e.due < m_entries[*best].due ||
            (e.due == m_entries[*best].due && e.order < m_entries[*best].order))
            best = i;
    }
    return best;
}

void ManualClock::advance(std::chrono::milliseconds span) {
    const auto target = m_elapsed + span;
    for (;;) {
        const auto index = earliest();
        if (!index || m_entries[*index].due > target)
            break;
        const Entry entry = m_entries.takeAt(*index);
        m_now = m_now.addMSecs((entry.due - m_elapsed).count());
        m_elapsed = entry.due;
        // Firing may start or cancel other timers; the list is searched afresh each round.
        entry.timer->trigger();
    }
    m_now = m_now.addMSecs((target - m_elapsed).count());
    m_elapsed = target;
    prune();
}

int ManualClock::pendingTimers() const {
    int count = 0;
    for (const Entry& e : m_entries)
        count += e.timer && e.timer->isPending() ? 1 : 0;
    return count;
}

std::optional<std::chrono::milliseconds> ManualClock::nextDue() const {
    const auto index = earliest();
    if (!index)
        return std::nullopt;
    return m_entries[*index].due - m_elapsed;
}
