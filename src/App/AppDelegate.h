#pragma once

#include "App/Alerts.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>

#include <qcoro/qcorotask.h>

class AppModel;
class Clock;
class MoveServices;
class PairingRequest;
class SingleInstance;
class Workspace;

// The app's own logic at launch and quit: one copy per user, the move offer, the model's start,
// a refresh whenever the app becomes active, Setup for a user who has not finished it, pairing
// links, and the relay stopped at quit.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds setupDelay{1'500};

    struct Services {
        AppModel* model = nullptr;
        Clock* clock = nullptr; // times the opening of Setup after launch
        Workspace* workspace = nullptr;
        MoveServices* move = nullptr;      // none: no offer
        PairingRequest* pairing = nullptr; // the app's pending pairing link
        AlertPresenter alert;              // none: a QMessageBox
        // The single-copy socket.
        QString singleInstancePath;
        // A development copy runs beside any other, so it claims no single copy.
        bool developmentRun = false;
    };

    explicit AppDelegate(Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Returns false when another copy is running and received `arguments` (program name
    // excluded), or when asked to quit: this copy must quit without showing anything.
    // Otherwise starts the model and acts on `arguments`: the pairing links, --settings, --open.
    bool finishLaunching(const QStringList& arguments);
    // Why finishLaunching() returned false when no running copy took the arguments; empty after
    // a hand-over. The app must say so and end with an error.
    const QString& launchFailure() const { return m_launchFailure; }

    // Each opened URL in order, as handle() does.
    void openUrls(const QList<QUrl>& urls);
    // A pairing link: refused with an alert in a dry run unless its server is local; otherwise
    // it becomes the pending request and Setup comes forward.
    void handle(const QUrl& url);
    // Brings the app forward and asks for the Setup window (setupRequested()).
    void openSetup();

    // Entry points for the platform's notifications (also called by tests).
    void applicationDidBecomeActive();
    void applicationWillTerminate();

Q_SIGNALS:
    // Another copy was launched without a link, or with --open: bring the panel forward.
    void reopenRequested();
    // Asked for from the command line (the desktop entry's actions), here or by another copy.
    void settingsRequested();
    void quitRequested();
    // Setup must come forward, opened if it is not.
    void setupRequested();

private:
    // What a copy started with these arguments asks of this one.
    void act(const QStringList& arguments, bool launching);
    QCoro::Task<> openSetupAfterLaunch();

    Services m_services;
    AppModel& m_model;
    QPointer<SingleInstance> m_single;
    QString m_launchFailure;
};
