#pragma once

#include <functional>
#include <memory>

#include <qcoro/qcorotask.h>

// Runs a job so that at most one run is under way and at most one more waits, however often
// the job is asked for: every request made while a run is under way joins the single next run.
// Each request is answered by a run that started after it, so nothing that prompted a request
// is missed.
class Coalescer {
public:
    explicit Coalescer(std::function<QCoro::Task<>()> job);
    // Starts no further run; whoever still waits resumes on a later turn of the event loop.
    ~Coalescer();
    Coalescer(const Coalescer&) = delete;
    Coalescer& operator=(const Coalescer&) = delete;

    // Completes once a run that started after this call has ended, or the coalescer is gone.
    QCoro::Task<> request();
    // From a request until the last run asked for has ended.
    bool busy() const;

private:
    struct State;
    struct Answer;
    static QCoro::Task<> drive(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state;
};
