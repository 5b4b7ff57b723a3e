#include "Features/Setup/LaunchAgentRow.h"

#include "Core/AppModel.h"
#include "Core/Relay/RelayError.h"
#include "Core/Tasks.h"
#include "Design/Appearance.h"
#include "Design/Look.h"
#include "Design/Type.h"
#include "Features/Setup/StatusRow.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

LaunchAgentRow::LaunchAgentRow(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    m_icon = new QLabel(this);
    m_icon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_icon->setAccessibleName(tr("Needs a look"));
    const StatusRow row(this, m_icon);
    row.title->setText(tr("A command-line relay is installed"));
    m_text = row.detail;
    m_text->setText(tr("It was set up with wrenbox relay install. Remove it so only Wrenbox "
                       "sends; two relays never run at once."));
    m_errorLabel = new QLabel(this);
    m_errorLabel->setObjectName(QStringLiteral("launchAgentError"));
    m_errorLabel->setFont(Type::font(TypeStyle::Caption));
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextFormat(Qt::PlainText);
    row.texts->addWidget(m_errorLabel);

    // Not disabled while a removal runs: each press runs the uninstall command once.
    m_remove = new QPushButton(tr("Remove it"), this);
    connect(m_remove, &QPushButton::clicked, this, &LaunchAgentRow::remove);
    row.addControl(m_remove);
    sync();
}

void LaunchAgentRow::remove() {
    detach(removeTask(), "removing the command-line relay");
}

QCoro::Task<> LaunchAgentRow::removeTask() {
    QPointer<LaunchAgentRow> self(this);
    std::optional<QString> failure;
    try {
        co_await m_model.removeLaunchAgent();
    } catch (const RelayError& error) {
        failure = error.description();
    }
    if (failure && self) {
        m_error = failure;
        sync();
    }
}

void LaunchAgentRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        sync();
}

void LaunchAgentRow::sync() {
    m_icon->setPixmap(
        Look::symbol(QStringLiteral("exclamationmark.circle.fill"), Palette::warning(), 18, this));
    Look::tint(m_text, Palette::text2());
    Look::tint(m_errorLabel, Palette::danger());
    m_errorLabel->setText(m_error.value_or(QString()));
    m_errorLabel->setVisible(m_error.has_value());
}
