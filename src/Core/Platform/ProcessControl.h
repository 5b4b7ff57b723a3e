#pragma once

#include <QtGlobal>

class QProcess;

// Keeps what the app starts from outliving it, as far as the system allows. Every QProcess the
// app starts is prepared here first; the shell adopts orphans once at start-up, reaps them on
// each child exit and ends them at quit.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;

    // Before start: the process gets its own process group, ends when the app ends (even when
    // the app is killed) with everything it starts, and counts as the app's own, so that only
    // its QProcess reaps it.
    virtual void prepare(QProcess& process) = 0;
    // From now on, a descendant whose parent exits becomes the app's child instead of the
    // system's, so that it can still be found and ended. Once, at start-up.
    virtual void adoptOrphans() = 0;
    // Ends every adopted descendant that came from a prepared process, with everything it
    // started, and reaps what has exited. Adopted processes the app started otherwise (a
    // browser opened for a link) are left alone.
    virtual void endOrphans() = 0;
    // Reaps adopted descendants that have exited; call whenever a child exits.
    virtual void reapOrphans() = 0;

    enum class Stop { Terminate, Kill };
    // Signals the group of a prepared process that has not been reaped yet, and the process
    // itself in case it has not made its group yet.
    virtual void stopGroup(qint64 leader, Stop how) = 0;
    // Kills what is left in the group of a prepared process that was reaped: its id may be in
    // use again, its group id is not while the group has members.
    virtual void killLeftovers(qint64 group) = 0;
};
