#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <exception>
#include <optional>

// The error of every relay operation, launch failures included. Thrown by RelayCLI; its
// description is what the user sees, and what() the same text in UTF-8 for the log.
class RelayError : public std::exception {
    Q_DECLARE_TR_FUNCTIONS(RelayError)
public:
    enum class Kind { Failed, Unreadable, MissingHelper, Launch };

    static RelayError failed(std::optional<QString> code, QString message);
    // Keeps at most the first 200 bytes of `output`, decoded as UTF-8 (invalid sequences replaced).
    static RelayError unreadable(const QByteArray& output);
    static RelayError missingHelper();
    // The relay process could not be started; `platformText` is shown unchanged.
    static RelayError launchFailed(QString platformText);

    Kind kind() const { return m_kind; }
    const std::optional<QString>& code() const { return m_code; } // Failed only
    const QString& message() const { return m_message; }          // Failed and Launch only
    const QString& payload() const { return m_payload; }          // Unreadable only

    // The text shown to the user.
    QString description() const;
    const char* what() const noexcept override { return m_what.constData(); }

    bool operator==(const RelayError& other) const;

private:
    RelayError(Kind kind)
        : m_kind(kind) {}
    RelayError& described(); // fills m_what once the fields are set
    Kind m_kind;
    std::optional<QString> m_code;
    QString m_message;
    QString m_payload;
    QByteArray m_what;
};

// A relay process that could not be started: a RelayError of kind Launch, whose message is the
// platform's own error text.
class RelayLaunchError : public RelayError {
public:
    explicit RelayLaunchError(QString message)
        : RelayError(launchFailed(std::move(message))) {}
};
