#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <utility>

// Scripts the fake relay executable (fakerelay) for one test. Creating it points
// WRENBOX_FAKE_RELAY_DIR at a fresh temporary folder, which every relay process started
// afterwards reads its scripts from and logs its command line to. Destroying it kills any fake
// relay process still alive and removes the folder.
class FakeRelay {
public:
    FakeRelay();
    ~FakeRelay();
    FakeRelay(const FakeRelay&) = delete;
    FakeRelay& operator=(const FakeRelay&) = delete;

    // The fake relay executable, for RelayCLI / RelayRunner.
    QString helperPath() const;
    // The scripted folder.
    QString dir() const { return m_dir.path(); }

    // The answer to one exact command line. A command line with no answer exits 64 silently.
    void reply(const QStringList& args, const QByteArray& out, int exitCode = 0, int delayMs = 0,
               const QByteArray& err = {});

    // Like reply(), exiting 0, but prints `out` `times` times over; without end when negative.
    void flood(const QStringList& args, const QByteArray& out, long times = -1);

    // The behaviour of `relay run --events json [--dry-run]`, for every launch from now on.
    struct Stream {
        QList<std::pair<int /*pauseMs*/, QByteArray /*bytes*/>> chunks;
        bool stayAlive = true;   // after the chunks, wait for a signal
        int exitCode = 0;        // when not staying alive
        int termExitCode = -1;   // exit status on SIGTERM; -1: die by the signal
        bool ignoreTerm = false; // only SIGKILL ends it
        // Started first, each living until killed: in the relay's group, a daemon in its group
        // (double-forked, so adopted), or in a session of its own (setsid()).
        enum class Child { InGroup, Daemon, OwnSession };
        QList<Child> children = {};
        QByteArray err = {}; // written to standard error first
    };
    void runStream(const Stream& stream);

    // Every command line received so far, in order.
    QList<QStringList> calls() const;
    // Pids of fake relay processes (and their children) that are still alive; zombies count
    // only when asked (they have ended, but nobody reaped them).
    QList<qint64> livePids(bool zombies = false) const;

    static bool isAlive(qint64 pid, bool zombies = false);

    // Writes an executable file (a stand-in relay written as a script, or one whose
    // interpreter is missing so that exec fails); false if it could not be written.
    static bool writeExecutable(const QString& path, const QByteArray& content);
    // Writes an executable that cannot start (its interpreter is missing) and returns the text
    // QProcess gives for that failure; empty if it could not be set up.
    static QString writeUnlaunchable(const QString& path);

private:
    void script(const QStringList& args, const Stream& stream, const QByteArray& err = {},
                long repeat = 1) const;

    QTemporaryDir m_dir;
    QByteArray m_previousDir;
    bool m_hadPreviousDir = false;
};
