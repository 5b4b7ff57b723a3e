#include "Platform/Linux/LinuxProcessControl.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Marks the processes started from a prepared one, so that an adopted orphan can be told from
// one the app started otherwise, and the keeper finds them after the app. Its value is unique to
// one run of the app: a process id alone may be reused.
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

bool carriesMark(qint64 pid, const QByteArray& mark) {
    QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false; // gone, a zombie, or not ours to look at
    const QList<QByteArray> variables = file.readAll().split('\0');
    return variables.contains(ownerVariable.toLatin1() + '=' + mark);
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

LinuxProcessControl::LinuxProcessControl(QString keeper)
    : m_keeper(std::move(keeper)) {
    QByteArray token(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(token.data()), 4);
    m_mark = QByteArray::number(qint64(::getpid())) + '-' + token.toHex();
}

LinuxProcessControl::~LinuxProcessControl() {
    if (m_keeperPipe >= 0)
        ::close(m_keeperPipe);
}

void LinuxProcessControl::startKeeper() {
    m_keeperTried = true;
    if (m_keeper.isEmpty())
        return;
    // Both ends close on exec: no relay may hold the pipe open past the app.
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        qWarning("Wrenbox: no pipe for the keeper (%s)", std::strerror(errno));
        return;
    }
    const QByteArray program = QFile::encodeName(m_keeper);
    char* const arguments[] = {const_cast<char*>(program.constData()), m_mark.data(), nullptr};
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, ends[0], 3); // clears close-on-exec, even on 3
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t none;
    ::sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int failure =
        ::posix_spawn(&pid, program.constData(), &actions, &attributes, arguments, environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(ends[0]);
    if (failure == 0) {
        m_keeperPipe = ends[1];
        return;
    }
    ::close(ends[1]);
    qWarning("Wrenbox: the keeper %s did not start (%s); what the relay starts may outlive a "
             "crash of the app",
             program.constData(), std::strerror(failure));
}

void LinuxProcessControl::prepare(QProcess& process) {
    if (!m_keeperTried)
        startKeeper(); // before the first relay, but not before the app's first window
    m_owned.removeIf([](const QPointer<QProcess>& owned) { return owned.isNull(); });
    m_owned.append(&process);

    QProcessEnvironment environment = process.processEnvironment();
    if (environment.isEmpty())
        environment = QProcessEnvironment::systemEnvironment();
    environment.insert(ownerVariable, QString::fromLatin1(m_mark));
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
        if (carriesMark(orphan, m_mark))
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
