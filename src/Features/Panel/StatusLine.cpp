#include "Features/Panel/StatusLine.h"

#include "Features/Panel/MenuBarLabel.h"

#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Core/Platform/Platform.h"
#include "Core/Shortened.h"
#include "Design/Accessible.h"
#include "Design/Appearance.h"
#include "Design/Look.h"
#include "Design/Symbols.h"
#include "Design/Type.h"
#include "Features/Panel/ClockText.h"
#include "Features/Panel/FrameSync.h"
#include "Features/Panel/WebAddress.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

using Attention = RelayPhase::Attention;

namespace {
// About ten lines of the panel: more than any real error message, far less than a relay could
// send (a megabyte-long line took seconds to lay out). The notification shows the same.
constexpr qsizetype relayWordsShown = 500;
} // namespace

QString StatusLine::headline(const RelayPhase& phase, const QDateTime& now) {
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
        if (const auto last = phase.lastSync())
            return tr("Online · last sync %1").arg(ago(*last, now));
        return tr("Online");
    case RelayPhase::Kind::Sending: {
        const qint64 total = phase.total();
        return tr("Sending %1 of %2").arg(std::min(phase.done() + 1, total)).arg(total);
    }
    case RelayPhase::Kind::Paused:
        return phase.byServer() ? tr("Paused for now") : tr("Paused");
    case RelayPhase::Kind::Attention:
        switch (phase.attention()->kind()) {
        case Attention::Kind::NotPaired:
            return tr("Not paired yet");
        case Attention::Kind::FullDiskAccess:
            return tr("Needs Full Disk Access");
        case Attention::Kind::Automation:
            return tr("Needs permission for Messages");
        case Attention::Kind::UpdateRequired:
            return tr("Update Wrenbox");
        case Attention::Kind::RelayStopped:
            return tr("The relay stopped");
        }
        break;
    case RelayPhase::Kind::Starting:
        break;
    }
    return tr("Starting…");
}

std::optional<QString> StatusLine::detail(const RelayPhase& phase, const QDateTime& now) {
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
        return tr("Texts go out from your iPhone's number as soon as they're queued.");
    case RelayPhase::Kind::Paused:
        if (const auto until = phase.pausedUntil()) {
            const QDateTime local = until->toLocalTime();
            const QDate today =
                (now.isValid() ? now : QDateTime::currentDateTime()).toLocalTime().date();
            const QLocale locale;
            const QString when = local.date() == today
                                     ? locale.toString(local.time(), QLocale::ShortFormat)
                                     : locale.toString(local, QLocale::ShortFormat);
            return tr("Paused until %1.").arg(when);
        }
        return phase.byServer() ? tr("Wrenbox has paused sending everywhere. It resumes by itself.")
                                : tr("Nothing is sent until you resume. Texts wait on the server.");
    case RelayPhase::Kind::Attention: {
        const Attention attention = *phase.attention();
        switch (attention.kind()) {
        case Attention::Kind::NotPaired:
            return tr("Pair this Mac with a code from the dashboard.");
        case Attention::Kind::FullDiskAccess:
            return tr("Wrenbox reads replies and send errors from Messages' database.");
        case Attention::Kind::Automation:
            return tr("Allow Wrenbox to use Messages so it can send.");
        case Attention::Kind::UpdateRequired:
            return tr("This version is older than the server accepts, so sending has stopped.");
        case Attention::Kind::RelayStopped:
            // The relay's own words, shown as they are unless absurdly long.
            return shortened(attention.text(), relayWordsShown);
        }
        return std::nullopt;
    }
    case RelayPhase::Kind::Sending:
    case RelayPhase::Kind::Starting:
        break;
    }
    return std::nullopt;
}

QString StatusLine::spokenText(const RelayPhase& phase, const QDateTime& now) {
    const auto more = detail(phase, now);
    return more ? tr("%1. %2").arg(headline(phase, now), *more) : headline(phase, now);
}

std::optional<QString> StatusLine::announcement(const RelayPhase& phase, const QDateTime& now) {
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
        // The age of the last sync moves on every second: it is not news.
        return tr("Online");
    case RelayPhase::Kind::Sending:
        return headline(phase, now);
    case RelayPhase::Kind::Paused:
        return phase.pausedUntil() ? detail(phase, now) : headline(phase, now);
    case RelayPhase::Kind::Attention:
        return spokenText(phase, now);
    case RelayPhase::Kind::Starting:
        break;
    }
    return std::nullopt;
}

QString StatusLine::actionTitle(const RelayPhase& phase) {
    if (const auto attention = phase.attention()) {
        if (attention->kind() == Attention::Kind::NotPaired)
            return tr("Pair this Mac");
        if (attention->kind() == Attention::Kind::UpdateRequired)
            return tr("Download the update");
    }
    return tr("Open Setup");
}

StatusAction StatusLine::act(const RelayPhase& phase, const std::optional<QString>& updateUrl) {
    const auto attention = phase.attention();
    if (attention && attention->kind() == Attention::Kind::UpdateRequired) {
        if (const auto url = webAddress(updateUrl))
            return {StatusAction::Kind::OpenUrl, *url};
    }
    return {StatusAction::Kind::OpenSetup, {}};
}

QString StatusLine::ago(const QDateTime& date, const QDateTime& now) {
    // Whole seconds, truncated toward zero; a date in the future counts as now.
    const qint64 seconds = std::max<qint64>(date.msecsTo(now) / 1000, 0);
    if (seconds < 60)
        return tr("%1 s ago").arg(seconds);
    if (seconds < 3600)
        return tr("%1 min ago").arg(seconds / 60);
    return clockText(date);
}

QString StatusLine::symbol(const RelayPhase& phase) {
    // The same symbol as the tray shows for the phase.
    return MenuBarLabel::symbol(phase);
}

Tone StatusLine::tone(const RelayPhase& phase) {
    switch (phase.kind()) {
    case RelayPhase::Kind::Idle:
        return Tone::Success;
    case RelayPhase::Kind::Sending:
        return Tone::Primary;
    case RelayPhase::Kind::Attention:
        return Tone::Warning;
    case RelayPhase::Kind::Paused:
    case RelayPhase::Kind::Starting:
        break;
    }
    return Tone::Text2;
}

qint64 StatusLine::progressValue(const RelayPhase& phase) {
    return std::clamp<qint64>(phase.done(), 0, progressMaximum(phase));
}

qint64 StatusLine::progressMaximum(const RelayPhase& phase) {
    return std::max<qint64>(phase.total(), 1);
}

QString StatusLine::progressName() {
    return tr("Batch progress");
}

QString StatusLine::progressText(const RelayPhase& phase) {
    return tr("%1 of %2 sent").arg(phase.done()).arg(phase.total());
}

bool StatusLine::showsAction(const RelayPhase& phase) {
    return phase.kind() == RelayPhase::Kind::Attention;
}

StatusLineView::StatusLineView(AppModel& model, Workspace& workspace,
                               std::function<void()> openSetup, Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_workspace(workspace)
    , m_openSetup(std::move(openSetup))
    , m_clock(clock)
    , m_icon(new QLabel(this))
    , m_headline(new HeadingLabel(this))
    , m_detail(new QLabel(this))
    , m_progress(new QProgressBar(this))
    , m_action(new QPushButton(this)) {
    m_headline->setObjectName(QStringLiteral("headline"));
    m_detail->setObjectName(QStringLiteral("detail"));
    m_action->setObjectName(QStringLiteral("action"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(8);
    // The icon repeats what the headline says; assistive technology reads the headline.
    Accessible::hide(m_icon);
    m_icon->setAlignment(Qt::AlignCenter);
    top->addWidget(m_icon, 0, Qt::AlignVCenter);
    applyTypeStyle(m_headline, TypeStyle::Title3, QFont::DemiBold);
    m_headline->setWordWrap(true);
    m_headline->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    top->addWidget(m_headline, 1, Qt::AlignVCenter);
    stack->addLayout(top);

    applyTypeStyle(m_detail, TypeStyle::Callout);
    m_detail->setWordWrap(true);
    stack->addWidget(m_detail);

    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(StatusLine::progressName());
    m_progress->setFixedHeight(6);
    stack->addWidget(m_progress);

    // The one way to the fix: the panel's default action, pressed with Return.
    m_action->setDefault(true);
    m_action->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    stack->addWidget(m_action, 0, Qt::AlignLeft);
    connect(m_action, &QPushButton::clicked, this, &StatusLineView::trigger);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (m_action->isVisible())
                m_action->click();
        });
    }

    sync();
    connect(&m_model, &AppModel::phaseChanged, new FrameSync(this, [this] { sync(); }),
            &FrameSync::request);
}

StatusLineView::~StatusLineView() {
    stopTicking();
}

void StatusLineView::sync() {
    const RelayPhase phase = m_model.phase();
    const int iconSize = QFontMetrics(m_headline->font()).height();
    m_icon->setPixmap(Symbols::icon(StatusLine::symbol(phase),
                                    toneColor(StatusLine::tone(phase), this), iconSize,
                                    devicePixelRatioF()));
    m_headline->setText(StatusLine::headline(phase, m_clock.now()));

    const auto detail = StatusLine::detail(phase, m_clock.now());
    m_detail->setText(detail.value_or(QString()));
    m_detail->setVisible(detail.has_value());
    QPalette detailPalette = m_detail->palette();
    detailPalette.setColor(QPalette::WindowText, toneColor(Tone::Text2, this));
    m_detail->setPalette(detailPalette);

    const bool sending = phase.kind() == RelayPhase::Kind::Sending;
    m_progress->setVisible(sending);
    if (sending) {
        m_progress->setRange(0, int(std::min<qint64>(StatusLine::progressMaximum(phase), INT_MAX)));
        m_progress->setValue(int(std::min<qint64>(StatusLine::progressValue(phase), INT_MAX)));
        m_progress->setAccessibleDescription(StatusLine::progressText(phase));
        QPalette bar = m_progress->palette();
        bar.setColor(QPalette::Highlight, toneColor(Tone::Primary, this));
        m_progress->setPalette(bar);
    }

    const bool action = StatusLine::showsAction(phase);
    m_action->setVisible(action);
    if (action) {
        m_action->setText(StatusLine::actionTitle(phase));
        Look::prominent(m_action);
    }
}

void StatusLineView::trigger() {
    const StatusAction action = StatusLine::act(m_model.phase(), m_model.status().updateUrl);
    switch (action.kind) {
    case StatusAction::Kind::OpenUrl:
        m_workspace.openUrl(action.url);
        return;
    case StatusAction::Kind::OpenSetup:
        if (m_openSetup)
            m_openSetup();
        m_workspace.activateApp();
        return;
    }
}

void StatusLineView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Whatever happened while closed, the first frame is current.
    sync();
    scheduleTick();
}

void StatusLineView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    stopTicking();
}

void StatusLineView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        sync();
}

void StatusLineView::scheduleTick() {
    if (m_tick)
        return;
    m_tick = m_clock.startTimer(std::chrono::seconds(1), this);
    connect(m_tick, &ClockTimer::finished, this, [this](bool elapsed) {
        if (m_tick)
            m_tick->deleteLater();
        m_tick = nullptr;
        if (!elapsed || !isVisible())
            return;
        // Only the age in the headline moves with time; the rest follows the model's signals.
        m_headline->setText(StatusLine::headline(m_model.phase(), m_clock.now()));
        scheduleTick();
    });
}

void StatusLineView::stopTicking() {
    if (!m_tick)
        return;
    ClockTimer* tick = m_tick;
    m_tick = nullptr;
    tick->cancel();
    tick->deleteLater();
}
