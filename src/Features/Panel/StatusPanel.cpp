#include "Features/Panel/StatusPanel.h"

#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Core/Platform/Platform.h"
#include "Core/Tasks.h"
#include "Design/Accessible.h"
#include "Design/Appearance.h"
#include "Design/BrandMark.h"
#include "Design/Look.h"
#include "Design/Spinner.h"
#include "Design/Symbols.h"
#include "Design/Tone.h"
#include "Design/Type.h"
#include "Features/Panel/EventFeed.h"
#include "Features/Panel/FrameSync.h"
#include "Features/Panel/StatusLine.h"
#include "Features/Panel/TodayRow.h"
#include "Features/Panel/WebAddress.h"

#include <QEasingCurve>
#include <QEvent>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionToolButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>

namespace {
constexpr int markSize = 26;
constexpr int phaseAnimationMs = 250;

// A hairline, coloured in restyle() so that it suits light and dark alike.
QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    Accessible::hide(line);
    return line;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    widget->setPalette(p);
}

// A footer button gives way down to its text and the style's padding when the row is short of
// room. Styles such as Fusion keep every button with text at least 80 px wide, and five of
// those are wider than the panel.
class FooterButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QSize minimumSizeHint() const override {
        QStyleOptionButton option;
        initStyleOption(&option);
        int width = fontMetrics().size(Qt::TextShowMnemonic, text()).width();
        if (!icon().isNull())
            width += iconSize().width() + 4; // as QPushButton spaces icon and text
        width += 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) +
                      style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this));
        const QSize hint = sizeHint();
        return {std::min(width, hint.width()), hint.height()};
    }
};

// The arrow that opens the menu is the button's whole face: the style's small menu mark in its
// corner would show a second one.
class MenuArrowButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void initStyleOption(QStyleOptionToolButton* option) const override {
        QToolButton::initStyleOption(option);
        option->features &= ~QStyleOptionToolButton::HasMenu;
    }
};
} // namespace

QString StatusPanel::subtitle(const std::optional<QString>& deviceName) {
    // The relay's name for the device is shown as it is.
    return deviceName ? *deviceName : tr("Mac relay");
}

QString StatusPanel::dryRunText() {
    return tr("Dry run: the relay reports texts as sent without touching Messages.");
}

QString StatusPanel::pauseTitle(bool userPaused) {
    return userPaused ? tr("Resume") : tr("Pause");
}

QString StatusPanel::pauseSymbol(bool userPaused) {
    return userPaused ? QStringLiteral("play.fill") : QStringLiteral("pause.fill");
}

QString StatusPanel::pauseToolTip(bool userPaused) {
    return userPaused ? tr("Start sending again") : tr("Stop sending until you resume");
}

QString StatusPanel::noTrayText() {
    return tr("No tray here: start Wrenbox again to return.");
}

QUrl StatusPanel::trayHelpAddress() {
    return QUrl(QStringLiteral("https://wrenbox.app/README.md#a-tray-on-gnome"));
}

StatusPanel::StatusPanel(AppModel& model, const Platform& platform, std::function<void()> openSetup,
                         QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_workspace(*platform.workspace)
    , m_openSetup(std::move(openSetup))
    , m_clock(*platform.clock)
    , m_quit([] { QCoreApplication::quit(); })
    , m_reduceMotion(platform.desktop && platform.desktop->reducesMotion())
    , m_shownPhase(model.phase()) {
    Appearances::useDesktop(this, platform.desktop);
    setWindowTitle(tr("Wrenbox"));
    setFixedWidth(panelWidth);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(spacing);

    stack->addWidget(makeHeader());
    stack->addWidget(makeNoTrayNotice());
    m_statusLine = new StatusLineView(m_model, m_workspace, m_openSetup, m_clock, this);
    stack->addWidget(m_statusLine);
    stack->addWidget(makeDryRunWarning());
    m_today = new TodayRow(m_model, this);
    stack->addWidget(m_today);
    m_dividers = {divider(this), divider(this)};
    stack->addWidget(m_dividers[0]);
    m_feed = new EventFeed(m_model, this);
    stack->addWidget(m_feed);
    stack->addWidget(m_dividers[1]);
    stack->addWidget(makeControls());

    m_announcer = new Announcer(this);
    // Read as a window: its title, then its status line, then the control at the keyboard.
    Accessible::setRole(this, QAccessible::Window);

    restyle();
    sync();
    connect(&m_model, &AppModel::statusChanged, this, &StatusPanel::sync);
    connect(&m_model, &AppModel::userPausedChanged, this, &StatusPanel::sync);
    connect(&m_model, &AppModel::isCheckingChanged, this, &StatusPanel::sync);
    // During a flood of events the phase changes with each; one fade a frame is plenty.
    connect(&m_model, &AppModel::phaseChanged, new FrameSync(this, [this] { phaseChanged(); }),
            &FrameSync::request);
}

QWidget* StatusPanel::makeHeader() {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);

    m_mark = new BrandMarkView(markSize, header);
    row->addWidget(m_mark, 0, Qt::AlignVCenter);

    auto* names = new QVBoxLayout;
    names->setContentsMargins(0, 0, 0, 0);
    names->setSpacing(0);
    m_title = new QLabel(tr("Wrenbox"), header);
    applyTypeStyle(m_title, TypeStyle::Headline);
    m_subtitle = new QLabel(header);
    m_subtitle->setObjectName(QStringLiteral("subtitle"));
    applyTypeStyle(m_subtitle, TypeStyle::Caption);
    names->addWidget(m_title);
    names->addWidget(m_subtitle);
    row->addLayout(names);
    row->addStretch(1);

    m_spinner = new Spinner(14, header);
    m_spinner->setAccessibleName(tr("Checking"));
    m_spinner->hide();
    row->addWidget(m_spinner, 0, Qt::AlignVCenter);
    return header;
}

QWidget* StatusPanel::makeDryRunWarning() {
    m_dryRun = new QWidget(this);
    auto* row = new QHBoxLayout(m_dryRun);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_dryRunIcon = new QLabel(m_dryRun);
    Accessible::hide(m_dryRunIcon);
    m_dryRunText = new QLabel(dryRunText(), m_dryRun);
    m_dryRunText->setWordWrap(true);
    applyTypeStyle(m_dryRunText, TypeStyle::Caption);
    // The icon sits on the first line of the text, however many lines it wraps to.
    m_dryRunIcon->setAlignment(Qt::AlignCenter);
    row->addWidget(m_dryRunIcon, 0, Qt::AlignTop);
    row->addWidget(m_dryRunText, 1);
    m_dryRun->setAccessibleName(dryRunText());
    return m_dryRun;
}

QWidget* StatusPanel::makeNoTrayNotice() {
    m_noTray = new QWidget(this);
    m_noTray->setObjectName(QStringLiteral("noTray"));
    auto* row = new QHBoxLayout(m_noTray);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    m_noTrayText = new QLabel(noTrayText(), m_noTray);
    m_noTrayText->setWordWrap(true);
    applyTypeStyle(m_noTrayText, TypeStyle::Caption);
    // A button, not a link in the text: the keyboard and screen readers reach it as one.
    auto* learnMore = new QPushButton(tr("Learn more"), m_noTray);
    learnMore->setAutoDefault(false);
    applyTypeStyle(learnMore, TypeStyle::Caption);
    Look::quiet(learnMore);
    connect(learnMore, &QPushButton::clicked, this,
            [this] { m_workspace.openUrl(trayHelpAddress()); });
    row->addWidget(m_noTrayText, 1);
    row->addWidget(learnMore, 0, Qt::AlignVCenter);
    m_noTray->hide();
    return m_noTray;
}

void StatusPanel::setNoTrayNotice(bool shown) {
    m_noTray->setVisible(shown);
}

QPushButton* StatusPanel::footerButton(QWidget* controls, const QKeySequence& keys,
                                       const QString& toolTip) {
    auto* button = new FooterButton(controls);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    button->setAutoDefault(false);
    button->setToolTip(toolTip);
    // A shortcut of the panel's window rather than the button's own, which would only animate a
    // click and press it a moment later.
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->click();
    });
    return button;
}

QToolButton* StatusPanel::makePauseFor(QWidget* controls) {
    // Beside Pause, the ways to pause for a while.
    auto* arrow = new MenuArrowButton(controls);
    arrow->setObjectName(QStringLiteral("pauseFor"));
    arrow->setArrowType(Qt::DownArrow);
    arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred); // as tall as Pause
    arrow->setPopupMode(QToolButton::InstantPopup);
    arrow->setAccessibleName(tr("Pause for a while"));
    arrow->setToolTip(tr("Pause for a while"));
    auto* menu = new QMenu(arrow);
    connect(menu->addAction(tr("Pause for 1 hour")), &QAction::triggered, this,
            [this] { m_model.pauseUntil(m_clock.now().addSecs(qint64(60) * 60)); });
    connect(menu->addAction(tr("Pause until tomorrow")), &QAction::triggered, this,
            [this] { m_model.pauseUntil(AppModel::tomorrowMorning(m_clock.now())); });
    connect(menu->addAction(tr("Pause")), &QAction::triggered, this,
            [this] { m_model.setPaused(true); });
    arrow->setMenu(menu);
    // Opened from the keyboard, the menu starts at its first entry.
    connect(menu, &QMenu::aboutToShow, menu,
            [menu] { menu->setActiveAction(menu->actions().value(0)); });
    return arrow;
}

QWidget* StatusPanel::makeControls() {
    auto* controls = m_controls = new QWidget(this);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_pause = footerButton(controls, QKeySequence(Qt::CTRL | Qt::Key_P), {});
    m_pause->setObjectName(QStringLiteral("pause"));
    m_pauseFor = makePauseFor(controls);
    m_dashboard = footerButton(controls, QKeySequence(Qt::CTRL | Qt::Key_D),
                               tr("Open the Wrenbox dashboard"));
    m_dashboard->setText(tr("Dashboard"));
    m_setup = footerButton(controls, QKeySequence(Qt::CTRL | Qt::Key_Comma),
                           tr("Permissions, pairing and settings"));
    m_setup->setText(tr("Setup"));
    m_quitButton = footerButton(controls, QKeySequence(Qt::CTRL | Qt::Key_Q),
                                tr("Stop the relay and quit Wrenbox"));
    m_quitButton->setText(tr("Quit"));
    m_quitButton->setObjectName(QStringLiteral("quit"));

    // Pause and its menu close together, in a group of their own so that no gap is left where
    // either is hidden.
    auto* pauseGroup = new QHBoxLayout;
    pauseGroup->setSpacing(2);
    pauseGroup->addWidget(m_pause);
    pauseGroup->addWidget(m_pauseFor);
    row->addLayout(pauseGroup);
    row->addWidget(m_dashboard);
    row->addWidget(m_setup);
    row->addStretch(1);
    row->addWidget(m_quitButton);

    connect(m_pause, &QPushButton::clicked, this, &StatusPanel::togglePause);
    connect(m_dashboard, &QPushButton::clicked, this, &StatusPanel::openDashboard);
    connect(m_setup, &QPushButton::clicked, this, &StatusPanel::openSetupWindow);
    connect(m_quitButton, &QPushButton::clicked, this, &StatusPanel::quit);
    return controls;
}

void StatusPanel::sync() {
    syncControls();
    followFirstControl();
}

void StatusPanel::followFirstControl() {
    // Opened before the status was in, the panel gave the keyboard to what was there then; as
    // long as the user has not moved on, it follows to the control that belongs first.
    if (m_openedAt && isVisible()) {
        if (focusWidget() != m_openedAt)
            m_openedAt = nullptr;
        else if (QWidget* first = firstControl(); first != m_openedAt)
            (m_openedAt = first)->setFocus(Qt::TabFocusReason);
    }
}

void StatusPanel::syncControls() {
    const RelayStatus& status = m_model.status();
    m_subtitle->setText(
        subtitle(status.device ? std::optional(status.device->name) : std::nullopt));
    m_spinner->setVisible(m_model.isChecking());
    m_dryRun->setVisible(m_model.dryRun());

    const bool paused = m_model.userPaused();
    m_pause->setVisible(status.paired);
    // While paused too: the length of a pause can change.
    m_pauseFor->setVisible(status.paired);
    m_pause->setText(pauseTitle(paused));
    m_pause->setToolTip(pauseToolTip(paused));
    m_pause->setIcon(Symbols::qicon(pauseSymbol(paused), palette().color(QPalette::ButtonText)));
}

void StatusPanel::restyle() {
    setTextColor(m_subtitle, toneColor(Tone::Text2, this));
    setTextColor(m_noTrayText, toneColor(Tone::Text2, this));
    for (auto* learnMore : m_noTray->findChildren<QPushButton*>())
        Look::quiet(learnMore);
    const QColor warning = toneColor(Tone::Warning, this);
    setTextColor(m_dryRunText, warning);
    const QFontMetrics caption(m_dryRunText->font());
    m_dryRunIcon->setPixmap(Symbols::icon(QStringLiteral("testtube.2"), warning,
                                          caption.height() - 2, devicePixelRatioF()));
    m_dryRunIcon->setFixedHeight(caption.lineSpacing());

    // The text colour at 15 % over the background, mixed here so it needs no blending.
    const QColor text = palette().color(QPalette::WindowText);
    const QColor background = palette().color(QPalette::Window);
    const auto mix = [](float a, float b) { return a * 0.15f + b * 0.85f; };
    const QColor hairline = QColor::fromRgbF(mix(text.redF(), background.redF()),
                                             mix(text.greenF(), background.greenF()),
                                             mix(text.blueF(), background.blueF()));
    for (QFrame* line : std::as_const(m_dividers)) {
        QPalette p = line->palette();
        p.setColor(QPalette::Window, hairline);
        line->setPalette(p);
    }
}

void StatusPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event) && m_subtitle) {
        restyle();
        sync();
    }
}

bool StatusPanel::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        fitSize();
    return handled;
}

void StatusPanel::fitSize() {
    // As its own window the panel is as tall as its content at its fixed width: rows that
    // appear or wrap grow it, rather than squeezing what is there. A font too large for the
    // footer's buttons at that width widens it, rather than cutting them.
    if (!isWindow())
        return;
    const int width =
        std::max(int(panelWidth), m_controls->minimumSizeHint().width() + 2 * padding);
    if (width != this->width())
        setFixedWidth(width);
    const int height = heightForWidth(width);
    if (height > 0 && height != this->height())
        setFixedHeight(height);
}

void StatusPanel::keyPressEvent(QKeyEvent* event) {
    // Closes as a popup does, also when it is a window of its own.
    if (isWindow() && event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void StatusPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitSize();
    // Read as the panel opens, as a dialog's text is; then the keyboard is at its first control.
    setAccessibleDescription(StatusLine::spokenText(m_model.phase(), m_clock.now()));
    m_openedAt = firstControl();
    // As if reached by the keyboard, so that it shows its focus once the window is active.
    m_openedAt->setFocus(Qt::TabFocusReason);
    setAttribute(Qt::WA_KeyboardFocusChange);
    // Showing the panel is when the user wants to know: ask the relay now rather than wait
    // for the next poll.
    detach(m_model.refreshStatus(), "status refresh on showing the panel");
}

QWidget* StatusPanel::firstControl() const {
    if (auto* action = m_statusLine->findChild<QPushButton*>(QStringLiteral("action"));
        action && action->isVisibleTo(this))
        return action;
    return m_pause->isVisibleTo(this) ? static_cast<QWidget*>(m_pause) : m_dashboard;
}

void StatusPanel::phaseChanged() {
    // News is a new phase: a sync that only renews the age, or a text that only advances the
    // batch, redraws at once.
    followFirstControl();
    const RelayPhase phase = m_model.phase();
    const bool news = phase.kind() != m_shownPhase.kind() ||
                      phase.byServer() != m_shownPhase.byServer() ||
                      phase.attention() != m_shownPhase.attention();
    m_shownPhase = phase;
    if (!news || !isVisible())
        return;
    setAccessibleDescription(StatusLine::spokenText(phase, m_clock.now()));
    if (const auto text = StatusLine::announcement(phase, m_clock.now()))
        m_announcer->announce(*text);
    if (m_reduceMotion)
        return;
    // A short fade of the block that changed, eased out without overshoot.
    if (m_animation)
        m_animation->stop();
    auto* effect = new QGraphicsOpacityEffect(m_statusLine);
    m_statusLine->setGraphicsEffect(effect);
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(0.35);
    animation->setEndValue(1.0);
    animation->setDuration(phaseAnimationMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation, &QVariantAnimation::valueChanged, effect,
            [effect](const QVariant& value) { effect->setOpacity(value.toReal()); });
    connect(animation, &QVariantAnimation::finished, this,
            [this] { m_statusLine->setGraphicsEffect(nullptr); });
    m_animation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void StatusPanel::togglePause() {
    if (!m_model.status().paired)
        return;
    m_model.setPaused(!m_model.userPaused());
}

void StatusPanel::openDashboard() {
    const auto url = m_model.dashboardURL();
    if (url && isWebAddress(*url))
        m_workspace.openUrl(*url);
}

void StatusPanel::openSetupWindow() {
    if (m_openSetup)
        m_openSetup();
    m_workspace.activateApp();
}

void StatusPanel::quit() {
    // The relay must not outlive the app.
    m_model.stopRelay();
    if (m_quit)
        m_quit();
}
