#include "FakeRelay.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <sys/types.h>

namespace {
const char* const dirVariable = "WRENBOX_FAKE_RELAY_DIR";

// Must match the fake relay's own key: FNV-1a of the tab-joined arguments.
QString keyOf(const QStringList& args) {
    const QByteArray joined = args.join(QLatin1Char('\t')).toUtf8();
    quint64 hash = 14695981039346656037ull;
    for (const char c : joined) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return QStringLiteral("%1").arg(hash, 16, 16, QLatin1Char('0'));
}
} // namespace

FakeRelay::FakeRelay() {
    Q_ASSERT(m_dir.isValid());
    QDir(m_dir.path()).mkpath(QStringLiteral("pids"));
    m_hadPreviousDir = qEnvironmentVariableIsSet(dirVariable);
    m_previousDir = qgetenv(dirVariable);
    qputenv(dirVariable, QFile::encodeName(m_dir.path()));
}

FakeRelay::~FakeRelay() {
    for (const qint64 pid : livePids())
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    if (m_hadPreviousDir)
        qputenv(dirVariable, m_previousDir);
    else
        qunsetenv(dirVariable);
}

QString FakeRelay::helperPath() const {
    return QStringLiteral(WRENBOX_FAKE_RELAY);
}

void FakeRelay::write(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("FakeRelay: cannot write %s", qPrintable(file.fileName()));
}

void FakeRelay::reply(const QStringList& args, const QByteArray& out, int exitCode, int delayMs,
                      const QByteArray& err) {
    const QString base = QStringLiteral("reply-") + keyOf(args);
    write(base + QStringLiteral(".out"), out);
    if (err.isEmpty())
        QFile::remove(path(base + QStringLiteral(".err")));
    else
        write(base + QStringLiteral(".err"), err);
    // The settings go last: the fake treats a command line as answered once they exist.
    write(base + QStringLiteral(".conf"),
          QStringLiteral("exit %1\ndelay %2\n").arg(exitCode).arg(delayMs).toUtf8());
}

void FakeRelay::flood(const QStringList& args, const QByteArray& out, long times) {
    reply(args, out);
    write(QStringLiteral("reply-") + keyOf(args) + QStringLiteral(".conf"),
          "exit 0\ndelay 0\nrepeat " + QByteArray::number(qint64(times)) + '\n');
}

void FakeRelay::runStream(const Stream& stream) {
    QByteArray conf;
    conf += "stayAlive " + QByteArray::number(stream.stayAlive ? 1 : 0) + '\n';
    conf += "exitCode " + QByteArray::number(stream.exitCode) + '\n';
    conf += "termExitCode " + QByteArray::number(stream.termExitCode) + '\n';
    conf += "ignoreTerm " + QByteArray::number(stream.ignoreTerm ? 1 : 0) + '\n';
    conf += "spawnGrandchild " + QByteArray::number(stream.spawnGrandchild ? 1 : 0) + '\n';
    conf += "grandchildSetsid " + QByteArray::number(stream.grandchildOwnSession ? 1 : 0) + '\n';
    conf += "chunks " + QByteArray::number(stream.chunks.size()) + '\n';
    for (qsizetype i = 0; i < stream.chunks.size(); ++i) {
        conf += "pause" + QByteArray::number(i) + ' ' + QByteArray::number(stream.chunks[i].first) +
                '\n';
        write(QStringLiteral("stream-%1.chunk").arg(i), stream.chunks[i].second);
    }
    write(QStringLiteral("stream.err"), stream.err);
    write(QStringLiteral("stream.conf"), conf);
}

QList<QStringList> FakeRelay::calls() const {
    QFile file(path(QStringLiteral("calls.log")));
    QList<QStringList> result;
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (!line.isEmpty())
            result.append(QString::fromUtf8(line).split(QLatin1Char('\t')));
    }
    return result;
}

bool FakeRelay::isAlive(qint64 pid) {
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    // A zombie has ended; it only waits to be reaped. State is the field after "(comm)".
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size())
        return true;
    const char state = text.at(close + 2);
    return state != 'Z' && state != 'X';
}

QList<qint64> FakeRelay::livePids() const {
    QList<qint64> result;
    const QStringList names = QDir(path(QStringLiteral("pids"))).entryList(QDir::Files);
    for (const QString& name : names) {
        const qint64 pid = name.toLongLong();
        if (isAlive(pid))
            result.append(pid);
    }
    return result;
}

bool FakeRelay::writeExecutable(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString FakeRelay::writeUnlaunchable(const QString& path) {
    if (!writeExecutable(path, "#!/nonexistent/interpreter\n"))
        return {};
    QProcess bare;
    bare.start(path, {});
    return bare.waitForStarted() ? QString() : bare.errorString();
}
