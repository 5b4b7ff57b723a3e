#include "Core/PairingRequest.h"

PairingRequest& PairingRequest::shared() {
    static PairingRequest instance;
    return instance;
}

void PairingRequest::setPending(const std::optional<MacPairLink>& link) {
    if (m_pending == link)
        return;
    m_pending = link;
    Q_EMIT pendingChanged();
}
