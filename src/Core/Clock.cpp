#include "Core/Clock.h"

#include <QTimer>

#include <coroutine>

ClockTimer::~ClockTimer() {
    // A waiting coroutine must not be stranded when its timer goes away with its owner.
    if (m_pending) {
        m_pending = false;
        Q_EMIT finished(false);
    }
}

void ClockTimer::cancel() {
    if (!m_pending)
        return;
    m_pending = false;
    Q_EMIT finished(false);
}

void ClockTimer::fire() {
    if (!m_pending)
        return;
    m_pending = false;
    m_elapsed = true;
    Q_EMIT finished(true);
}

namespace {
// Waits for a timer's finished(). The wake-up is queued on the clock, not on the timer, so it
// still arrives when the timer dies with its owner (a wake-up queued on the timer would be
// dropped with it, stranding the coroutine).
struct TimerAwaiter {
    QPointer<ClockTimer> timer;
    Clock* clock;
    bool elapsed = false;

    bool await_ready() {
        if (timer && timer->isPending())
            return false;
        elapsed = timer && timer->hasElapsed();
        return true;
    }
    void await_suspend(std::coroutine_handle<> waiter) {
        QObject::connect(
            timer.data(), &ClockTimer::finished, clock,
            [this, waiter](bool done) {
                elapsed = done;
                waiter.resume();
            },
            Qt::QueuedConnection);
    }
    bool await_resume() const { return elapsed; }
};
} // namespace

QCoro::Task<bool> Clock::sleep(std::chrono::milliseconds duration, QObject* owner,
                               QPointer<ClockTimer>* handle) {
    ClockTimer* timer = startTimer(duration, owner);
    if (handle)
        *handle = timer;
    QPointer<ClockTimer> guard = timer;
    // A named awaiter lives in the frame; g++ 12 may destroy a temporary one before resuming.
    TimerAwaiter awaiter{guard, this};
    const bool elapsed = co_await awaiter;
    if (guard)
        guard->deleteLater();
    co_return elapsed;
}

namespace {
class SystemTimer final : public ClockTimer {
public:
    SystemTimer(std::chrono::milliseconds duration, QObject* owner)
        : ClockTimer(owner) {
        m_timer.setSingleShot(true);
        // Coarse timers may fire 5 % early or late: every wait here is meant as said.
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { fire(); });
        m_timer.start(duration);
    }

private:
    QTimer m_timer;
};
} // namespace

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

ClockTimer* SystemClock::startTimer(std::chrono::milliseconds duration, QObject* owner) {
    return new SystemTimer(duration, owner);
}
