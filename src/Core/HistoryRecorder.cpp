#include "Core/HistoryRecorder.h"

#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Core/History.h"
#include "Core/Relay/RelayRunner.h"
#include "Core/Shortened.h"

namespace {
using Entry = HistoryEntry;
// Enough of what the relay said to tell why; the diagnostics keep the rest.
constexpr qsizetype reasonChars = 500;

QString attentionName(RelayPhase::Attention::Kind kind) {
    using A = RelayPhase::Attention::Kind;
    switch (kind) {
    case A::RelayStopped:
        return QStringLiteral("relayStopped");
    case A::NotPaired:
        return QStringLiteral("notPaired");
    case A::FullDiskAccess:
        return QStringLiteral("fullDiskAccess");
    case A::Automation:
        return QStringLiteral("automation");
    case A::UpdateRequired:
        return QStringLiteral("updateRequired");
    }
    return {};
}
} // namespace

QString HistoryRecorder::phaseName(const RelayPhase& phase) {
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
        return QStringLiteral("online");
    case RelayPhase::Kind::Sending:
        return QStringLiteral("sending");
    case RelayPhase::Kind::Paused:
        return phase.byServer() ? QStringLiteral("paused-by-server") : QStringLiteral("paused");
    case RelayPhase::Kind::Attention:
        return QStringLiteral("attention:") + attentionName(phase.attention()->kind());
    case RelayPhase::Kind::Starting:
        break;
    }
    return QStringLiteral("starting");
}

HistoryRecorder::HistoryRecorder(AppModel& model, HistoryStore& store, Clock& clock,
                                 QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_store(store)
    , m_clock(clock) {
    m_store.record({m_clock.now(), Entry::Kind::AppStarted, {}, 0, 0, {}});
    connect(&m_model, &AppModel::phaseChanged, this, &HistoryRecorder::phaseChanged);
    connect(&m_model, &AppModel::userPausedChanged, this, &HistoryRecorder::pauseChanged);
    connect(&m_model, &AppModel::pausedUntilChanged, this, &HistoryRecorder::pauseChanged);
    connect(&m_model, &AppModel::statusChanged, this, &HistoryRecorder::statusChanged);
    connect(&m_model, &AppModel::relayRunningChanged, this, &HistoryRecorder::runningChanged);
    connect(&m_model, &AppModel::relayExitsChanged, this, &HistoryRecorder::exited);
    connect(&m_model, &AppModel::wokeUp, this, [this] {
        m_store.record({m_clock.now(), Entry::Kind::Woke, {}, 0, 0, {}});
    });
    phaseChanged();
}

HistoryRecorder::~HistoryRecorder() {
    m_store.record({m_clock.now(), Entry::Kind::AppStopped, {}, 0, 0, {}});
}

void HistoryRecorder::phaseChanged() {
    const RelayPhase phase = m_model.phase();
    const QString name = phaseName(phase);
    const QString text =
        phase.attention() ? shortened(phase.attention()->text(), reasonChars) : QString();
    if (name != m_phase)
        m_store.record({m_clock.now(), Entry::Kind::Phase, name, 0, 0, text});
    m_phase = name;
    // The server's pauses come only with the phase.
    const bool byServer = phase.kind() == RelayPhase::Kind::Paused && phase.byServer();
    if (byServer != (m_pausedBy == QLatin1String("server"))) {
        m_store.record({m_clock.now(),
                        byServer ? Entry::Kind::Paused : Entry::Kind::Resumed,
                        QStringLiteral("server"),
                        0,
                        0,
                        {}});
        m_pausedBy = byServer ? QStringLiteral("server") : QString();
    }
}

void HistoryRecorder::pauseChanged() {
    const bool paused = m_model.userPaused();
    const std::optional<QDateTime> until = m_model.pausedUntil();
    if (paused == m_paused && until == m_pausedUntil)
        return;
    m_paused = paused;
    m_pausedUntil = until;
    const qint64 end = paused && until ? until->toMSecsSinceEpoch() : 0;
    m_store.record({m_clock.now(),
                    paused ? Entry::Kind::Paused : Entry::Kind::Resumed,
                    QStringLiteral("user"),
                    end,
                    0,
                    {}});
}

void HistoryRecorder::statusChanged() {
    if (!m_model.loaded())
        return;
    const RelayStatus& status = m_model.status();
    // The first status after start-up is what was, not news.
    if (m_paired && *m_paired != status.paired) {
        m_store.record({m_clock.now(),
                        status.paired ? Entry::Kind::Paired : Entry::Kind::Unpaired,
                        status.device ? status.device->name : QString(),
                        0,
                        0,
                        {}});
    }
    m_paired = status.paired;
}

void HistoryRecorder::runningChanged() {
    const bool running = m_model.relayRunning();
    if (running && !m_running)
        m_store.record({m_clock.now(), Entry::Kind::RelayStarted, {}, 0, 0, {}});
    m_running = running;
}

void HistoryRecorder::exited() {
    if (m_model.relayExits().isEmpty())
        return;
    const RelayExit& exit = m_model.relayExits().constLast();
    m_store.record({exit.at,
                    Entry::Kind::RelayExited,
                    exit.signal ? QStringLiteral("signal") : QString(),
                    exit.code,
                    qint64(exit.ran.count()),
                    {}});
}
