#pragma once

#include "Core/RelayPhase.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>
#include <optional>

class Announcer;
class AppModel;
class BrandMarkView;
class Clock;
class EventFeed;
class QFrame;
class QKeySequence;
class QLabel;
class QPushButton;
class QToolButton;
class Spinner;
class StatusLineView;
class TodayRow;
class Workspace;
struct Platform;

// The panel that opens from the tray: header, status line, dry-run warning, today's counters,
// recent events and the controls. It refreshes the relay status each time it is shown.
class StatusPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 380;
    static constexpr int padding = 16;
    static constexpr int spacing = 14;

    // The header's second line: the paired device's name, else "Mac relay".
    static QString subtitle(const std::optional<QString>& deviceName);
    static QString dryRunText();
    // Pause / Resume as the user's pause flag makes it.
    static QString pauseTitle(bool userPaused);
    static QString pauseSymbol(bool userPaused);
    static QString pauseToolTip(bool userPaused);
    // The line shown where the app found no tray, and where it leads.
    static QString noTrayText();
    static QUrl trayHelpAddress();

    // `openSetup` opens (or brings forward) the Setup window. Of `platform` it takes the
    // workspace, the clock its once-a-second redraw runs on and the desktop's settings; they
    // must outlive it.
    StatusPanel(AppModel& model, const Platform& platform, std::function<void()> openSetup,
                QWidget* parent = nullptr);

    void sync();

    // Says that the desktop has no tray, with where to learn how to get one.
    void setNoTrayNotice(bool shown);

    // Changes of phase animate briefly unless motion is reduced (as the desktop says by default).
    void setReduceMotion(bool reduce) { m_reduceMotion = reduce; }
    // What Quit does once the relay is stopped; QCoreApplication::quit by default.
    void setQuitAction(std::function<void()> quit) { m_quit = std::move(quit); }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeDryRunWarning();
    QWidget* makeNoTrayNotice();
    QWidget* makeControls();
    QPushButton* footerButton(QWidget* controls, const QKeySequence& keys, const QString& toolTip);
    QToolButton* makePauseFor(QWidget* controls);
    void restyle();
    void fitSize();
    void phaseChanged();
    // The first control a keyboard user wants: the status line's action, else Pause, else
    // Dashboard.
    QWidget* firstControl() const;
    void syncControls();
    void followFirstControl();

    void togglePause();
    void openDashboard();
    void openSetupWindow();
    void quit();

    AppModel& m_model;
    Workspace& m_workspace;
    std::function<void()> m_openSetup;
    Clock& m_clock;
    std::function<void()> m_quit;
    bool m_reduceMotion;

    BrandMarkView* m_mark = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    Spinner* m_spinner = nullptr;
    StatusLineView* m_statusLine = nullptr;
    QWidget* m_dryRun = nullptr;
    QLabel* m_dryRunIcon = nullptr;
    QLabel* m_dryRunText = nullptr;
    QWidget* m_noTray = nullptr;
    QLabel* m_noTrayText = nullptr;
    TodayRow* m_today = nullptr;
    EventFeed* m_feed = nullptr;
    QWidget* m_controls = nullptr;
    QPushButton* m_pause = nullptr;
    QToolButton* m_pauseFor = nullptr;
    QPushButton* m_dashboard = nullptr;
    QPushButton* m_setup = nullptr;
    QPushButton* m_quitButton = nullptr;
    QList<QFrame*> m_dividers;
    Announcer* m_announcer = nullptr;
    // The control that took the keyboard when the panel opened, until the user moves on.
    QPointer<QWidget> m_openedAt;
    QPointer<QVariantAnimation> m_animation;
    // The phase the status line last animated to; ages and counts within it are not news.
    RelayPhase m_shownPhase;
};
