#include "FakeRelay.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <sys/types.h>

namespace {
const char* const dirVariable = "WRENBOX_FAKE_RELAY_DIR";

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("FakeRelay: cannot write %s", qPrintable(path));
}
} // namespace

FakeRelay::FakeRelay()
    : m_previousDir(qgetenv(dirVariable))
    , m_hadPreviousDir(qEnvironmentVariableIsSet(dirVariable)) {
    QDir(m_dir.path()).mkpath(QStringLiteral("pids"));
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

void FakeRelay::script(const QStringList& args, const Stream& stream, const QByteArray& err,
                       long repeat) const {
    // Must match the fake relay's own key: FNV-1a of the tab-joined arguments.
    quint64 hash = 14695981039346656037ull;
    for (const char c : args.join(QLatin1Char('\t')).toUtf8())
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    const QString base = m_dir.filePath(QStringLiteral("%1").arg(hash, 16, 16, QLatin1Char('0')));
    QByteArray conf = QStringLiteral("stayAlive %1\nexitCode %2\ntermExitCode %3\nignoreTerm %4\n"
                                     "repeat %5\nchildren %6\n")
                          .arg(stream.stayAlive)
                          .arg(stream.exitCode)
                          .arg(stream.termExitCode)
                          .arg(stream.ignoreTerm)
                          .arg(repeat)
                          .arg(stream.children.size())
                          .toUtf8();
    for (qsizetype i = 0; i < stream.children.size(); ++i)
        conf += "child" + QByteArray::number(i) + ' ' +
                QByteArray::number(int(stream.children[i])) + '\n';
    for (qsizetype i = 0; i < stream.chunks.size(); ++i) {
        conf += "pause" + QByteArray::number(i) + ' ' + QByteArray::number(stream.chunks[i].first) +
                '\n';
        write(base + u'.' + QString::number(i), stream.chunks[i].second);
    }
    write(base + QStringLiteral(".err"), err);
    // The script goes last: the fake treats a command line as answered once it exists.
    write(base + QStringLiteral(".conf"),
          conf + "chunks " + QByteArray::number(stream.chunks.size()) + '\n');
}

void FakeRelay::reply(const QStringList& args, const QByteArray& out, int exitCode, int delayMs,
                      const QByteArray& err) {
    script(args, {.chunks = {{delayMs, out}}, .stayAlive = false, .exitCode = exitCode}, err);
}

void FakeRelay::flood(const QStringList& args, const QByteArray& out, long times) {
    script(args, {.chunks = {{0, out}}, .stayAlive = false}, {}, times);
}

void FakeRelay::runStream(const Stream& stream) {
    const QStringList run{"relay", "run", "--events", "json"};
    script(run, stream, stream.err);
    script(run + QStringList{"--dry-run"}, stream, stream.err);
}

QList<QStringList> FakeRelay::calls() const {
    QFile file(m_dir.filePath(QStringLiteral("calls.log")));
    QList<QStringList> result;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty())
                result.append(QString::fromUtf8(line).split(QLatin1Char('\t')));
    }
    return result;
}

bool FakeRelay::isAlive(qint64 pid, bool zombies) {
    // A zombie has ended; it only waits to be reaped. The state follows "(comm)" in its stat.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype at = text.lastIndexOf(')') + 2;
    const char state = at > 1 && at < text.size() ? text.at(at) : '?';
    return (zombies || state != 'Z') && state != 'X';
}

QList<qint64> FakeRelay::livePids(bool zombies) const {
    QList<qint64> result;
    for (const QString& name : QDir(m_dir.filePath(QStringLiteral("pids"))).entryList(QDir::Files))
        if (isAlive(name.toLongLong(), zombies))
            result.append(name.toLongLong());
    return result;
}

bool FakeRelay::writeExecutable(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString FakeRelay::writeUnlaunchable(const QString& path) {
    if (!writeExecutable(path, "#!/nonexistent/interpreter\n"))
        return {};
    QProcess bare;
    bare.start(path, {});
    return bare.waitForStarted() ? QString() : bare.errorString();
}
