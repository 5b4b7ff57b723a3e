#include "Core/Coalescer.h"

#include "Core/Tasks.h"

#include <QCoreApplication>
#include <QList>

#include <coroutine>
#include <utility>

// Shared with the runs and the waiting requests, which may outlive the coalescer.
struct Coalescer::State {
    std::function<QCoro::Task<>()> job;
    bool alive = true;
    bool busy = false;
    quint64 requested = 0; // requests made so far
    quint64 started = 0;   // requests the current (or last) run answers
    quint64 answered = 0;  // requests whose run has ended
    struct Waiter {
        quint64 request;
        std::coroutine_handle<> handle;
    };
    QList<Waiter> waiters;
};

// Trivially destructible on purpose: g++ 12 may destroy an awaiter temporary twice.
struct Coalescer::Answer {
    State* state;
    quint64 request;
    bool await_ready() const noexcept { return !state->alive || state->answered >= request; }
    void await_suspend(std::coroutine_handle<> handle) { state->waiters.append({request, handle}); }
    void await_resume() const noexcept {}
};

Coalescer::Coalescer(std::function<QCoro::Task<>()> job)
    : m_state(std::make_shared<State>()) {
    m_state->job = std::move(job);
}

Coalescer::~Coalescer() {
    m_state->alive = false;
    m_state->job = {};
    // Resumed from the event loop: the owner is still half alive while it destroys us.
    const QList<State::Waiter> waiters = std::exchange(m_state->waiters, {});
    for (const State::Waiter& waiter : waiters) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [handle = waiter.handle] { handle.resume(); },
            Qt::QueuedConnection);
    }
}

bool Coalescer::busy() const {
    return m_state->busy;
}

QCoro::Task<> Coalescer::request() {
    const std::shared_ptr<State> state = m_state;
    const quint64 request = ++state->requested;
    if (!state->busy) {
        state->busy = true;
        detach(drive(state), "coalesced run");
    }
    co_await Answer{state.get(), request}; // `state` keeps it alive meanwhile
}

QCoro::Task<> Coalescer::drive(std::shared_ptr<State> state) {
    for (;;) {
        state->started = state->requested;
        try {
            co_await state->job();
        } catch (...) {
            // A run that fails still answers its requests; the job reports its own errors.
        }
        if (!state->alive)
            co_return;
        state->answered = state->started;
        const bool again = state->requested > state->started;
        state->busy = again;
        QList<State::Waiter> answered;
        QList<State::Waiter> waiting;
        for (const State::Waiter& waiter : std::as_const(state->waiters))
            (waiter.request <= state->answered ? answered : waiting).append(waiter);
        state->waiters = waiting;
        // A resumed caller may ask again (joining the next run, or starting a new drive when
        // none is queued) or destroy the owner.
        for (const State::Waiter& waiter : std::as_const(answered))
            waiter.handle.resume();
        if (!again || !state->alive)
            co_return;
    }
}
