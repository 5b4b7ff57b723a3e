#include "Core/RelayPhase.h"

RelayPhase::Kind RelayPhase::kind() const {
    return static_cast<Kind>(m_value.index());
}

std::optional<QDateTime> RelayPhase::lastSync() const {
    if (const auto* idle = std::get_if<Idle>(&m_value))
        return idle->lastSync;
    return std::nullopt;
}

qint64 RelayPhase::done() const {
    if (const auto* sending = std::get_if<Sending>(&m_value))
        return sending->done;
    return 0;
}

qint64 RelayPhase::total() const {
    if (const auto* sending = std::get_if<Sending>(&m_value))
        return sending->total;
    return 0;
}

bool RelayPhase::byServer() const {
    if (const auto* paused = std::get_if<Paused>(&m_value))
        return paused->byServer;
    return false;
}

std::optional<QDateTime> RelayPhase::pausedUntil() const {
    if (const auto* paused = std::get_if<Paused>(&m_value))
        return paused->until;
    return std::nullopt;
}

std::optional<RelayPhase::Attention> RelayPhase::attention() const {
    if (const auto* attention = std::get_if<Attention>(&m_value))
        return *attention;
    return std::nullopt;
}

QString RelayPhase::debugText() const {
    switch (kind()) {
    case Kind::Idle: {
        const auto sync = lastSync();
        return QStringLiteral("idle(%1)")
            .arg(sync ? sync->toString(Qt::ISODateWithMs) : QStringLiteral("none"));
    }
    case Kind::Sending:
        return QStringLiteral("sending(%1, %2)").arg(done()).arg(total());
    case Kind::Paused:
        return QStringLiteral("paused(byServer: %1)").arg(byServer() ? "true" : "false");
    case Kind::Starting:
        return QStringLiteral("starting");
    case Kind::Attention:
        break;
    }
    const auto a = *attention();
    switch (a.kind()) {
    case Attention::Kind::RelayStopped:
        return QStringLiteral("attention(relayStopped(%1))").arg(a.text());
    case Attention::Kind::NotPaired:
        return QStringLiteral("attention(notPaired)");
    case Attention::Kind::FullDiskAccess:
        return QStringLiteral("attention(fullDiskAccess)");
    case Attention::Kind::Automation:
        return QStringLiteral("attention(automation)");
    case Attention::Kind::UpdateRequired:
        return QStringLiteral("attention(updateRequired)");
    }
    return {};
}

RelayPhase RelayPhase::derive(const Inputs& in) {
    if (!in.loaded)
        return starting();
    if (!in.paired)
        return attention(Attention::notPaired());
    if (in.updateRequired)
        return attention(Attention::updateRequired());
    if (in.chatdbFails)
        return attention(Attention::fullDiskAccess());
    if (in.permissionDenied || in.automationCheckFails)
        return attention(Attention::automation());
    if (in.userPaused)
        return paused(false, in.pausedUntil);
    if (!in.sendingEnabled)
        return paused(true);
    // While the relay runs, an old error text does not hide what it is doing.
    if (in.relayError && !in.relayRunning)
        return attention(Attention::relayStopped(*in.relayError));
    if (in.batch && in.batch->inProgress())
        return sending(in.batch->done, in.batch->total);
    return idle(in.lastSyncAt);
}
