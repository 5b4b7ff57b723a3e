#include "App/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
// Each connection is local and answers at once; these bound a copy that hangs.
constexpr int connectTimeoutMs = 1000;
constexpr int writeTimeoutMs = 2000;

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

QString SingleInstance::defaultSocketPath() {
    // The runtime folder is private to the user (0700), so no one else can hand us links.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("wrenbox-%1.socket").arg(::getuid()));
}

SingleInstance::Role SingleInstance::claim(const QStringList& arguments) {
    // Two copies starting together take turns, so only one of them can become the first.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(writeTimeoutMs))
        return Role::Alone;

    bool refused = false;
    if (handOver(arguments, &refused))
        return Role::Second;

    auto* server = new QLocalServer(this);
    // NoOptions: any other option silently replaces a live copy's socket.
    server->setSocketOptions(QLocalServer::NoOptions);
    bool listening = server->listen(m_path);
    if (!listening && refused && server->serverError() == QAbstractSocket::AddressInUseError) {
        // The socket file outlived a copy that was killed.
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

bool SingleInstance::handOver(const QStringList& arguments, bool* refused) {
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        *refused = socket.error() == QLocalSocket::ConnectionRefusedError;
        return false;
    }
    socket.write(encode(arguments));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(writeTimeoutMs))
            break;
    }
    // Wait for the first copy to close its end, so it has read everything before we quit.
    socket.waitForReadyRead(writeTimeoutMs);
    socket.disconnectFromServer();
    return true;
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
