#pragma once

#include "Core/Platform/DesktopTray.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <chrono>
#include <memory>

class AppModel;
class Clock;
class ClockTimer;
class QMenu;
class QSystemTrayIcon;

// The app's icon in the desktop's tray: the phase's symbol with the count still to send, and the
// spoken label as tool tip. It follows the tray as it comes and goes: the app's own item in a
// StatusNotifier host, Qt's tray icon in a tray that Qt serves, nothing without a tray.
class TrayIconHost : public QObject {
    Q_OBJECT
public:
    // A tray that went (a panel restarting) may come back within this before the app must be
    // reachable otherwise.
    static constexpr std::chrono::milliseconds lostGrace{5'000};

    // `tray`: none shows no icon.
    TrayIconHost(AppModel& model, DesktopTray* tray, Clock& clock, QObject* parent = nullptr);
    ~TrayIconHost() override;

    // Shows the icon in the tray there is, and from now on follows the tray.
    void start();

    bool isShown() const { return m_icon || m_published; }
    // Where the icon is, where the tray tells; else empty.
    QRect geometry() const;

Q_SIGNALS:
    // The icon was clicked; the panel drops from `anchor` (empty: unknown).
    void clicked(const QRect& anchor);
    // No tray shows the icon: at start, or after a tray was gone for lostGrace.
    void missing();
    // A tray shows the icon again after missing().
    void found();
    // Chosen from the icon's context menu.
    void openRequested();
    void settingsRequested();
    void quitRequested();

private:
    void follow();
    void showQtIcon();
    void render();
    void graceOver(bool elapsed);

    AppModel& m_model;
    DesktopTray* m_tray;
    Clock& m_clock;
    std::unique_ptr<QMenu> m_menu; // the tray does not own its context menu
    QSystemTrayIcon* m_icon = nullptr;
    bool m_published = false;
    bool m_followed = false; // the tray has answered at least once
    bool m_missing = false;  // missing() was the last word
    QPointer<ClockTimer> m_grace;
    QString m_lastLook;
    QString m_lastTip;
    QList<TrayPixmap> m_pixmaps;
};
