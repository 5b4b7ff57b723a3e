#include "ManualClock.h"

#include <tuple>

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
    m_entries.removeIf([](const Entry& e) { return !e.timer || !e.timer->isPending(); });
    auto* timer = new Timer(owner ? owner : this);
    m_entries.append(Entry{timer, m_elapsed + std::max(duration, {}), m_started++});
    return timer;
}

const ManualClock::Entry* ManualClock::earliest() const {
    const Entry* best = nullptr;
    for (const Entry& e : m_entries) {
        if (e.timer && e.timer->isPending() &&
            (!best || std::tie(e.due, e.order) < std::tie(best->due, best->order)))
            best = &e;
    }
    return best;
}

void ManualClock::advance(std::chrono::milliseconds span) {
    const auto target = m_elapsed + span;
    // Firing may start or cancel other timers; the entries are searched afresh each round.
    for (const Entry* next = earliest(); next && next->due <= target; next = earliest()) {
        m_now = m_now.addMSecs((next->due - m_elapsed).count());
        m_elapsed = next->due;
        next->timer->trigger();
    }
    m_now = m_now.addMSecs((target - m_elapsed).count());
    m_elapsed = target;
}

int ManualClock::pendingTimers() const {
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const Entry& e) { return e.timer && e.timer->isPending(); }));
}

std::optional<std::chrono::milliseconds> ManualClock::nextDue() const {
    const Entry* next = earliest();
    return next ? std::optional(next->due - m_elapsed) : std::nullopt;
}
