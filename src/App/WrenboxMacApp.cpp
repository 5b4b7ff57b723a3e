#include "App/WrenboxMacApp.h"

#include "App/AppDelegate.h"
#include "App/SingleInstance.h"
#include "App/TrayIconHost.h"
#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Core/History.h"
#include "Core/HistoryRecorder.h"
#include "Core/Platform/SystemPlatform.h"
#include "Design/Appearance.h"
#include "Design/BrandMark.h"
#include "Design/ScreenFit.h"
#include "Features/Panel/AttentionNotice.h"
#include "Features/Panel/StatusPanel.h"
#include "Features/Settings/SettingsView.h"
#include "Features/Setup/SetupView.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace {
// A development run must not make the build tree start at login: the switch is kept in memory.
class DevelopmentLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return m_enabled; }
    std::optional<QString> setEnabled(bool enabled) override {
        m_enabled = enabled;
        return std::nullopt;
    }

private:
    bool m_enabled = false;
};

// A click on the tray icon first closes an open popup panel; that click must not reopen it.
constexpr qint64 reopenGuardMs = 300;
constexpr std::chrono::milliseconds historyDelay{2'000};

const QString noTrayNoticeKey = QStringLiteral("noTrayNoticeShown");

class PanelWatcher : public QObject {
public:
    PanelWatcher(const Clock& clock, QDateTime& hidden, const bool& dropped, QObject* parent)
        : QObject(parent)
        , m_clock(clock)
        , m_hidden(hidden)
        , m_dropped(dropped) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            m_hidden = m_clock.now();
        else if (event->type() == QEvent::WindowDeactivate && m_dropped)
            static_cast<QWidget*>(watched)->hide();
        return false;
    }

private:
    const Clock& m_clock;
    QDateTime& m_hidden;
    const bool& m_dropped;
};
} // namespace

WrenboxMacApp::WrenboxMacApp(Options options, QObject* parent)
    : QObject(parent) {
    m_platform = options.platform;
    if (m_platform.run.development) {
        m_developmentLoginItem = std::make_unique<DevelopmentLoginItem>();
        m_platform.loginItem = m_developmentLoginItem.get();
    }
    Q_ASSERT(m_platform.processes && m_platform.workspace && m_platform.clock);
    // Before the first relay starts: what it leaves behind is handed to the app, not the system.
    m_platform.processes->adoptOrphans();
    if (options.handleSignals && m_platform.systemSignals) {
        connect(m_platform.systemSignals, &SystemSignals::quitRequested, this, [this] {
            m_quitRequested = true;
            // Not quit(), which goes unheard before the main loop runs: an alert at launch
            // waits in a loop of its own, which exit() ends too.
            QCoreApplication::exit(0);
        });
        connect(m_platform.systemSignals, &SystemSignals::childExited, this,
                [this] { m_platform.processes->reapOrphans(); });
    }

    m_model = std::make_unique<AppModel>(m_platform);
    AppModel* model = m_model.get();
    m_history = std::make_unique<HistoryStore>(m_platform.run.historyFile.isEmpty()
                                                   ? m_platform.bundle->historyPath()
                                                   : m_platform.run.historyFile,
                                               *m_platform.clock);
    m_recorder = std::make_unique<HistoryRecorder>(*model, *m_history, *m_platform.clock);
    if (options.system) {
        m_move = options.system->moveServices([model] { model->stopRelay(); },
                                              options.alert ? options.alert
                                                            : AlertPresenter(showModalAlert));
    }

    AppDelegate::Services services;
    services.model = model;
    services.clock = m_platform.clock;
    services.workspace = m_platform.workspace;
    services.move = m_move.get();
    services.alert = options.alert;
    services.singleInstancePath =
        options.singleInstancePath.isEmpty()
            ? SingleInstance::defaultSocketPath(m_platform.process ? m_platform.process->userId()
                                                                   : QString())
            : options.singleInstancePath;
    services.pairing = &m_pairing;
    services.developmentRun = m_platform.run.development;
    m_delegate = new AppDelegate(std::move(services), this);
    if (m_platform.notifier)
        new AttentionNotice(
            *model, *m_platform.notifier, *m_platform.clock,
            [this] { openWindow(QStringLiteral("setup")); }, this);
    connect(m_delegate, &AppDelegate::setupRequested, this,
            [this] { openWindow(QStringLiteral("setup")); });
    connect(m_delegate, &AppDelegate::settingsRequested, this,
            [this] { openWindow(QStringLiteral("settings")); });
    connect(m_delegate, &AppDelegate::quitRequested, this, &WrenboxMacApp::quit);
    connect(m_delegate, &AppDelegate::reopenRequested, this, &WrenboxMacApp::reopen);
}

WrenboxMacApp::~WrenboxMacApp() {
    for (const QPointer<QWidget>& window : std::as_const(m_windows))
        delete window.data();
    m_windows.clear();
    // The delegate and tray go first, then the model (and its relay).
    delete m_tray;
    delete m_delegate;
    m_move.reset();
    m_recorder.reset(); // records the end of this run
    m_history.reset();  // and writes it
    m_model.reset();
    // Last: whatever the relays left outside their groups.
    m_platform.processes->endOrphans();
    if (m_platform.systemSignals)
        disconnect(m_platform.systemSignals, nullptr, this, nullptr);
}

bool WrenboxMacApp::launch(const QStringList& arguments) {
    if (!m_delegate->finishLaunching(arguments))
        return false;

    m_tray = new TrayIconHost(*m_model, m_platform.tray, *m_platform.clock, this);
    connect(m_tray, &TrayIconHost::clicked, this, &WrenboxMacApp::togglePanel);
    connect(m_tray, &TrayIconHost::openRequested, this, &WrenboxMacApp::reopen);
    connect(m_tray, &TrayIconHost::settingsRequested, this,
            [this] { openWindow(QStringLiteral("settings")); });
    connect(m_tray, &TrayIconHost::quitRequested, this, &WrenboxMacApp::quit);
    connect(m_tray, &TrayIconHost::missing, this, &WrenboxMacApp::trayMissing);
    connect(m_tray, &TrayIconHost::found, this, [this] { setNoTrayNotice(false); });
    m_tray->start();
    // The history's file, up to 10 MB to check and read, waits until the icon or window is up
    // and the login's rush is over; what happens meanwhile is kept and written then.
    ClockTimer* later = m_platform.clock->startTimer(historyDelay, this);
    connect(later, &ClockTimer::finished, m_history.get(),
            [later, history = m_history.get()](bool elapsed) {
                later->deleteLater();
                if (elapsed)
                    history->open();
            });
    return true;
}

void WrenboxMacApp::quit() {
    m_model->stopRelay();
    QCoreApplication::quit();
}

void WrenboxMacApp::trayMissing() {
    // Said once ever: from then on the user knows how to come back.
    if (m_platform.defaults && !m_platform.defaults->boolValue(noTrayNoticeKey)) {
        m_platform.defaults->setBool(noTrayNoticeKey, true);
        setNoTrayNotice(true);
    }
    // No tray (yet): the panel is an ordinary window, so the app is never out of sight.
    for (const QPointer<QWidget>& shown : std::as_const(m_windows)) {
        if (shown && shown->isVisible())
            return;
    }
    openWindow(QStringLiteral("panel"));
}

void WrenboxMacApp::setNoTrayNotice(bool shown) {
    m_noTrayNotice = shown;
    if (auto* panel = qobject_cast<StatusPanel*>(window(QStringLiteral("panel"))))
        panel->setNoTrayNotice(shown);
}

void WrenboxMacApp::reopen() {
    openWindow(QStringLiteral("panel"));
}

void WrenboxMacApp::setWindowFactory(const QString& id, const WindowFactory& factory) {
    m_factories.insert(id, factory);
}

QWidget* WrenboxMacApp::window(const QString& id) const {
    return m_windows.value(id).data();
}

QWidget* WrenboxMacApp::create(const QString& id) {
    if (QWidget* existing = window(id))
        return existing;
    BrandMark::setAsApplicationIcon();
    QWidget* made = nullptr;
    if (const auto factory = m_factories.value(id))
        made = factory(*m_model);
    else if (id == QLatin1String("panel"))
        made =
            new StatusPanel(*m_model, m_platform, [this] { openWindow(QStringLiteral("setup")); });
    else if (id == QLatin1String("setup")) {
        auto* setup = new SetupView(*m_model, m_platform, m_pairing, m_history.get());
        connect(setup, &SetupView::settingsRequested, this,
                [this] { openWindow(QStringLiteral("settings")); });
        made = setup;
    } else if (id == QLatin1String("settings"))
        made = new SettingsView(*m_model, m_platform);
    if (!made)
        return nullptr;
    made->setObjectName(id);
    ScreenFit::watch(made);
    if (id == QLatin1String("panel")) {
        made->installEventFilter(
            new PanelWatcher(*m_platform.clock, m_panelHidden, m_panelDropped, made));
        if (auto* panel = qobject_cast<StatusPanel*>(made))
            panel->setNoTrayNotice(m_noTrayNotice);
    }
    m_windows.insert(id, made);
    return made;
}

QWidget* WrenboxMacApp::openWindow(const QString& id) {
    QWidget* w = create(id);
    if (!w)
        return nullptr;
    if (id == QLatin1String("panel"))
        m_panelDropped = false;
    showAsWindow(w);
    return w;
}

void WrenboxMacApp::showAsWindow(QWidget* window) {
    if (window->windowFlags().testFlag(Qt::Popup) && !window->isVisible())
        window->setWindowFlags(Qt::Window);
    window->show();
    window->raise();
    window->activateWindow();
}

void WrenboxMacApp::togglePanel(const QRect& anchor) {
    QWidget* panel = create(QStringLiteral("panel"));
    if (!panel)
        return;
    if (panel->isVisible()) {
        panel->hide();
        return;
    }
    if (m_panelHidden.isValid() && m_panelHidden.msecsTo(m_platform.clock->now()) < reopenGuardMs)
        return;
    if (m_platform.desktop && m_platform.desktop->compositorPlacesWindows()) {
        // No client places itself here, and a popup may never get the keyboard: a window the
        // compositor puts in front, gone when it loses focus as a popup would be.
        m_panelDropped = true;
        showAsWindow(panel);
        return;
    }
    m_panelDropped = false;
    if (!panel->windowFlags().testFlag(Qt::Popup))
        panel->setWindowFlags(Qt::Popup);
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    panel->adjustSize();
    panel->setGeometry(panelGeometry(panel->size(), anchor, area));
    panel->show();
    panel->activateWindow();
}

QRect WrenboxMacApp::panelGeometry(const QSize& size, const QRect& anchor, const QRect& screen) {
    constexpr int gap = 4;
    // A side bar is only taken for one when the icon is well nearer the side than the top or
    // bottom: an icon in the corner of a bottom bar is near both.
    constexpr int sideMargin = 48;
    QRect placed(QPoint(0, 0), size);
    if (screen.isEmpty() || anchor.isEmpty()) {
        placed.moveCenter(screen.isEmpty() ? QPoint(size.width() / 2, size.height() / 2)
                                           : screen.center());
        return placed;
    }
    const QPoint at = anchor.center();
    const int top = at.y() - screen.top(), bottom = screen.bottom() - at.y();
    const int left = at.x() - screen.left(), right = screen.right() - at.x();
    if (std::min(left, right) + sideMargin < std::min(top, bottom)) {
        placed.moveTop(at.y() - size.height() / 2);
        if (left <= right)
            placed.moveLeft(anchor.right() + 1 + gap);
        else
            placed.moveRight(anchor.left() - 1 - gap);
    } else {
        placed.moveLeft(at.x() - size.width() / 2);
        if (top <= bottom)
            placed.moveTop(anchor.bottom() + 1 + gap);
        else
            placed.moveBottom(anchor.top() - 1 - gap);
    }
    // Keep it on the screen.
    placed.moveLeft(std::clamp(placed.left(), screen.left(),
                               std::max(screen.left(), screen.right() + 1 - size.width())));
    placed.moveTop(std::clamp(placed.top(), screen.top(),
                              std::max(screen.top(), screen.bottom() + 1 - size.height())));
    return placed;
}
