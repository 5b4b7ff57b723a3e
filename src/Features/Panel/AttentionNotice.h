#pragma once

#include "Core/RelayPhase.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <chrono>
#include <functional>

class AppModel;
class Clock;
class Notifier;

// Tells the user, by a desktop notification, when Wrenbox comes to need them while it runs: the
// phase turns to attention, or the relay stops for good. What is found at start-up is left to
// Setup, which opens for it; the same reason is not told twice within an hour.
class AttentionNotice : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::hours quietFor{1};

    AttentionNotice(AppModel& model, Notifier& notifier, Clock& clock,
                    std::function<void()> openSetup, QObject* parent = nullptr);

private:
    void phaseChanged();
    void stoppedForGood();
    void send(const RelayPhase& phase);

    AppModel& m_model;
    Notifier& m_notifier;
    Clock& m_clock;
    std::function<void()> m_openSetup;
    RelayPhase m_last;
    bool m_wasLoaded = false;
    QHash<int, QDateTime> m_sent; // by attention kind
};
