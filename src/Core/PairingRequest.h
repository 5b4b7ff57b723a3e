#pragma once

#include "Core/MacPairLink.h"

#include <QObject>

#include <optional>

// The pairing link waiting for the Setup window's pairing rows, which clear it once applied.
// Not kept across launches; the app owns one.
class PairingRequest : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const std::optional<MacPairLink>& pending() const { return m_pending; }
    // Notifies only when the value differs from the current one.
    void setPending(const std::optional<MacPairLink>& link);

Q_SIGNALS:
    void pendingChanged();

private:
    std::optional<MacPairLink> m_pending;
};
