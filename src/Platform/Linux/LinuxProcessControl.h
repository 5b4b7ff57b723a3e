#pragma once

#include "Core/Platform/ProcessControl.h"

#include <QList>
#include <QPointer>
#include <QProcess>

// Linux: the app is the child subreaper of everything it starts, and each prepared process gets
// a parent-death signal. Adopted orphans are found in /proc and reaped one by one: waiting for
// any child would steal the exit status of a QProcess. What the relays start carries a mark
// unique to this run; a keeper process (wrenbox-keeper), started with the first prepared
// process, ends every process with the mark once the app has ended, even by SIGKILL.
class LinuxProcessControl final : public ProcessControl {
public:
    // `keeper`: the keeper program; none: no keeper (what the relays start may then outlive a
    // crash of the app).
    explicit LinuxProcessControl(QString keeper = {});
    ~LinuxProcessControl() override; // the keeper sees the app end, and ends with it
    LinuxProcessControl(const LinuxProcessControl&) = delete;
    LinuxProcessControl& operator=(const LinuxProcessControl&) = delete;

    void prepare(QProcess& process) override;
    void adoptOrphans() override;
    void endOrphans() override;
    void reapOrphans() override;
    void stopGroup(qint64 leader, Stop how) override;
    void killLeftovers(qint64 group) override;

private:
    // The app's children that no prepared QProcess owns.
    QList<qint64> adopted() const;
    void startKeeper();

    QList<QPointer<QProcess>> m_owned;
    QString m_keeper;
    QByteArray m_mark;     // this run's value of the mark: process id and a random token
    int m_keeperPipe = -1; // the write end; the keeper holds the read end
    bool m_keeperTried = false;
};
