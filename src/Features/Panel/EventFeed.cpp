#include "Features/Panel/EventFeed.h"

#include "Core/AppModel.h"
#include "Design/Accessible.h"
#include "Design/Appearance.h"
#include "Design/Tone.h"
#include "Design/Type.h"
#include "Features/Panel/EventRow.h"
#include "Features/Panel/FrameSync.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

QString EventFeed::heading() {
    return tr("Recent");
}

QString EventFeed::emptyText() {
    return tr("Nothing yet. Texts show up here as they go out.");
}

EventFeed::EventFeed(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_heading(new HeadingLabel(this))
    , m_empty(new QLabel(this)) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);

    m_heading->setText(heading());
    applyTypeStyle(m_heading, TypeStyle::Caption, QFont::DemiBold);
    stack->addWidget(m_heading);

    m_empty->setText(emptyText());
    m_empty->setWordWrap(true);
    applyTypeStyle(m_empty, TypeStyle::Callout);
    stack->addWidget(m_empty);

    for (int i = 0; i < maxRows; ++i) {
        auto* row = new EventRow(this);
        row->hide();
        stack->addWidget(row);
        m_rows.append(row);
    }
    restyle();
    sync();
    connect(&m_model, &AppModel::eventsChanged, new FrameSync(this, [this] { sync(); }),
            &FrameSync::request);
}

void EventFeed::sync() {
    const QList<RelayEvent>& events = m_model.events(); // newest first
    const qsizetype shown = std::min<qsizetype>(events.size(), maxRows);
    m_empty->setVisible(events.isEmpty());
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (i < shown)
            m_rows[i]->show(events[i]);
        else
            m_rows[i]->hide();
    }
}

QList<EventRow*> EventFeed::visibleRows() const {
    QList<EventRow*> rows;
    for (EventRow* row : m_rows) {
        if (!row->isHidden())
            rows.append(row);
    }
    return rows;
}

void EventFeed::restyle() {
    QPalette heading = m_heading->palette();
    heading.setColor(QPalette::WindowText, toneColor(Tone::Text3, this));
    m_heading->setPalette(heading);
    QPalette empty = m_empty->palette();
    empty.setColor(QPalette::WindowText, toneColor(Tone::Text2, this));
    m_empty->setPalette(empty);
}

void EventFeed::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        restyle();
}
