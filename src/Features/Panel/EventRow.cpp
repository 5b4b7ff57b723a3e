#include "Features/Panel/EventRow.h"

#include "Design/Accessible.h"

#include "Design/Appearance.h"
#include "Design/Symbols.h"
#include "Design/Type.h"
#include "Features/Panel/ClockText.h"
#include "Features/Panel/LineLimitedLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace {
constexpr int iconColumn = 16;
}

QString EventRow::symbol(const RelayEvent& event) {
    using Kind = RelayEvent::Kind;
    switch (event.kind) {
    case Kind::Started:
    case Kind::Resumed:
        return QStringLiteral("play.circle");
    case Kind::Synced:
        return QStringLiteral("arrow.triangle.2.circlepath");
    case Kind::Sent:
        return QStringLiteral("checkmark.circle.fill");
    case Kind::Failed:
        return QStringLiteral("xmark.circle.fill");
    case Kind::Received:
        return QStringLiteral("arrow.down.circle.fill");
    case Kind::Paused:
        return QStringLiteral("pause.circle");
    case Kind::UpdateRequired:
        return QStringLiteral("arrow.down.app");
    case Kind::Unpaired:
        return QStringLiteral("link.badge.plus");
    case Kind::Error:
    case Kind::Unknown:
        break;
    }
    return QStringLiteral("exclamationmark.triangle.fill");
}

QString EventRow::text(const RelayEvent& event) {
    using Kind = RelayEvent::Kind;
    switch (event.kind) {
    case Kind::Started:
        return tr("Relay started");
    case Kind::Synced: {
        const qint64 jobs = event.jobs.value_or(0);
        if (jobs <= 0)
            return tr("Synced · nothing to send");
        if (jobs == 1)
            return tr("Synced · 1 text to send");
        return tr("Synced · %1 texts to send").arg(jobs);
    }
    case Kind::Sent:
        return tr("Text sent");
    case Kind::Failed: {
        const QString reason = event.message ? *event.message
                               : event.error ? *event.error
                                             : tr("unknown reason");
        return tr("Not sent: %1").arg(reason);
    }
    case Kind::Received:
        return tr("Reply received");
    case Kind::Paused:
        return tr("Paused");
    case Kind::Resumed:
        return tr("Resumed");
    case Kind::UpdateRequired:
        return tr("Update required");
    case Kind::Unpaired:
        return tr("This Mac was removed from the account");
    case Kind::Error:
        // The relay's own words, shown as they are.
        return event.message ? *event.message : tr("Relay error");
    case Kind::Unknown:
        break;
    }
    return tr("Relay event");
}

Tone EventRow::tone(const RelayEvent& event) {
    using Kind = RelayEvent::Kind;
    switch (event.kind) {
    case Kind::Sent:
        return Tone::Success;
    case Kind::Failed:
    case Kind::Error:
        return Tone::Danger;
    case Kind::Received:
        return Tone::Info;
    case Kind::UpdateRequired:
    case Kind::Unpaired:
        return Tone::Warning;
    case Kind::Started:
    case Kind::Synced:
    case Kind::Paused:
    case Kind::Resumed:
    case Kind::Unknown:
        break;
    }
    return Tone::Text2;
}

QString EventRow::time(const RelayEvent& event) {
    return clockText(event.at);
}

EventRow::EventRow(QWidget* parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_sentence(new LineLimitedLabel(2, this))
    , m_time(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    m_icon->setFixedWidth(iconColumn);
    m_icon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    applyTypeStyle(m_sentence, TypeStyle::Callout);
    applyTypeStyle(m_time, TypeStyle::Caption);
    m_time->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_time->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    // Icon and time sit on the first line of the sentence, however many lines it takes.
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_sentence, 1);
    layout->addWidget(m_time, 0, Qt::AlignTop);

    // One element for assistive technology; its icon is decoration.
    Accessible::hide(m_icon);
    setFocusPolicy(Qt::NoFocus);
}

void EventRow::show(const RelayEvent& event) {
    const QString symbolName = symbol(event);
    const Tone kindTone = tone(event);
    // Rows are shown again on every change of the feed; most keep their icon.
    const bool sameIcon = symbolName == m_symbol && kindTone == m_tone;
    m_symbol = symbolName;
    m_tone = kindTone;
    const QString sentence = text(event);
    const QString clock = time(event);
    m_sentence->setText(sentence);
    m_time->setText(clock);
    // The label's own name, which is cut where an absurdly long sentence is.
    setAccessibleName(m_sentence->accessibleName() + QStringLiteral(", ") + clock);
    if (!sameIcon)
        paintIcon();
    QWidget::show();
}

void EventRow::paintIcon() {
    // The icon is as tall as the sentence's first line, so it lines up with it.
    const int size = QFontMetrics(m_sentence->font()).height() - 2;
    m_icon->setPixmap(
        Symbols::icon(m_symbol, toneColor(m_tone, this), std::max(size, 10), devicePixelRatioF()));
    m_icon->setMinimumHeight(QFontMetrics(m_sentence->font()).lineSpacing());
    QPalette p = m_time->palette();
    p.setColor(QPalette::WindowText, toneColor(Tone::Text3, this));
    m_time->setPalette(p);
    // The smaller time shares the sentence's first baseline.
    const int drop =
        QFontMetrics(m_sentence->font()).ascent() - QFontMetrics(m_time->font()).ascent();
    m_time->setContentsMargins(0, std::max(drop, 0), 0, 0);
}

void EventRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event) && !m_symbol.isEmpty())
        paintIcon();
}
