#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP, and SIGCHLD, into Qt signals on the main thread: the handler
// only writes the signal number into a socket pair, which a QSocketNotifier reads. One per
// process.
class UnixSignals : public QObject {
    Q_OBJECT
public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override; // restores the default handlers

    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber); // a request to quit
    void childExited();              // one or more children ended

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};
