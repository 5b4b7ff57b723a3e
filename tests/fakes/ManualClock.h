#pragma once

#include "Core/Clock.h"

#include <QDateTime>
#include <QList>

#include <chrono>
#include <optional>

// A clock that moves only when the test says so. Timers fire inside advance(), in due order
// (ties in the order they were started), including timers started by the callbacks of fired
// timers when they fall due within the advanced span.
class ManualClock final : public Clock {
    Q_OBJECT
public:
    // Starts at 2024-05-01T10:00:00Z.
    explicit ManualClock(QObject* parent = nullptr);
    ~ManualClock() override;

    QDateTime now() const override { return m_now; }
    // The timer belongs to `owner` (to the clock when there is none).
    ClockTimer* startTimer(std::chrono::milliseconds duration, QObject* owner) override;

    void advance(std::chrono::milliseconds span);
    // Sets the wall time only; pending timers keep their remaining time.
    void setNow(const QDateTime& now) { m_now = now; }

    int pendingTimers() const;
    // Time until the earliest pending timer falls due; none when nothing is pending.
    std::optional<std::chrono::milliseconds> nextDue() const;

private:
    class Timer;
    struct Entry {
        QPointer<Timer> timer;
        std::chrono::milliseconds due; // on the clock's own monotonic scale
        quint64 order;
    };
    const Entry* earliest() const;

    QDateTime m_now;
    std::chrono::milliseconds m_elapsed{0};
    quint64 m_started = 0;
    QList<Entry> m_entries;
};
