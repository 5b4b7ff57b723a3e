#pragma once

#include "Core/Coalescer.h"
#include "Core/MessagesPermission.h"
#include "Core/Platform/Platform.h"
#include "Core/Relay/RelayCLI.h"
#include "Core/Relay/RelayEvent.h"
#include "Core/Relay/RelayRecords.h"
#include "Core/RelayPhase.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <list>
#include <memory>
#include <optional>

#include <qcoro/qcorotask.h>

class ClockTimer;
class RelayRunner;
struct RelayExit;

// The app's one model: what the windows and the tray show about the relay, and the operations
// that change it. Lives on the main thread; only it talks to the relay. Every stored property
// notifies only when its value really changes; `phase` and `setupComplete` notify when the
// value derived from them changes.
class AppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(RelayStatus status READ status NOTIFY statusChanged)
    Q_PROPERTY(DoctorReport doctor READ doctor NOTIFY doctorChanged)
    Q_PROPERTY(QList<RelayEvent> events READ events NOTIFY eventsChanged)
    Q_PROPERTY(RelayToday today READ today NOTIFY todayChanged)
    Q_PROPERTY(std::optional<QDateTime> lastSyncAt READ lastSyncAt NOTIFY lastSyncAtChanged)
    Q_PROPERTY(std::optional<RelayBatch> batch READ batch NOTIFY batchChanged)
    Q_PROPERTY(std::optional<QString> relayError READ relayError NOTIFY relayErrorChanged)
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(bool loginItemEnabled READ loginItemEnabled NOTIFY loginItemEnabledChanged)
    Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
    Q_PROPERTY(MessagesPermission messagesPermission READ messagesPermission NOTIFY
                   messagesPermissionChanged)
    Q_PROPERTY(bool askingMessages READ askingMessages NOTIFY askingMessagesChanged)
    Q_PROPERTY(bool userPaused READ userPaused NOTIFY userPausedChanged)
    Q_PROPERTY(RelayPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(bool setupComplete READ setupComplete NOTIFY setupCompleteChanged)
    Q_PROPERTY(
        bool launchAgentInstalled READ launchAgentInstalled NOTIFY launchAgentInstalledChanged)

public:
    static constexpr int maxEvents = 12;
    static constexpr std::chrono::milliseconds pollInterval{30'000};
    static constexpr std::chrono::milliseconds batchHold{2'000};
    static constexpr int messagesLaunchChecks = 25;
    static constexpr std::chrono::milliseconds messagesLaunchPause{200};
    // This many unexpected exits within the window, with no progress between, make a crash loop.
    static constexpr int crashLoopExits = 5;
    static constexpr std::chrono::milliseconds crashLoopWindow{10 * 60'000};

    // The services in `platform` must outlive the model.
    explicit AppModel(const Platform& platform, QObject* parent = nullptr);
    ~AppModel() override;

    // Stored state.
    const RelayStatus& status() const { return m_status; }
    const DoctorReport& doctor() const { return m_doctor; }
    const QList<RelayEvent>& events() const { return m_events; } // newest first
    const RelayToday& today() const { return m_today; }
    const std::optional<QDateTime>& lastSyncAt() const { return m_lastSyncAt; }
    const std::optional<RelayBatch>& batch() const { return m_batch; }
    const std::optional<QString>& relayError() const { return m_relayError; }
    bool isChecking() const { return m_isChecking; }
    bool loginItemEnabled() const { return m_loginItemEnabled; }
    bool loaded() const { return m_loaded; }
    MessagesPermission messagesPermission() const { return m_messagesPermission; }
    bool askingMessages() const { return m_askingMessages; }
    bool userPaused() const { return m_userPaused; }
    // Whether the user wants a desktop notification when Wrenbox needs them.
    bool notifyAttention() const { return m_notifyAttention; }
    void setNotifyAttention(bool notify);
    // When the user's pause ends by itself; none for a pause until resumed.
    const std::optional<QDateTime>& pausedUntil() const { return m_pausedUntil; }
    // Whether a relay installed from the command line starts at login beside the app, as last
    // looked at (checkLaunchAgent()).
    bool launchAgentInstalled() const { return m_launchAgentInstalled; }

    // Derived state.
    RelayPhase phase() const;
    bool setupComplete() const;
    // Whether this system has a facility a setup step needs (every one, without a report).
    bool has(Facility facility) const;

    // Fixed at creation, from the platform's run options.
    bool dryRun() const { return m_dryRun; }
    // Whether the long-running relay process is up, and whether the model wants it up.
    bool relayRunning() const;
    bool relayWanted() const;
    // The relay's exits on its own, oldest first (a bounded list).
    const QList<RelayExit>& relayExits() const;
    // Stops the long-running relay at once and for the rest of this run, for the shell's Quit
    // and termination: a refresh that ends afterwards does not start it again.
    void stopRelay();
    // The notice a bundled relay carries beside its executable; none without one.
    std::optional<QString> relayNotice() const;
    static std::optional<QString> noticeBeside(const QString& helperPath);

    static bool isLocal(const std::optional<QString>& server);
    static QString dryRunRefusal();
    static QString defaultServer();
    static QString dashboardPath();
    std::optional<QUrl> dashboardURL() const;
    // The dashboard of the server at this address; none unless it is an absolute one.
    static std::optional<QUrl> dashboardURL(const QString& server);
    QString diagnostics() const;
    // One exit as the report lists it: "2024-05-01T10:00:00  exit 3  ran 2.0 s".
    static QString exitLine(const RelayExit& exit);
    QString launchAgentPath() const;

    // Runs the first full refresh, then the relay; polls the status every 30 seconds.
    void start();
    // Status, Messages permission and health report. Never fails. However often it is asked
    // for, one refresh runs at a time and at most one more waits; each call returns once a
    // refresh that started after it has ended.
    QCoro::Task<> refresh();
    // The relay's status only, run one at a time in the same way. Never fails; a failure
    // leaves the last known status.
    QCoro::Task<> refreshStatus();
    // Pausing here lasts until resumed; either way any timed pause ends.
    void setPaused(bool paused);
    // Pauses until `until`, when sending resumes by itself (also after a restart of the app).
    void pauseUntil(const QDateTime& until);
    // The next 08:00 local time after the night: the same day's when `now` is before 04:00,
    // else the next day's.
    static QDateTime tomorrowMorning(const QDateTime& now);
    // Throws RelayError (code "dry_run" when a dry run is asked for a non-local server).
    QCoro::Task<RelayDevice> pair(QString code, QString server);
    QCoro::Task<> unpair();
    QCoro::Task<> checkMessagesPermission();
    QCoro::Task<> requestMessagesAutomation();
    void setLoginItem(bool enabled);
    // Looks at the launch-agent file again: it can come and go behind the app.
    void checkLaunchAgent();
    // Runs the relay's uninstall, then looks again and refreshes. Throws RelayError when the
    // uninstall fails.
    QCoro::Task<> removeLaunchAgent();

Q_SIGNALS:
    void statusChanged();
    void doctorChanged();
    void eventsChanged();
    void todayChanged();
    void lastSyncAtChanged();
    void batchChanged();
    void relayErrorChanged();
    void isCheckingChanged();
    void loginItemEnabledChanged();
    void loadedChanged();
    void messagesPermissionChanged();
    void askingMessagesChanged();
    void userPausedChanged();
    void pausedUntilChanged();
    void phaseChanged();
    void setupCompleteChanged();
    // The relay ended on its own: diagnostics() changed.
    void relayExitsChanged();
    // The relay exited saying it must not be restarted.
    void relayStoppedForGood();
    // The long-running relay's process started or ended: relayRunning() may differ.
    void relayRunningChanged();
    // The computer woke from sleep.
    void wokeUp();
    void notifyAttentionChanged();
    void launchAgentInstalledChanged();

private:
    friend struct RelayRig; // the tests feed relay output straight into the runner

    // Events and exits of the long-running relay.
    void handle(const RelayEvent& event);
    // Whether the sync is news for the feed.
    bool synced(const RelayEvent& event);
    void countToday(qint64 RelayToday::*counter);
    void updateRequired(const std::optional<QString>& updateUrl);
    void unpairedByRelay();
    void exited(int code);
    void push(const RelayEvent& event);
    void advanceBatch();
    QCoro::Task<> clearFinishedBatch(quint64 serial);

    // Sleeps on the clock. The model's destruction cancels the sleep, and the caller resumes
    // afterwards (on a later turn of the event loop) to find the model gone. `handle`, if
    // given, receives the timer so the sleep can be cut short.
    QCoro::Task<bool> sleepFor(std::chrono::milliseconds duration,
                               QPointer<ClockTimer>* handle = nullptr);

    void applyRunState();
    void woke();
    void setPausedUntil(const std::optional<QDateTime>& value);
    void pause(bool paused, const std::optional<QDateTime>& until);
    QCoro::Task<> resumeWhenDue(quint64 serial);
    QCoro::Task<> startUp();
    QCoro::Task<> pollLoop(quint64 generation);
    QCoro::Task<> refreshOnce();
    QCoro::Task<> refreshStatusOnce();
    QCoro::Task<> doctorCheck();

    // Takes a value that differs and emits `changed`; a value the derived properties read
    // (Derived::Yes) re-derives them too. Equal values change nothing and emit nothing.
    enum class Derived { No, Yes };
    template <typename T>
    void change(T& field, const T& value, void (AppModel::*changed)(), Derived derived);
    void setStatus(const RelayStatus& value);
    void setDoctor(const DoctorReport& value);
    void setEvents(const QList<RelayEvent>& value);
    void setToday(const RelayToday& value);
    void setLastSyncAt(const std::optional<QDateTime>& value);
    void setBatch(const std::optional<RelayBatch>& value);
    void setRelayError(const std::optional<QString>& value);
    void setIsChecking(bool value);
    void setLoginItemEnabled(bool value);
    void setLoaded(bool value);
    void setMessagesPermission(MessagesPermission value);
    void setAskingMessages(bool value);
    void setUserPaused(bool value);
    // Emits phaseChanged / setupCompleteChanged when the derived values moved.
    void rederive();
    // Holds the derived signals back while several properties change as one step, so views
    // never see a phase that existed only halfway through it.
    struct OneStep {
        explicit OneStep(AppModel& owner)
            : model(owner) {
            ++model.m_stepDepth;
        }
        ~OneStep() {
            if (--model.m_stepDepth == 0)
                model.rederive();
        }
        OneStep(const OneStep&) = delete;
        OneStep& operator=(const OneStep&) = delete;
        AppModel& model;
    };

    Platform m_platform;
    Clock& m_clock;
    bool m_dryRun;
    RelayCLI m_cli;
    bool m_relayRetired = false;
    std::unique_ptr<RelayRunner> m_runner;

    RelayStatus m_status;
    DoctorReport m_doctor;
    QList<RelayEvent> m_events;
    RelayToday m_today;
    std::optional<QDateTime> m_lastSyncAt;
    std::optional<RelayBatch> m_batch;
    std::optional<QString> m_relayError;
    bool m_isChecking = false;
    bool m_loginItemEnabled = false;
    bool m_loaded = false;
    MessagesPermission m_messagesPermission = MessagesPermission::Unknown;
    bool m_launchAgentInstalled = false;
    bool m_askingMessages = false;
    bool m_userPaused = false;
    std::optional<QDateTime> m_pausedUntil;
    bool m_notifyAttention = true;

    RelayPhase m_phase;
    bool m_setupComplete = false;
    int m_stepDepth = 0;

    // Each start() supersedes the previous poll loop.
    quint64 m_pollGeneration = 0;
    QPointer<ClockTimer> m_pollTimer;
    // Every sleep under way (stable addresses: the clock writes into them).
    std::list<QPointer<ClockTimer>> m_sleeps;
    // Identifies the current timed pause, and the sleep that ends it.
    quint64 m_pauseSerial = 0;
    QPointer<ClockTimer> m_resumeTimer;
    // Identifies the batch a pending clear-up belongs to.
    quint64 m_batchSerial = 0;
    // The one pending hold of a finished batch, and whose it is: a flood of small batches must
    // not pile up a timer for each.
    QPointer<ClockTimer> m_batchHold;
    quint64 m_batchHoldSerial = 0;
    // However many ask, one status request and one full refresh at a time.
    Coalescer m_refreshes{[this] { return refreshOnce(); }};
    Coalescer m_statusRefreshes{[this] { return refreshStatusOnce(); }};
};
