#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <exception>
#include <optional>

// The error of every relay operation. Thrown by RelayCLI; its description is what the user sees.
class RelayError : public std::exception {
    Q_DECLARE_TR_FUNCTIONS(RelayError)
public:
    enum class Kind { Failed, Unreadable, MissingHelper };

    static RelayError failed(std::optional<QString> code, QString message);
    // Keeps at most the first 200 bytes of `output`, decoded as UTF-8 (invalid sequences replaced).
    static RelayError unreadable(const QByteArray& output);
    static RelayError missingHelper();

    Kind kind() const { return m_kind; }
    const std::optional<QString>& code() const { return m_code; } // Failed only
    const QString& message() const { return m_message; }          // Failed only
    const QString& payload() const { return m_payload; }          // Unreadable only

    // The text shown to the user.
    QString description() const;
    const char* what() const noexcept override { return "RelayError"; }

    bool operator==(const RelayError& other) const;

private:
    RelayError(Kind kind)
        : m_kind(kind) {}
    Kind m_kind;
    std::optional<QString> m_code;
    QString m_message;
    QString m_payload;
};

// A relay process that could not be started: the platform's own error text, unchanged.
class RelayLaunchError : public std::exception {
public:
    explicit RelayLaunchError(QString message)
        : m_message(std::move(message)) {}
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return "RelayLaunchError"; }

private:
    QString m_message;
};
