#pragma once

#include "Core/Platform/ProcessControl.h"

#include <QList>
#include <QPointer>
#include <QProcess>

// Linux: the app is the child subreaper of everything it starts, and each prepared process gets
// a parent-death signal. Adopted orphans are found in /proc and reaped one by one: waiting for
// any child would steal the exit status of a QProcess.
class LinuxProcessControl final : public ProcessControl {
public:
    void prepare(QProcess& process) override;
    void adoptOrphans() override;
    void endOrphans() override;
    void reapOrphans() override;
    void stopGroup(qint64 leader, Stop how) override;
    void killLeftovers(qint64 group) override;

private:
    // The app's children that no prepared QProcess owns.
    QList<qint64> adopted() const;

    QList<QPointer<QProcess>> m_owned;
};
