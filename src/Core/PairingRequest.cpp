#include "Core/PairingRequest.h"

void PairingRequest::setPending(const std::optional<MacPairLink>& link) {
    if (m_pending == link)
        return;
    m_pending = link;
    Q_EMIT pendingChanged();
}
