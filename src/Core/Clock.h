#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <chrono>

#include <qcoro/qcorotask.h>

// A one-shot wake-up handed out by a Clock. It emits finished() exactly once: with true when its
// time ran out, with false when it was cancelled (by cancel() or by being destroyed while
// pending).
class ClockTimer : public QObject {
    Q_OBJECT
public:
    explicit ClockTimer(QObject* parent = nullptr)
        : QObject(parent) {}
    ~ClockTimer() override;

    bool isPending() const { return m_pending; }
    bool hasElapsed() const { return m_elapsed; }
    void cancel();

Q_SIGNALS:
    void finished(bool elapsed);

protected:
    // Called by the clock that made this timer.
    void fire();

private:
    bool m_pending = true;
    bool m_elapsed = false;
};

// The source of time for everything that waits: the poll, the restart pause, the batch hold and
// the rest. Production uses the system clock and QTimer; tests advance a manual clock by hand.
class Clock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Wall-clock time, for timestamps shown to the user.
    virtual QDateTime now() const = 0;

    // Starts a one-shot timer of `duration`, owned by `owner` (deleting the owner cancels it).
    virtual ClockTimer* startTimer(std::chrono::milliseconds duration, QObject* owner) = 0;

    // Sleeps for `duration`. Resumes with true when the time ran out, false when `*handle` was
    // cancelled or `owner` was destroyed meanwhile; always on a later turn of the event loop,
    // never inside cancel() or the owner's destructor, so the caller's state is settled by then.
    // `handle`, if given, receives the timer so the caller can cancel the sleep.
    QCoro::Task<bool> sleep(std::chrono::milliseconds duration, QObject* owner,
                            QPointer<ClockTimer>* handle = nullptr);
};

// Wall clock plus QTimer.
class SystemClock final : public Clock {
    Q_OBJECT
public:
    using Clock::Clock;
    QDateTime now() const override;
    ClockTimer* startTimer(std::chrono::milliseconds duration, QObject* owner) override;
};
