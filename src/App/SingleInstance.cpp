#include "App/SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <filesystem>

namespace {
// Each connection is local and answers at once; these bound a copy that hangs.
constexpr int connectTimeoutMs = 1000;
constexpr int writeTimeoutMs = 2000;
// A first copy answers as soon as its loop turns, even when busy; a stopped one never does.
constexpr int answerTimeoutMs = 5000;
// A copy killed a moment ago can keep its socket open for an instant through a child it was
// starting (forked, not yet running its program): that child holds our connection and drops it
// unanswered as it ends. Once it is gone the socket refuses, so asking again tells a dead copy
// from a live one; a live program that keeps hanging up gets no more tries than this.
constexpr int handOverTries = 3;

// A 32-bit length, then the arguments in UTF-8, each ended by a NUL (argv holds no NUL).
QByteArray encode(const QStringList& arguments) {
    QByteArray body;
    for (const QString& argument : arguments)
        body += argument.toUtf8() + '\0';
    QByteArray message;
    QDataStream header(&message, QIODevice::WriteOnly);
    header.setVersion(QDataStream::Qt_6_0);
    header << quint32(body.size());
    return message + body;
}
} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_path(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close(); // removes the socket file
}

QString SingleInstance::defaultSocketPath(const QString& userId) {
    // The runtime folder is private to the user (0700), so no one else can hand us links.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("wrenbox-%1.socket").arg(userId));
}

SingleInstance::Role SingleInstance::claim(const QStringList& arguments) {
    m_failure.clear();
    // Two copies starting together take turns, so only one of them can become the first.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(writeTimeoutMs))
        return Role::Alone;

    HandOver handed = handOver(arguments);
    for (int tries = 1; handed == HandOver::Dropped && tries < handOverTries; ++tries)
        handed = handOver(arguments);
    if (handed == HandOver::Acknowledged)
        return Role::Second;
    if (handed == HandOver::Failed || handed == HandOver::Dropped)
        return Role::Failed;

    auto* server = new QLocalServer(this);
    // NoOptions: any other option silently replaces a live copy's socket.
    server->setSocketOptions(QLocalServer::NoOptions);
    bool listening = server->listen(m_path);
    if (!listening && handed == HandOver::Refused &&
        server->serverError() == QAbstractSocket::AddressInUseError) {
        // A socket that refuses connections outlived a copy that was killed. Anything else at
        // the path is not ours to delete.
        std::error_code error;
        const std::filesystem::path path(QFile::encodeName(m_path).constData());
        if (!std::filesystem::is_socket(std::filesystem::symlink_status(path, error))) {
            delete server;
            m_failure = tr("%1 is in the way: it is not a socket, so Wrenbox cannot tell whether "
                           "another copy is running. Move it away and start Wrenbox again.")
                            .arg(m_path);
            return Role::Failed;
        }
        QLocalServer::removeServer(m_path);
        listening = server->listen(m_path);
    }
    if (!listening) {
        delete server;
        return Role::Alone;
    }
    m_server = server;
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return Role::First;
}

SingleInstance::HandOver SingleInstance::handOver(const QStringList& arguments) {
    m_failure.clear();
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        switch (socket.error()) {
        case QLocalSocket::ServerNotFoundError:
            return HandOver::NotFound;
        case QLocalSocket::ConnectionRefusedError:
            return HandOver::Refused;
        default:
            m_failure = tr("Wrenbox cannot reach the copy that is already running (%1): %2")
                            .arg(m_path, socket.errorString());
            return HandOver::Failed;
        }
    }
    const QDeadlineTimer deadline(answerTimeoutMs);
    socket.write(encode(arguments));
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    // Only the first copy's answer shows it took the arguments: a stopped copy, or some other
    // program listening there, would otherwise swallow them.
    while (socket.bytesAvailable() == 0 && socket.state() == QLocalSocket::ConnectedState &&
           !deadline.hasExpired())
        socket.waitForReadyRead(int(deadline.remainingTime()));
    const bool acknowledged = socket.read(1) == "k";
    const bool dropped = socket.state() == QLocalSocket::UnconnectedState;
    socket.abort();
    if (acknowledged)
        return HandOver::Acknowledged;
    m_failure = tr("Another copy of Wrenbox holds %1 but did not take this request. If it is "
                   "stuck or stopped, quit it and start Wrenbox again.")
                    .arg(m_path);
    return dropped ? HandOver::Dropped : HandOver::Failed;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = m_server ? m_server->nextPendingConnection() : nullptr) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        read(socket);
    }
}

void SingleInstance::read(QLocalSocket* socket) {
    constexpr qint64 headerBytes = sizeof(quint32);
    if (socket->bytesAvailable() < headerBytes)
        return;
    QDataStream header(socket->peek(headerBytes));
    header.setVersion(QDataStream::Qt_6_0);
    quint32 size = 0;
    header >> size;
    if (size > maxMessageBytes) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < headerBytes + qint64(size))
        return;
    socket->skip(headerBytes);
    const QByteArray body = socket->read(size);
    QStringList arguments;
    for (const QByteArray& part : body.split('\0'))
        arguments.append(QString::fromUtf8(part));
    arguments.removeLast(); // after the last NUL
    // Answer before acting, so the other copy can quit while we open windows.
    socket->write("k");
    socket->disconnectFromServer();
    // Acted on from the event loop, never inside the socket's own signal: a handler may open an
    // alert, whose event loop can delete the socket while this call is still on its stack.
    QMetaObject::invokeMethod(
        this, [this, arguments] { Q_EMIT argumentsReceived(arguments); }, Qt::QueuedConnection);
}
