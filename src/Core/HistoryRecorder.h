#pragma once

#include "Core/RelayPhase.h"

#include <QObject>

class AppModel;
class Clock;
class HistoryStore;

// Feeds the history from the model: the app starting and stopping, each new phase (a new kind,
// pause source or attention reason; a sync that only renews the age is not news), the relay
// starting and exiting, pauses and resumes with their end, wake-ups, pairing and unpairing.
class HistoryRecorder : public QObject {
    Q_OBJECT
public:
    // Records that the app started; its end is recorded when the recorder goes.
    HistoryRecorder(AppModel& model, HistoryStore& store, Clock& clock, QObject* parent = nullptr);
    ~HistoryRecorder() override;

    // The phase's name as the history keeps it ("online", "paused-by-server",
    // "attention:relayStopped" …).
    static QString phaseName(const RelayPhase& phase);

private:
    void phaseChanged();
    void pauseChanged();
    void statusChanged();
    void runningChanged();
    void exited();

    AppModel& m_model;
    HistoryStore& m_store;
    Clock& m_clock;
    QString m_phase;
    bool m_paused = false;
    QString m_pausedBy;
    std::optional<QDateTime> m_pausedUntil;
    std::optional<bool> m_paired; // as last recorded, once the status is known
    bool m_running = false;
};
