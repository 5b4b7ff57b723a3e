#include "Platform/Linux/LinuxProcessControl.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Marks the processes started from a prepared one, so that an adopted orphan can be told from
// one the app started otherwise; its value is the app's process id.
const QString ownerVariable = QStringLiteral("WRENBOX_RELAY_OWNER");

QList<qint64> childrenOf(const QString& process) {
    QList<qint64> found;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(process);
    const QStringList threads = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& thread : threads) {
        QFile file(tasks + QLatin1Char('/') + thread + QStringLiteral("/children"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> pids = file.readAll().split(' ');
        for (const QByteArray& pid : pids) {
            if (const qint64 value = pid.trimmed().toLongLong(); value > 0)
                found.append(value);
        }
    }
    return found;
}

bool startedByThisApp(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false; // gone, a zombie, or not ours to look at
    const QByteArray wanted =
        ownerVariable.toLatin1() + '=' + QByteArray::number(qint64(::getpid()));
    const QList<QByteArray> variables = file.readAll().split('\0');
    return variables.contains(wanted);
}

// `pid` and everything below it, parents first.
void collectTree(qint64 pid, QList<qint64>& into) {
    into.append(pid);
    const QList<qint64> children = childrenOf(QString::number(pid));
    for (const qint64 child : children) {
        if (!into.contains(child))
            collectTree(child, into);
    }
}

} // namespace

void LinuxProcessControl::prepare(QProcess& process) {
    m_owned.removeIf([](const QPointer<QProcess>& owned) { return owned.isNull(); });
    m_owned.append(&process);

    QProcessEnvironment environment = process.processEnvironment();
    if (environment.isEmpty())
        environment = QProcessEnvironment::systemEnvironment();
    environment.insert(ownerVariable, QString::number(qint64(::getpid())));
    process.setProcessEnvironment(environment);

    const pid_t app = ::getpid();
    process.setChildProcessModifier([app] {
        ::setpgid(0, 0);
        // Sent when the forking thread (the main thread) ends, so also when the app is killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != app)
            ::_exit(127); // the app is already gone: the signal would never come
    });
}

void LinuxProcessControl::adoptOrphans() {
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

QList<qint64> LinuxProcessControl::adopted() const {
    QList<qint64> owned;
    for (const QPointer<QProcess>& process : m_owned) {
        if (process && process->processId() > 0)
            owned.append(process->processId());
    }
    QList<qint64> result = childrenOf(QStringLiteral("self"));
    result.removeIf([&owned](qint64 pid) { return owned.contains(pid); });
    return result;
}

void LinuxProcessControl::endOrphans() {
    // The whole tree is listed before anything is signalled: a killed parent hands its
    // children on, and they must not slip through.
    QList<qint64> doomed;
    const QList<qint64> orphans = adopted();
    for (const qint64 orphan : orphans) {
        if (startedByThisApp(orphan))
            collectTree(orphan, doomed);
    }
    for (const qint64 pid : std::as_const(doomed))
        ::kill(pid_t(pid), SIGKILL);
    reapOrphans();
}

void LinuxProcessControl::reapOrphans() {
    const QList<qint64> orphans = adopted();
    for (const qint64 orphan : orphans) {
        int status = 0;
        ::waitpid(pid_t(orphan), &status, WNOHANG);
    }
}

void LinuxProcessControl::stopGroup(qint64 leader, Stop how) {
    if (leader <= 0)
        return;
    const int signal = how == Stop::Kill ? SIGKILL : SIGTERM;
    ::kill(-pid_t(leader), signal);
    ::kill(pid_t(leader), signal); // in case the child has not made its group yet
}

void LinuxProcessControl::killLeftovers(qint64 group) {
    if (group > 0)
        ::kill(-pid_t(group), SIGKILL);
}
