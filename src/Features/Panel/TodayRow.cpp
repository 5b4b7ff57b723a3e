#include "Features/Panel/TodayRow.h"

#include "Design/Accessible.h"

#include "Core/AppModel.h"
#include "Design/Appearance.h"
#include "Design/Symbols.h"
#include "Design/Tone.h"
#include "Design/Type.h"
#include "Features/Panel/FrameSync.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

QList<TodayRow::Stat> TodayRow::stats(const RelayToday& today) {
    const auto stat = [](const QString& title, qint64 value, const char* symbol) {
        return Stat{title, QString::number(value), QString::fromLatin1(symbol),
                    tr("%1 today").arg(value)};
    };
    return {stat(tr("Sent"), today.sent, "checkmark"), stat(tr("Failed"), today.failed, "xmark"),
            stat(tr("Received"), today.received, "arrow.down")};
}

QString TodayRow::spokenName() {
    return tr("Today");
}

TodayRow::TodayRow(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    setAccessibleName(spokenName());

    for (int i = 0; i < 3; ++i) {
        auto* column = new QWidget(this);
        auto* stack = new QVBoxLayout(column);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(2);

        auto* value = new QLabel(column);
        // The column is read as one: its name and its spoken value.
        Accessible::hide(value);
        stack->addWidget(value);

        auto* caption = new QHBoxLayout;
        caption->setContentsMargins(0, 0, 0, 0);
        caption->setSpacing(3);
        auto* icon = new QLabel(column);
        auto* title = new QLabel(column);
        Accessible::hide(icon);
        Accessible::hide(title);
        caption->addWidget(icon);
        caption->addWidget(title);
        caption->addStretch(1);
        stack->addLayout(caption);

        // Three equal columns, each from the leading edge of its share.
        row->addWidget(column, 1, Qt::AlignLeft | Qt::AlignVCenter);
        m_columns.append(column);
        m_values.append(value);
        m_icons.append(icon);
        m_titles.append(title);
    }
    restyle();
    sync();
    connect(&m_model, &AppModel::todayChanged, new FrameSync(this, [this] { sync(); }),
            &FrameSync::request);
}

void TodayRow::sync() {
    const QList<Stat> shown = stats(m_model.today());
    for (qsizetype i = 0; i < shown.size(); ++i) {
        m_values[i]->setText(shown[i].value);
        m_titles[i]->setText(shown[i].title);
        m_columns[i]->setAccessibleName(shown[i].title);
        m_columns[i]->setAccessibleDescription(shown[i].spokenValue);
    }
}

void TodayRow::restyle() {
    const QList<Stat> shown = stats({});
    const QColor caption = toneColor(Tone::Text2, this);
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        m_values[i]->setFont(Type::scaled(24, QFont::DemiBold));
        applyTypeStyle(m_titles[i], TypeStyle::Caption);
        QPalette p = m_titles[i]->palette();
        p.setColor(QPalette::WindowText, caption);
        m_titles[i]->setPalette(p);
        const int size = QFontMetrics(m_titles[i]->font()).height() - 3;
        m_icons[i]->setPixmap(
            Symbols::icon(shown[i].symbol, caption, std::max(size, 8), devicePixelRatioF()));
    }
}

void TodayRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        restyle();
}
