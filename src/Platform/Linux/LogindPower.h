#pragma once

#include "Core/Platform/PowerEvents.h"

#include <QObject>

// Wake-ups as logind announces them on the system bus (PrepareForSleep with false). Where
// there is no system bus or no logind, no signal ever comes and nothing else happens.
class LogindPower final : public QObject, public PowerEvents {
    Q_OBJECT
public:
    using QObject::QObject;

    void setWakeHandler(std::function<void()> handler) override;

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    bool m_listening = false;
    std::function<void()> m_handler;
};
