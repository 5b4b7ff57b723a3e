#pragma once

#include "Core/Platform/Platform.h"

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into quitRequested(), and SIGCHLD into childExited(), on the
// main thread: the handler only writes the signal number into a socket pair, which a
// QSocketNotifier reads. One per process; made on the main thread, which it unblocks them in.
class UnixSignals final : public SystemSignals {
    Q_OBJECT
public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override; // restores the default handlers

    bool isActive() const { return m_notifier != nullptr; }

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};
