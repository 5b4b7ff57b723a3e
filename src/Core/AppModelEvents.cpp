// What the long-running relay's events and exits do to the model: counters, feed and batch.

#include "Core/AppModel.h"

#include "Core/Log.h"

#include "Core/Clock.h"
#include "Core/Relay/RelayRunner.h"
#include "Core/Tasks.h"

#include <limits>

namespace {
// Counts come from the relay and the server: a hostile value must not overflow.
qint64 plus(qint64 a, qint64 b) {
    qint64 sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<qint64>::max() : sum;
}
} // namespace

void AppModel::handle(const RelayEvent& event) {
    using Kind = RelayEvent::Kind;
    const OneStep step(*this);
    switch (event.kind) {
    case Kind::Started:
        setRelayError(std::nullopt);
        break;
    case Kind::Synced:
        // Repeated syncs with nothing to do keep a single entry at the top of the feed.
        if (!synced(event))
            return;
        break;
    case Kind::Sent:
        countToday(&RelayToday::sent);
        advanceBatch();
        break;
    case Kind::Failed:
        countToday(&RelayToday::failed);
        advanceBatch();
        break;
    case Kind::Received:
        countToday(&RelayToday::received);
        break;
    case Kind::Paused:
    case Kind::Resumed:
    case Kind::Unknown:
        break;
    case Kind::UpdateRequired:
        updateRequired(event.updateUrl);
        break;
    case Kind::Unpaired:
        unpairedByRelay();
        break;
    case Kind::Error:
        setRelayError(event.message);
        break;
    }
    push(event);
}

bool AppModel::synced(const RelayEvent& event) {
    setLastSyncAt(event.at);
    setRelayError(std::nullopt);
    const qint64 jobs = event.jobs.value_or(0);
    if (jobs > 0) {
        if (m_batch && m_batch->inProgress()) {
            setBatch(RelayBatch{m_batch->done, plus(m_batch->total, jobs)});
        } else {
            ++m_batchSerial;
            setBatch(RelayBatch{0, jobs});
        }
    }
    return jobs > 0 || m_events.isEmpty() || m_events.first().kind != RelayEvent::Kind::Synced;
}

void AppModel::countToday(qint64 RelayToday::*counter) {
    RelayToday today = m_today;
    ++(today.*counter);
    setToday(today);
}

void AppModel::updateRequired(const std::optional<QString>& updateUrl) {
    RelayStatus status = m_status;
    status.updateRequired = true;
    if (updateUrl)
        status.updateUrl = updateUrl;
    setStatus(status);
    applyRunState();
}

void AppModel::unpairedByRelay() {
    RelayStatus status = m_status;
    status.paired = false;
    setStatus(status);
    m_runner->stop();
    detach(refresh(), "refresh after unpairing");
}

void AppModel::push(const RelayEvent& event) {
    QList<RelayEvent> events = m_events;
    events.prepend(event);
    if (events.size() > maxEvents)
        events.resize(maxEvents);
    setEvents(events);
}

void AppModel::advanceBatch() {
    if (!m_batch)
        return;
    const qint64 next = plus(m_batch->done, 1);
    const qint64 total = m_batch->total;
    setBatch(RelayBatch{std::min(next, total), total});
    // Texts past the end of a finished batch leave its hold as it is.
    if (next >= total && !(m_batchHold && m_batchHoldSerial == m_batchSerial))
        detach(clearFinishedBatch(m_batchSerial), "batch hold");
}

QCoro::Task<> AppModel::clearFinishedBatch(quint64 serial) {
    QPointer<AppModel> self(this);
    // An older batch's hold has nothing left to drop once a newer batch has finished.
    if (m_batchHold)
        m_batchHold->cancel();
    m_batchHoldSerial = serial;
    const bool elapsed = co_await sleepFor(batchHold, &m_batchHold);
    if (self && elapsed && serial == m_batchSerial && m_batch && m_batch->finished())
        setBatch(std::nullopt);
}

void AppModel::exited(int code) {
    // The process is gone: the phase may now show an error it held back while the relay ran.
    const OneStep step(*this);
    Q_EMIT relayExitsChanged();
    if (code == RelayRunner::stoppedForGood) {
        qCInfo(lcSupervisor, "the relay stopped for good (exit %d): not restarted", code);
        Q_EMIT relayStoppedForGood();
        detach(refresh(), "refresh after the relay stopped for good");
        return;
    }
    // A relay the model stopped on purpose is not an unexpected stop, and nothing restarts it.
    if (!m_runner->wanted())
        return;
    // A relay that keeps failing says so, whatever it last said itself.
    if (const int exits = m_runner->exitsWithin(crashLoopWindow); exits >= crashLoopExits) {
        setRelayError(tr("The relay keeps stopping (%1 times in 10 minutes). Setup has the "
                         "details.")
                          .arg(exits));
        return;
    }
    if (code == 0)
        return;
    if (!m_relayError)
        setRelayError(tr("The relay stopped (exit %1). Wrenbox restarts it.").arg(code));
}
