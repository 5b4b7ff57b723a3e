#include "Core/Clock.h"

#include <QTimer>

#include <qcoro/qcorosignal.h>

ClockTimer::~ClockTimer()
{
    // A waiting coroutine must not be stranded when its timer goes away with its owner.
    if (m_pending) {
        m_pending = false;
        Q_EMIT finished(false);
    }
}

void ClockTimer::cancel()
{
    if (!m_pending)
        return;
    m_pending = false;
    Q_EMIT finished(false);
}

void ClockTimer::fire()
{
    if (!m_pending)
        return;
    m_pending = false;
    Q_EMIT finished(true);
}

QCoro::Task<bool> Clock::sleep(std::chrono::milliseconds duration, QObject* owner,
                               QPointer<ClockTimer>* handle)
{
    ClockTimer* timer = startTimer(duration, owner);
    if (handle)
        *handle = timer;
    QPointer<ClockTimer> guard = timer;
    const auto elapsed = co_await qCoro(timer, &ClockTimer::finished);
    if (guard && !guard->isPending())
        guard->deleteLater();
    co_return elapsed;
}

Clock& Clock::system()
{
    static SystemClock clock;
    return clock;
}

namespace {
class SystemTimer final : public ClockTimer {
public:
    SystemTimer(std::chrono::milliseconds duration, QObject* owner) : ClockTimer(owner)
    {
        m_timer.setSingleShot(true);
        // Long waits (the poll, restart pauses) tolerate coarse wake-ups; that lets the
        // system batch them and keeps an idle app idle.
        m_timer.setTimerType(duration >= std::chrono::seconds(1) ? Qt::CoarseTimer
                                                                 : Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { fire(); });
        m_timer.start(duration);
    }

private:
    QTimer m_timer;
};
} // namespace

QDateTime SystemClock::now() const { return QDateTime::currentDateTimeUtc(); }

ClockTimer* SystemClock::startTimer(std::chrono::milliseconds duration, QObject* owner)
{
    return new SystemTimer(duration, owner);
}
