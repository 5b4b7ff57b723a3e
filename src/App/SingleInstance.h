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
    };

    // A hand-over larger than this is dropped.
    static constexpr qint64 maxMessageBytes = 64 * 1024;

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The per-user socket path in $XDG_RUNTIME_DIR (or Qt's private fallback).
    static QString defaultSocketPath();

    // Becomes the first copy, or hands `arguments` to the running one.
    Role claim(const QStringList& arguments);

    const QString& socketPath() const { return m_path; }

Q_SIGNALS:
    // Another copy was started with these arguments (program name excluded).
    void argumentsReceived(const QStringList& arguments);

private:
    bool handOver(const QStringList& arguments, bool* refused);
    void accept();
    void read(QLocalSocket* socket);

    QString m_path;
    QPointer<QLocalServer> m_server;
};
