#include "Features/Panel/AttentionNotice.h"

#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Core/Platform/Notifier.h"
#include "Features/Panel/StatusLine.h"

#include <QPointer>

AttentionNotice::AttentionNotice(AppModel& model, Notifier& notifier, Clock& clock,
                                 std::function<void()> openSetup, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_notifier(notifier)
    , m_clock(clock)
    , m_openSetup(std::move(openSetup))
    , m_last(model.phase())
    , m_wasLoaded(model.loaded()) {
    connect(&m_model, &AppModel::phaseChanged, this, &AttentionNotice::phaseChanged);
    connect(&m_model, &AppModel::relayStoppedForGood, this, &AttentionNotice::stoppedForGood);
}

void AttentionNotice::phaseChanged() {
    const RelayPhase phase = m_model.phase();
    const auto before = m_last.attention();
    const bool running = m_wasLoaded;
    m_last = phase;
    m_wasLoaded = m_model.loaded();
    const auto now = phase.attention();
    if (running && now && !(before && before->kind() == now->kind()))
        send(phase);
}

void AttentionNotice::stoppedForGood() {
    // With words from the relay, the phase tells of the stop itself.
    if (m_model.phase().attention())
        return;
    send(RelayPhase::attention(RelayPhase::Attention::relayStopped({})));
}

void AttentionNotice::send(const RelayPhase& phase) {
    if (!m_model.notifyAttention())
        return;
    const QDateTime now = m_clock.now();
    const int reason = int(phase.attention()->kind());
    if (const auto last = m_sent.constFind(reason);
        last != m_sent.constEnd() &&
        last->msecsTo(now) < std::chrono::milliseconds(quietFor).count())
        return;
    m_sent.insert(reason, now);
    QPointer<AttentionNotice> self(this);
    m_notifier.notify(StatusLine::headline(phase, now),
                      StatusLine::detail(phase, now).value_or(QString()), tr("Open Setup"), [self] {
                          if (self)
                              self->m_openSetup();
                      });
}
