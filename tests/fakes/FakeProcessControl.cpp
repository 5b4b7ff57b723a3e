#include "FakePlatform.h"

#include <QProcess>

#include <csignal>
#include <unistd.h>

void FakeProcessControl::prepare(QProcess& process) {
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
}

void FakeProcessControl::stopGroup(qint64 leader, Stop how) {
    if (leader <= 0)
        return;
    const int signal = how == Stop::Kill ? SIGKILL : SIGTERM;
    ::kill(-pid_t(leader), signal);
    ::kill(pid_t(leader), signal);
}

void FakeProcessControl::killLeftovers(qint64 group) {
    if (group > 0)
        ::kill(-pid_t(group), SIGKILL);
}
