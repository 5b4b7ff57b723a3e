#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <optional>
#include <variant>

// Progress of the batch of texts going out: `done` of `total`.
struct RelayBatch {
    qint64 done = 0;
    qint64 total = 0;

    bool inProgress() const { return total > 0 && done < total; }
    bool finished() const { return done >= total; }
    bool operator==(const RelayBatch&) const = default;
};

// What the whole app is doing, as one value. Only one icon can show, so this is a single value
// with an ordered derivation, never a set of flags.
class RelayPhase {
public:
    enum class Kind { Idle, Sending, Paused, Attention, Starting };

    // Something the user has to act on.
    class Attention {
    public:
        enum class Kind { RelayStopped, NotPaired, FullDiskAccess, Automation, UpdateRequired };

        static Attention relayStopped(QString text) {
            return {Kind::RelayStopped, std::move(text)};
        }
        static Attention notPaired() { return {Kind::NotPaired, {}}; }
        static Attention fullDiskAccess() { return {Kind::FullDiskAccess, {}}; }
        static Attention automation() { return {Kind::Automation, {}}; }
        static Attention updateRequired() { return {Kind::UpdateRequired, {}}; }

        Kind kind() const { return m_kind; }
        // The error shown while the relay is stopped; empty for the other kinds.
        const QString& text() const { return m_text; }

        bool operator==(const Attention&) const = default;

    private:
        Attention(Kind kind, QString text)
            : m_kind(kind)
            , m_text(std::move(text)) {}
        Kind m_kind;
        QString m_text;
    };

    // Until the first refresh has finished.
    RelayPhase() = default;

    static RelayPhase idle(std::optional<QDateTime> lastSync) {
        return {Idle{std::move(lastSync)}};
    }
    static RelayPhase sending(qint64 done, qint64 total) { return {Sending{done, total}}; }
    // `until`: when a pause the user set for a while ends by itself.
    static RelayPhase paused(bool byServer, std::optional<QDateTime> until = std::nullopt) {
        return {Paused{byServer, std::move(until)}};
    }
    static RelayPhase attention(Attention attention) { return {std::move(attention)}; }
    static RelayPhase starting() { return {}; }

    Kind kind() const;

    // Payload accessors; each gives its neutral value for a phase of another kind.
    std::optional<QDateTime> lastSync() const;
    qint64 done() const;
    qint64 total() const;
    bool byServer() const;
    std::optional<QDateTime> pausedUntil() const;
    std::optional<Attention> attention() const;

    // For test output and debugging, e.g. "sending(1, 3)".
    QString debugText() const;

    bool operator==(const RelayPhase&) const = default;

    // Everything the phase depends on.
    struct Inputs {
        bool loaded = false;
        bool paired = false;
        bool updateRequired = false;
        bool sendingEnabled = true;
        bool chatdbFails = false;
        bool automationCheckFails = false;
        bool permissionDenied = false;
        bool userPaused = false;
        std::optional<QDateTime> pausedUntil;
        std::optional<QString> relayError;
        bool relayRunning = false;
        std::optional<RelayBatch> batch;
        std::optional<QDateTime> lastSyncAt;
    };
    // The ordered rules: the first that holds gives the phase.
    static RelayPhase derive(const Inputs& in);

private:
    struct Idle {
        std::optional<QDateTime> lastSync;
        bool operator==(const Idle&) const = default;
    };
    struct Sending {
        qint64 done = 0;
        qint64 total = 0;
        bool operator==(const Sending&) const = default;
    };
    struct Paused {
        bool byServer = false;
        std::optional<QDateTime> until;
        bool operator==(const Paused&) const = default;
    };
    struct Starting {
        bool operator==(const Starting&) const = default;
    };
    // Alternatives in the order of Kind.
    using Value = std::variant<Idle, Sending, Paused, Attention, Starting>;

    RelayPhase(Value value)
        : m_value(std::move(value)) {}
    Value m_value = Starting{};
};

Q_DECLARE_METATYPE(RelayPhase)
Q_DECLARE_METATYPE(RelayBatch)
