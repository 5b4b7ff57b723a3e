#pragma once

#include "App/Alerts.h"
#include "Core/PairingRequest.h"
#include "Core/Platform/Platform.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class AppDelegate;
class AppModel;
class HistoryRecorder;
class HistoryStore;
class MoveServices;
class SystemPlatform;
class TrayIconHost;

// The application: owns the platform services, the one model, the delegate, the tray icon and
// the windows ("panel", "setup", "settings"), each created when first needed.
class WrenboxMacApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The services the app runs on, its run options among them; they must outlive it.
        Platform platform;
        // The system they came from, for the move offer; none (tests): no offer.
        SystemPlatform* system = nullptr;
        AlertPresenter alert;
        QString singleInstancePath; // empty: the per-user default
        // Whether the system's requests to quit end the app cleanly.
        bool handleSignals = true;
    };

    explicit WrenboxMacApp(Options options, QObject* parent = nullptr);
    ~WrenboxMacApp() override;

    // False when another copy is running and took over: quit without showing anything.
    bool launch(const QStringList& arguments);
    // The system asked to quit; once asked during launch, the main loop must not start.
    bool quitRequested() const { return m_quitRequested; }

    AppModel& model() { return *m_model; }
    HistoryStore& history() { return *m_history; }
    AppDelegate& delegate() { return *m_delegate; }

    using WindowFactory = std::function<QWidget*(AppModel& model)>;
    // Replaces the stand-in for one window id; call before the window is first opened.
    void setWindowFactory(const QString& id, const WindowFactory& factory);

    // The window with this id if it was created, else none.
    QWidget* window(const QString& id) const;
    // Creates the window if needed, then shows it as an ordinary window and brings it forward.
    QWidget* openWindow(const QString& id);
    // The status panel drops from the tray icon at `anchor`, or closes if open. Where the
    // compositor places windows, it opens as a window that closes when it loses focus.
    void togglePanel(const QRect& anchor);

    // Where a panel of `size` goes: beside the icon, on the side away from the screen edge
    // nearest to it (top and bottom bars before side bars), always inside `screen`.
    static QRect panelGeometry(const QSize& size, const QRect& anchor, const QRect& screen);

private:
    QWidget* create(const QString& id);
    void showAsWindow(QWidget* window);
    void reopen();
    void quit();
    void trayMissing();
    void setNoTrayNotice(bool shown);

    std::unique_ptr<LoginItem> m_developmentLoginItem;
    Platform m_platform;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<HistoryRecorder> m_recorder; // goes before the store and the model
    std::unique_ptr<MoveServices> m_move;
    AppDelegate* m_delegate = nullptr;
    TrayIconHost* m_tray = nullptr;
    QHash<QString, WindowFactory> m_factories;
    QHash<QString, QPointer<QWidget>> m_windows;
    QDateTime m_panelHidden; // on the clock
    // Opened from the tray as a window in place of a popup: it closes as a popup would.
    bool m_panelDropped = false;
    bool m_noTrayNotice = false;
    PairingRequest m_pairing;
    bool m_quitRequested = false;
};
