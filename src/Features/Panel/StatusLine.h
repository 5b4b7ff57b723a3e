#pragma once

#include "Core/RelayPhase.h"
#include "Design/Tone.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class AppModel;
class Clock;
class ClockTimer;
class QLabel;
class QProgressBar;
class QPushButton;
class Workspace;

// What the action button of the status line does: open a web address, or open Setup.
struct StatusAction {
    enum class Kind { OpenUrl, OpenSetup };
    Kind kind = Kind::OpenSetup;
    QUrl url; // only for OpenUrl

    bool operator==(const StatusAction&) const = default;
};

// The status line's texts, as pure functions of the phase and the time.
class StatusLine {
    Q_DECLARE_TR_FUNCTIONS(StatusLine)
public:
    StatusLine() = delete;

    static QString headline(const RelayPhase& phase, const QDateTime& now);
    // The explaining sentence; none while sending or starting. `now` decides whether the end of
    // a timed pause needs its date (the current time when not given). A relay's absurdly long
    // words are shortened with "…"; the phase keeps them whole.
    static std::optional<QString> detail(const RelayPhase& phase, const QDateTime& now = {});
    // The headline and the detail as one text, as a screen reader reads them.
    static QString spokenText(const RelayPhase& phase, const QDateTime& now);
    // What a screen reader says when the phase turns into this one; none while starting.
    static std::optional<QString> announcement(const RelayPhase& phase, const QDateTime& now);
    static QString actionTitle(const RelayPhase& phase);
    // The button's effect. `updateUrl` is the relay's status.updateUrl; it is used only when an
    // update is required, and only when it is a web address.
    static StatusAction act(const RelayPhase& phase, const std::optional<QString>& updateUrl);
    // The age of the last sync: "12 s ago", "3 min ago", or the clock time after an hour.
    static QString ago(const QDateTime& date, const QDateTime& now);

    // The icon: the tray label's symbol for the same phase, coloured by phase.
    static QString symbol(const RelayPhase& phase);
    static Tone tone(const RelayPhase& phase);

    // The batch bar: its value and maximum (never below 1), and the spoken value.
    static qint64 progressValue(const RelayPhase& phase);
    static qint64 progressMaximum(const RelayPhase& phase);
    static QString progressName();
    static QString progressText(const RelayPhase& phase);
    static bool showsAction(const RelayPhase& phase);
};

// The block at the top of the panel. Redraws when the phase changes and once a second while it
// is on screen, so that the age of the last sync keeps moving.
class StatusLineView : public QWidget {
    Q_OBJECT
public:
    StatusLineView(AppModel& model, Workspace& workspace, std::function<void()> openSetup,
                   Clock& clock, QWidget* parent = nullptr);
    ~StatusLineView() override;

    void sync();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void trigger();
    void scheduleTick();
    void stopTicking();

    AppModel& m_model;
    Workspace& m_workspace;
    std::function<void()> m_openSetup;
    Clock& m_clock;
    QPointer<ClockTimer> m_tick;

    QLabel* m_icon;
    QLabel* m_headline;
    QLabel* m_detail;
    QProgressBar* m_progress;
    QPushButton* m_action;
};
