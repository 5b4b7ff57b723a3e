#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class AppModel;
class Clock;
class ClockTimer;
class QMenu;
class QSystemTrayIcon;

// The app's icon in the system tray: the phase's symbol with the count still to send, and the
// spoken label as tool tip. Where the desktop has no tray yet, it looks again a few times.
class TrayIconHost : public QObject {
    Q_OBJECT
public:
    // When the desktop's tray may still be starting up after login.
    static constexpr std::chrono::milliseconds retryDelays[] = {
        std::chrono::seconds(2), std::chrono::seconds(5), std::chrono::seconds(15)};

    // `trayAvailable`: whether the desktop has a tray; none: Qt's answer.
    TrayIconHost(AppModel& model, Clock& clock, std::function<bool()> trayAvailable = {},
                 QObject* parent = nullptr);
    ~TrayIconHost() override;

    // Shows the icon if a tray exists; otherwise schedules the retries and returns false.
    bool start();

    bool isShown() const { return m_icon != nullptr; }
    QRect geometry() const;

Q_SIGNALS:
    void clicked(const QRect& anchor);
    // Chosen from the icon's context menu.
    void settingsRequested();
    void quitRequested();

private:
    void show();
    void render();
    void scheduleRetry();

    AppModel& m_model;
    Clock& m_clock;
    std::function<bool()> m_trayAvailable;
    QSystemTrayIcon* m_icon = nullptr;
    std::unique_ptr<QMenu> m_menu; // the tray does not own its context menu
    QPointer<ClockTimer> m_retry;
    int m_attempt = 0;
    QString m_lastKey;
};
