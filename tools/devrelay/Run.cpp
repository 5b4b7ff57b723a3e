// `relay run --events json --dry-run`: a relay that simulates sending the texts in its outbox.

#include "Commands.h"
#include "State.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLockFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace devrelay {

namespace {

// Exit status that tells the app not to restart the relay.
constexpr int stoppedForGood = 78;

int milliseconds(const char* variable, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(variable, &ok);
    return ok && value >= 0 ? value : fallback;
}

using Fields = std::initializer_list<std::pair<QString, QJsonValue>>;

// One event line: its kind, when it happened (RFC 3339 UTC with milliseconds) and its fields.
void printEvent(const QString& kind, Fields fields = {},
                const QDateTime& at = QDateTime::currentDateTimeUtc()) {
    QJsonObject object{{QStringLiteral("event"), kind},
                       {QStringLiteral("at"), at.toUTC().toString(Qt::ISODateWithMs)}};
    for (const auto& [key, value] : fields)
        object.insert(key, value);
    printLine(object);
}

// SIGTERM and SIGINT only write a byte to this pipe; the event loop does the rest.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool catchTermination() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGINT, &action, nullptr) == 0;
}

class Relay : public QObject {
public:
    explicit Relay(const StateStore& store)
        : m_store(store)
        , m_outbox(store)
        , m_syncMs(milliseconds("WRENBOX_DEVRELAY_SYNC_MS", 2000))
        , m_stepMs(milliseconds("WRENBOX_DEVRELAY_STEP_MS", 300))
        , m_replyMs(milliseconds("WRENBOX_DEVRELAY_REPLY_MS", 1500))
        , m_terminated(signalPipe[0], QSocketNotifier::Read) {
        m_syncTimer.setSingleShot(true);
        m_stepTimer.setSingleShot(true);
        connect(&m_syncTimer, &QTimer::timeout, this, [this] { sync(); });
        connect(&m_stepTimer, &QTimer::timeout, this, [this] { sendNext(); });
        connect(&m_terminated, &QSocketNotifier::activated, this, [this] { stop(0); });
    }

    void start() {
        printEvent(QStringLiteral("started"),
                   {{QStringLiteral("message"),
                     QStringLiteral("Dry run: texts are simulated, never sent.")}});
        m_syncTimer.start(0);
    }

private:
    void sync() {
        if (!m_store.load().pairing) {
            printEvent(
                QStringLiteral("unpaired"),
                {{QStringLiteral("message"), QStringLiteral("This computer isn't paired.")}});
            stop(stoppedForGood);
            return;
        }
        m_pending = m_outbox.claimAll();
        const QDateTime now = QDateTime::currentDateTimeUtc();
        m_store.modify([&](StateData& data) { data.lastSyncAt = now; }, nullptr);
        printEvent(QStringLiteral("synced"), {{QStringLiteral("jobs"), qint64(m_pending.size())}},
                   now);
        if (m_pending.isEmpty())
            m_syncTimer.start(m_syncMs);
        else
            m_stepTimer.start(m_stepMs);
    }

    void sendNext() {
        const Text text = m_pending.takeFirst();
        if (!text.readable) {
            count(&StateData::failed);
            printEvent(
                QStringLiteral("failed"),
                {{QStringLiteral("id"), text.id},
                 {QStringLiteral("error"), QStringLiteral("The queued text is unreadable.")}});
        } else if (!canReceiveTexts(text.to)) {
            count(&StateData::failed);
            printEvent(QStringLiteral("failed"),
                       {{QStringLiteral("id"), text.id},
                        {QStringLiteral("error"),
                         QStringLiteral("%1 can't receive texts: not a number in E.164 form.")
                             .arg(text.to)}});
        } else {
            count(&StateData::sent);
            printEvent(QStringLiteral("sent"), {{QStringLiteral("id"), text.id}});
            if (text.body.contains(QLatin1String("reply"), Qt::CaseInsensitive))
                QTimer::singleShot(m_replyMs, this, [this, text] { receiveReply(text); });
        }
        m_outbox.finish(text.id);

        if (m_pending.isEmpty())
            m_syncTimer.start(m_syncMs);
        else
            m_stepTimer.start(m_stepMs);
    }

    void receiveReply(const Text& text) {
        count(&StateData::received);
        printEvent(QStringLiteral("received"),
                   {{QStringLiteral("id"), text.id},
                    {QStringLiteral("message"), QStringLiteral("Reply from %1").arg(text.to)}});
    }

    void count(qint64 StateData::*counter) {
        m_store.modify(
            [&](StateData& data) {
                data.rollOver(QDate::currentDate());
                ++(data.*counter);
            },
            nullptr);
    }

    void stop(int status) {
        m_syncTimer.stop();
        m_stepTimer.stop();
        m_terminated.setEnabled(false);
        // Texts claimed but not yet reported go back, so the next run sends them.
        QStringList ids;
        for (const Text& text : std::as_const(m_pending))
            ids.append(text.id);
        m_pending.clear();
        m_outbox.release(ids);
        QCoreApplication::exit(status);
    }

    StateStore m_store;
    Outbox m_outbox;
    const int m_syncMs;
    const int m_stepMs;
    const int m_replyMs;
    QList<Text> m_pending; // claimed, not yet reported
    QTimer m_syncTimer;
    QTimer m_stepTimer;
    QSocketNotifier m_terminated;
};

} // namespace

int run(const StateStore& store, bool dryRun) {
    const auto stopWith = [](const QString& kind, const QString& message) {
        printEvent(kind, {{QStringLiteral("message"), message}});
        return stoppedForGood;
    };
    if (!dryRun) {
        return stopWith(QStringLiteral("error"),
                        QStringLiteral("This development relay only simulates sending. Run it "
                                       "with --dry-run."));
    }
    QString error;
    if (!store.prepare(&error))
        return stopWith(QStringLiteral("error"), error);
    if (!store.load().pairing)
        return stopWith(QStringLiteral("unpaired"), QStringLiteral("This computer isn't paired."));
    // To see how the app tells a relay that keeps failing.
    if (qEnvironmentVariableIsSet("WRENBOX_DEVRELAY_CRASH")) {
        std::fputs("the relay fails at once, as WRENBOX_DEVRELAY_CRASH asks\n", stderr);
        return 3;
    }

    QLockFile runLock(store.runLockPath());
    // Held for as long as the relay runs: only a dead holder makes it stale, never its age.
    runLock.setStaleLockTime(0);
    if (!runLock.tryLock(0)) {
        return stopWith(QStringLiteral("error"),
                        QStringLiteral("Another relay is already running with the settings in %1.")
                            .arg(store.dir()));
    }
    // With the lock held no other relay runs here: whatever a crashed one had claimed is ours.
    Outbox(store).releaseAll();

    if (!catchTermination())
        return stopWith(QStringLiteral("error"), QStringLiteral("Could not watch for SIGTERM."));
    Relay relay(store);
    relay.start();
    return QCoreApplication::exec();
}

} // namespace devrelay
