#include "Features/Setup/SetupView.h"

#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Core/History.h"
#include "Core/PairingRequest.h"
#include "Core/Relay/RelayRunner.h"
#include "Core/Tasks.h"
#include "Design/Accessible.h"
#include "Design/Appearance.h"
#include "Design/BrandMark.h"
#include "Design/Look.h"
#include "Design/ScreenFit.h"
#include "Design/Spinner.h"
#include "Design/Tone.h"
#include "Design/Type.h"
#include "Features/Panel/StatusLine.h"
#include "Features/Setup/CheckRow.h"
#include "Features/Setup/HistoryView.h"
#include "Features/Setup/LaunchAgentRow.h"
#include "Features/Setup/PairingRows.h"
#include "Features/Setup/SetupCopy.h"

#include <QApplication>
#include <QDrag>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using Status = DoctorCheck::Status;

namespace {
constexpr int windowWidth = 600;
constexpr int leastHeight = 620;
// Further checks shown as rows; the rest are counted, and the diagnostics list them all.
constexpr qsizetype otherRowsShown = 50;

std::optional<Status> statusOf(const std::optional<DoctorCheck>& check) {
    return check ? std::optional(check->status) : std::nullopt;
}

// The app's icon, which can be dragged into the Full Disk Access list as the app itself.
class AppIconLabel : public QLabel {
public:
    AppIconLabel(QString bundlePath, QWidget* parent)
        : QLabel(parent)
        , m_bundlePath(std::move(bundlePath)) {
        setFixedSize(32, 32);
        setPixmap(BrandMark::pixmap(32, devicePixelRatioF()));
        setCursor(Qt::OpenHandCursor);
        setToolTip(SetupView::tr("Drag Wrenbox into the Full Disk Access list"));
        setAccessibleName(
            SetupView::tr("Wrenbox app icon. Drag it into the Full Disk Access list."));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            m_pressedAt = event->position().toPoint();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton) || !m_pressedAt)
            return;
        if ((event->position().toPoint() - *m_pressedAt).manhattanLength() <
            QApplication::startDragDistance())
            return;
        m_pressedAt.reset();
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(m_bundlePath)});
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->setPixmap(pixmap());
        drag->exec(Qt::CopyAction | Qt::LinkAction);
    }

private:
    QString m_bundlePath;
    std::optional<QPoint> m_pressedAt;
};

QLabel* label(const QString& text, QWidget* parent,
              const QFont& font = Type::font(TypeStyle::Body)) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

QGroupBox* section(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(10);
    return box;
}
} // namespace

SetupView::SetupView(AppModel& model, const Platform& platform, PairingRequest& pairing,
                     HistoryStore* history, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
    , m_platform(platform)
    , m_history(history) {
    Appearances::useDesktop(this, platform.desktop);
    setObjectName(identifier());
    setWindowTitle(tr("Set Up Wrenbox"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedWidth(windowWidth);
    setMinimumHeight(leastHeight);

    m_scroll = ScreenFit::scrollingColumn(this);
    QWidget* content = m_scroll->widget();
    // Rows that appear, wrap or change (a pairing, a new check) refit the window at once.
    content->installEventFilter(this);
    ScreenFit::watch(this);
    m_sections = new QVBoxLayout(content);
    m_sections->setContentsMargins(20, 16, 20, 16);
    m_sections->setSpacing(14);

    // 1. Header.
    m_header = buildHeader();
    m_sections->addWidget(m_header);

    // 2. Permissions; 3. pairing; 4. other checks.
    m_sections->addWidget(buildPermissions(content));
    m_sections->addWidget(buildPairing(content, pairing));
    m_sections->addWidget(buildOtherChecks(content));

    // 5. The command-line relay.
    m_launchAgentSection = section({}, content);
    m_launchAgentSection->setObjectName(QStringLiteral("launchAgent"));
    m_sections->addWidget(m_launchAgentSection);

    // 6. Summary and details.
    m_summarySection = static_cast<QGroupBox*>(buildSummary());
    m_sections->addWidget(m_summarySection);
    // 7. What happened over the last days.
    if (m_history) {
        QGroupBox* past = section(tr("History"), content);
        past->setObjectName(QStringLiteral("history"));
        past->layout()->addWidget(new HistoryView(*m_history, *platform.clock, past));
        m_sections->addWidget(past);
    }
    m_sections->addStretch();
    m_announcer = new Announcer(this);
    Accessible::setRole(this, QAccessible::Window);
    Accessible::closesByKeyboard(this);

    for (auto signal :
         {&AppModel::doctorChanged, &AppModel::isCheckingChanged,
          &AppModel::messagesPermissionChanged, &AppModel::askingMessagesChanged,
          &AppModel::statusChanged, &AppModel::relayExitsChanged, &AppModel::phaseChanged})
        connect(&m_model, signal, this, &SetupView::sync);
    sync();
}

QWidget* SetupView::buildPermissions(QWidget* content) {
    m_permissions = section(tr("Permissions"), content);
    m_fullDiskAccess = checkRow(QStringLiteral("fullDiskAccess"), tr("Full Disk Access"));
    m_fullDiskAccess->setFix(buildFullDiskAccessFix());
    m_messages = checkRow(QStringLiteral("messages"), tr("Messages"));
    m_messages->setFix(buildMessagesFix());
    m_forwarding = checkRow(QStringLiteral("forwarding"), tr("Text Message Forwarding"));
    for (CheckRow* row : {m_fullDiskAccess, m_messages, m_forwarding})
        m_permissions->layout()->addWidget(row);
    return m_permissions;
}

QWidget* SetupView::buildPairing(QWidget* content, PairingRequest& pairing) {
    m_pairing = section(tr("Pairing"), content);
    m_pairingRows = new PairingRows(m_model, pairing, m_pairing);
    m_server = checkRow(QStringLiteral("server"), tr("Server"));
    m_pairing->layout()->addWidget(m_pairingRows);
    m_pairing->layout()->addWidget(m_server);
    return m_pairing;
}

QWidget* SetupView::buildOtherChecks(QWidget* content) {
    m_otherSection = section(tr("Other checks"), content);
    m_otherSection->setObjectName(QStringLiteral("otherChecks"));
    m_otherRows = static_cast<QVBoxLayout*>(m_otherSection->layout());
    m_moreChecks = label({}, m_otherSection, Type::font(TypeStyle::Callout));
    m_moreChecks->setObjectName(QStringLiteral("moreChecks"));
    m_moreChecks->setWordWrap(true);
    m_text2Labels << m_moreChecks;
    m_otherRows->addWidget(m_moreChecks);
    return m_otherSection;
}

CheckRow* SetupView::checkRow(const QString& name, const QString& title) {
    auto* row = new CheckRow(this);
    row->setObjectName(name);
    row->setTitle(title);
    return row;
}

void SetupView::openPane(SettingsPane pane) {
    if (const QUrl address = m_platform.facilities->settingsPane(pane); !address.isEmpty())
        m_platform.workspace->openUrl(address);
}

QWidget* SetupView::buildHeader() {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(12);
    row->addWidget(new BrandMarkView(40, header), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new HeadingLabel(tr("Set up Wrenbox"), header);
    title->setTextFormat(Qt::PlainText);
    title->setFont(Type::font(TypeStyle::Title2, QFont::DemiBold));
    auto* intro = label(tr("Your Mac sends the texts your scripts and AI agents queue, from your "
                           "iPhone's number."),
                        header);
    intro->setWordWrap(true);
    m_text2Labels << intro;
    texts->addWidget(title);
    texts->addWidget(intro);
    row->addLayout(texts, 1);
    // Desktops without an application menu have no other visible way into Settings.
    m_settings = new QPushButton(tr("Settings…"), header);
    Look::quiet(m_settings);
    connect(m_settings, &QPushButton::clicked, this, &SetupView::settingsRequested);
    m_settings->setIcon(
        QIcon(Look::symbol(QStringLiteral("gearshape"), Palette::text2(), 14, header)));
    row->addWidget(m_settings, 0, Qt::AlignTop);
    return header;
}

QWidget* SetupView::buildFullDiskAccessFix() {
    auto* fix = new QWidget(this);
    auto* stack = new QVBoxLayout(fix);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);

    // "&" would mark a mnemonic.
    m_openPrivacy = new QPushButton(
        tr("Open Privacy & Security").replace(QLatin1Char('&'), QLatin1String("&&")), fix);
    connect(m_openPrivacy, &QPushButton::clicked, this,
            [this] { openPane(SettingsPane::FullDiskAccess); });
    stack->addWidget(m_openPrivacy, 0, Qt::AlignRight);

    m_dragHint = new QWidget(fix);
    auto* drag = new QHBoxLayout(m_dragHint);
    drag->setContentsMargins(0, 0, 0, 0);
    drag->setSpacing(6);
    drag->addStretch();
    drag->addWidget(label(tr("Then drag"), m_dragHint, Type::font(TypeStyle::Caption)));
    drag->addWidget(new AppIconLabel(m_platform.bundle->bundlePath(), m_dragHint));
    drag->addWidget(label(tr("into the list"), m_dragHint, Type::font(TypeStyle::Caption)));
    m_dragHint->setVisible(m_model.has(Facility::DragIntoList));
    stack->addWidget(m_dragHint);

    auto* how = label(tr("Or press +, then Cmd-Shift-G, paste the path and press Return."), fix,
                      Type::font(TypeStyle::Caption));
    how->setWordWrap(true);
    how->setAlignment(Qt::AlignRight);
    // A fixed width lets the label wrap to its full height.
    how->setFixedWidth(220);
    m_text3Labels << how;
    stack->addWidget(how, 0, Qt::AlignRight);
    // The path is for pasting into the go-to-folder sheet.
    const bool goToFolder = m_model.has(Facility::GoToFolder);
    how->setVisible(goToFolder);

    m_copyPath = new QPushButton(tr("Copy path"), fix);
    m_copyPath->setFont(Type::font(TypeStyle::Caption));
    connect(m_copyPath, &QPushButton::clicked, this, [this] {
        m_platform.workspace->copyText(m_platform.bundle->bundlePath());
        m_copiedPath = true;
        sync();
        m_announcer->announce(m_copyPath->text());
    });
    m_copyPath->setVisible(goToFolder);
    stack->addWidget(m_copyPath, 0, Qt::AlignRight);
    return fix;
}

QWidget* SetupView::buildMessagesFix() {
    auto* fix = new QWidget(this);
    auto* stack = new QVBoxLayout(fix);
    stack->setContentsMargins(0, 0, 0, 0);
    m_openAutomation = new QPushButton(tr("Open Automation Settings"), fix);
    connect(m_openAutomation, &QPushButton::clicked, this,
            [this] { openPane(SettingsPane::Automation); });
    m_allowMessages = new QPushButton(tr("Allow Wrenbox to use Messages"), fix);
    connect(m_allowMessages, &QPushButton::clicked, this,
            [this] { detach(m_model.requestMessagesAutomation(), "asking for Messages"); });
    stack->addWidget(m_openAutomation, 0, Qt::AlignRight);
    stack->addWidget(m_allowMessages, 0, Qt::AlignRight);
    return fix;
}

QWidget* SetupView::buildSummary() {
    auto* box = section({}, this);
    auto* row = new QHBoxLayout;
    m_checkingSpinner = new Spinner(14, box);
    m_summary = label({}, box);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_checkAgain = new QPushButton(tr("Check again"), box);
    m_checkAgain->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    // The button does not wait: the refresh runs on the model and the rows follow it.
    connect(m_checkAgain, &QPushButton::clicked, this,
            [this] { detach(m_model.refresh(), "checking again"); });
    m_summary->setWordWrap(true);
    row->addWidget(m_checkingSpinner, 0, Qt::AlignTop);
    row->addWidget(m_summary, 1);
    row->addWidget(m_checkAgain, 0, Qt::AlignTop);
    box->layout()->addItem(row);
    // While the relay stops, its latest exits show here, not only in the details.
    m_restarts = label({}, box, Type::monospaced(TypeStyle::Caption));
    m_restarts->setObjectName(QStringLiteral("restarts"));
    m_text2Labels << m_restarts;
    box->layout()->addWidget(m_restarts);

    m_detailsToggle = new QToolButton(box);
    m_detailsToggle->setObjectName(QStringLiteral("details"));
    m_detailsToggle->setText(tr("Details"));
    m_detailsToggle->setCheckable(true);
    m_detailsToggle->setAutoRaise(true);
    m_detailsToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(m_detailsToggle, &QToolButton::toggled, this, [this](bool open) {
        m_showsDetails = open;
        m_revealDetails = open;
        sync();
    });
    box->layout()->addWidget(m_detailsToggle);

    m_details = new QWidget(box);
    auto* details = new QVBoxLayout(m_details);
    details->setContentsMargins(0, 4, 0, 0);
    details->setSpacing(6);
    m_diagnostics = label({}, m_details, Type::monospaced(TypeStyle::Caption));
    m_diagnostics->setObjectName(QStringLiteral("diagnostics"));
    m_diagnostics->setWordWrap(true);
    m_diagnostics->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_diagnostics->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
    m_text2Labels << m_diagnostics;
    m_copyDiagnostics = new QPushButton(tr("Copy diagnostics"), m_details);
    m_copyDiagnostics->setToolTip(tr("Copies every check, for a bug report"));
    connect(m_copyDiagnostics, &QPushButton::clicked, this, [this] {
        m_platform.workspace->copyText(diagnostics());
        m_announcer->announce(tr("Diagnostics copied"));
    });
    details->addWidget(m_diagnostics);
    details->addWidget(m_copyDiagnostics, 0, Qt::AlignLeft);
    box->layout()->addWidget(m_details);
    return box;
}

QList<CheckRow*> SetupView::otherCheckRows() const {
    return m_otherSection->findChildren<CheckRow*>(Qt::FindDirectChildrenOnly);
}

void SetupView::sync() {
    syncPermissions();
    syncForwarding();
    const auto server = m_model.doctor().check(QStringLiteral("server"));
    m_server->setStatus(statusOf(server));
    m_server->setChecking(m_model.isChecking());
    m_server->setText(
        SetupCopy::server(server, m_model.status().server.value_or(AppModel::defaultServer())));
    syncOtherChecks();
    syncLaunchAgent();
    syncSummary();
    for (QLabel* label : std::as_const(m_text2Labels))
        Look::tint(label, Palette::text2());
    for (QLabel* label : std::as_const(m_text3Labels))
        Look::tint(label, Palette::text3());
    fitHeight();
}

void SetupView::syncPermissions() {
    const bool checking = m_model.isChecking();
    const auto chatdb = m_model.doctor().check(QStringLiteral("chatdb"));
    // A step this system has no facility for is neither done nor to do.
    const bool privacy = m_model.has(Facility::PrivacyPanes);
    const bool automation = m_model.has(Facility::AppleEventAutomation);
    m_fullDiskAccess->setNotNeeded(!privacy);
    m_fullDiskAccess->setStatus(statusOf(chatdb));
    m_fullDiskAccess->setChecking(checking);
    m_fullDiskAccess->setText(privacy ? SetupCopy::fullDiskAccess(chatdb) : SetupCopy::notNeeded());
    m_copyPath->setText(m_copiedPath ? tr("Path copied") : tr("Copy path"));

    const MessagesPermission permission = m_model.messagesPermission();
    m_messages->setNotNeeded(!automation);
    m_messages->setStatus(SetupCopy::automationStatus(permission));
    m_messages->setChecking(checking || m_model.askingMessages());
    m_messages->setText(automation ? SetupCopy::automation(permission) : SetupCopy::notNeeded());
    m_openAutomation->setVisible(permission == MessagesPermission::Denied);
    m_allowMessages->setVisible(permission != MessagesPermission::Denied);
    m_allowMessages->setEnabled(!m_model.askingMessages());
}

void SetupView::syncForwarding() {
    const auto chatdb = m_model.doctor().check(QStringLiteral("chatdb"));
    const auto forwarding = m_model.doctor().check(QStringLiteral("forwarding"));
    const bool privacy = m_model.has(Facility::PrivacyPanes);
    m_forwarding->setStatus(statusOf(forwarding));
    m_forwarding->setChecking(m_model.isChecking());
    m_forwarding->setText(
        SetupCopy::forwarding(forwarding, privacy && chatdb && chatdb->status == Status::Fail));
    // The iPhone instructions only help when texts have stopped arriving.
    const bool instruct = forwarding && forwarding->status == Status::Warn;
    if (instruct != (m_forwarding->fix() != nullptr)) {
        QLabel* steps = nullptr;
        if (instruct) {
            steps = label(tr("On your iPhone: Settings › Apps › Messages › Text Message "
                             "Forwarding, then turn on this Mac. Then send yourself a text from "
                             "another phone and click Check again."),
                          m_forwarding, Type::font(TypeStyle::Caption));
            steps->setObjectName(QStringLiteral("forwardingSteps"));
            steps->setWordWrap(true);
            steps->setAlignment(Qt::AlignRight);
            steps->setFixedWidth(200);
        }
        m_forwarding->setFix(steps);
    }
    if (auto* steps = qobject_cast<QLabel*>(m_forwarding->fix()))
        Look::tint(steps, Palette::text2());
}

void SetupView::syncSummary() {
    const bool checking = m_model.isChecking();
    const RelayPhase phase = m_model.phase();
    const auto attention = phase.attention();
    // A relay that keeps stopping is told here as the panel tells it, and its exits shown.
    const bool stopped =
        attention && attention->kind() == RelayPhase::Attention::Kind::RelayStopped;
    m_checkingSpinner->setVisible(checking);
    if (checking) {
        m_summary->setText(tr("Checking…"));
        Look::tint(m_summary, Palette::text2());
    } else if (stopped) {
        m_summary->setText(StatusLine::spokenText(phase, m_platform.clock->now()));
        Look::tint(m_summary, toneColor(StatusLine::tone(phase)));
    } else {
        const qint64 problems =
            SetupCopy::problems(m_model.doctor(), !m_model.has(Facility::PrivacyPanes),
                                !m_model.has(Facility::AppleEventAutomation));
        m_summary->setText(SetupCopy::summary(problems));
        // Green only when the panel is: a relay paused or starting is not all good.
        const bool good = problems == 0 && StatusLine::tone(phase) == Tone::Success;
        Look::tint(m_summary, good ? Palette::success() : Palette::text2());
    }
    QStringList exits;
    const QList<RelayExit>& all = m_model.relayExits();
    for (qsizetype i = std::max<qsizetype>(0, all.size() - 5); stopped && i < all.size(); ++i)
        exits.prepend(AppModel::exitLine(all[i]));
    m_restarts->setText(exits.join(u'\n'));
    m_restarts->setVisible(!exits.isEmpty());
    m_checkAgain->setEnabled(!checking);
    m_detailsToggle->setArrowType(m_showsDetails ? Qt::DownArrow : Qt::RightArrow);
    m_details->setVisible(m_showsDetails);
    if (m_showsDetails)
        m_diagnostics->setText(diagnostics());
}

QString SetupView::diagnostics() const {
    QString report = m_model.diagnostics();
    if (!m_history)
        return report;
    if (!m_history->problem().isEmpty())
        report += u'\n' + m_history->problem();
    QStringList lines{{}, tr("History of the last 24 hours")};
    const QList<HistoryEntry> day =
        m_history->since(m_platform.clock->now().addSecs(-qint64(24) * 60 * 60));
    for (const HistoryEntry& entry : day)
        lines << HistoryText::line(entry);
    return report + u'\n' + lines.join(u'\n');
}

void SetupView::syncOtherChecks() {
    // Rows are updated in place and their number is bounded: a relay can report thousands of
    // checks, and every refresh reports them again.
    const QList<DoctorCheck> checks = SetupCopy::otherChecks(m_model.doctor());
    const qsizetype shown = std::min(checks.size(), otherRowsShown);
    QList<CheckRow*> rows = otherCheckRows();
    while (rows.size() > shown)
        delete rows.takeLast();
    for (qsizetype i = 0; i < shown; ++i) {
        if (i == rows.size()) {
            rows << new CheckRow(m_otherSection);
            m_otherRows->insertWidget(int(i), rows.constLast());
        }
        CheckRow* row = rows[i];
        const DoctorCheck& check = checks[i];
        row->setObjectName(check.id);
        row->setStatus(check.status);
        row->setChecking(m_model.isChecking());
        row->setTitle(SetupCopy::title(check));
        row->setText(SetupCopy::otherCheckText());
    }
    const qsizetype more = checks.size() - shown;
    m_moreChecks->setText(more == 1
                              ? tr("And 1 more check; Copy diagnostics has them all.")
                              : tr("And %1 more checks; Copy diagnostics has them all.").arg(more));
    m_moreChecks->setVisible(more > 0);
    m_otherSection->setVisible(!checks.isEmpty());
}

void SetupView::syncLaunchAgent() {
    // Looked at each time the content is rebuilt: the file can come and go behind the app.
    m_model.checkLaunchAgent();
    const bool installed = m_model.launchAgentInstalled();
    if (installed && !m_launchAgentRow) {
        m_launchAgentRow = new LaunchAgentRow(m_model, m_launchAgentSection);
        m_launchAgentSection->layout()->addWidget(m_launchAgentRow);
    } else if (!installed && m_launchAgentRow) {
        // Its error goes with it.
        delete m_launchAgentRow;
    }
    m_launchAgentSection->setVisible(installed);
}

void SetupView::fitHeight() {
    if (!isVisible())
        return;
    // As tall as the content, at least the usual height, never taller than the screen: what
    // does not fit scrolls inside the window.
    const QSize room = ScreenFit::room(this);
    const int least = room.height() > 0 ? qMin(leastHeight, room.height()) : leastHeight;
    setMinimumHeight(least);
    QWidget* content = m_sections->parentWidget();
    int height = content->hasHeightForWidth() ? content->heightForWidth(windowWidth)
                                              : content->sizeHint().height();
    height = qMax(least, height);
    if (room.height() > 0)
        height = qMin(height, room.height());
    if (height != this->height())
        resize(windowWidth, height);
    ScreenFit::keepOnScreen(this);
    if (m_revealDetails) {
        m_revealDetails = false;
        content->layout()->activate();
        m_scroll->ensureWidgetVisible(m_copyDiagnostics);
    }
}

bool SetupView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::LayoutRequest && m_sections &&
        watched == m_sections->parentWidget())
        fitHeight();
    return QWidget::eventFilter(watched, event);
}

void SetupView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        sync();
        // A user who has yet to pair starts at the code; otherwise the window's first control.
        auto* code = findChild<QLineEdit*>(QStringLiteral("pairingCode"));
        if (code && code->isVisibleTo(this))
            code->setFocus(Qt::TabFocusReason);
        else
            m_settings->setFocus(Qt::TabFocusReason);
        setAttribute(Qt::WA_KeyboardFocusChange); // the focus shows from the start
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(ScreenFit::inside(frame, screen->availableGeometry()).topLeft());
        }
    }
    // Every showing brings the checks up to date; the model's own poll does the rest.
    detach(m_model.refresh(), "refreshing Setup");
}

void SetupView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event)) {
        Look::quiet(m_settings);
        m_settings->setIcon(
            QIcon(Look::symbol(QStringLiteral("gearshape"), Palette::text2(), 14, this)));
        sync();
    }
}
