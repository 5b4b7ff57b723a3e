#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// Keeps one copy of the app per user. The first copy listens on a socket in the user's private
// runtime folder; a later copy hands it its command-line arguments and quits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        First,  // listening; later copies hand over to this one
        Second, // the arguments went to the running copy: quit now
        Alone,  // no socket could be set up; run without the guarantee
        Failed, // the socket path is held but nothing took the hand-over: failure() says why
    };

    // A hand-over larger than this is dropped.
    static constexpr qint64 maxMessageBytes = qint64(64) * 1024;

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket path for the user `userId` in the private runtime folder (or Qt's fallback).
    static QString defaultSocketPath(const QString& userId);

    // Becomes the first copy, or hands `arguments` to the running one.
    Role claim(const QStringList& arguments);

    const QString& socketPath() const { return m_path; }
    // Why the last claim() failed, for the user; empty unless it returned Role::Failed.
    const QString& failure() const { return m_failure; }

Q_SIGNALS:
    // Another copy was started with these arguments (program name excluded).
    void argumentsReceived(const QStringList& arguments);

private:
    // Dropped: the connection ended unanswered; Failed: no answer in time, or no connection.
    enum class HandOver { Acknowledged, NotFound, Refused, Dropped, Failed };
    HandOver handOver(const QStringList& arguments);
    void accept();
    void read(QLocalSocket* socket);

    QString m_path;
    QString m_failure;
    QPointer<QLocalServer> m_server;
};
