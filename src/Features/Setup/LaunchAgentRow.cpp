#include "Features/Setup/LaunchAgentRow.h"

#include "Core/AppModel.h"
#include "Core/Relay/RelayError.h"
#include "Core/Tasks.h"
#include "Design/Appearance.h"
#include "Design/Look.h"
#include "Design/Type.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

LaunchAgentRow::LaunchAgentRow(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(12);
    m_icon = new QLabel(this);
    m_icon->setFixedWidth(22);
    m_icon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_icon->setAccessibleName(tr("Needs a look"));
    layout->addWidget(m_icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* title = new QLabel(tr("A command-line relay is installed"), this);
    title->setFont(Type::font(TypeStyle::Body, QFont::Medium));
    m_text = new QLabel(tr("It was set up with wrenbox relay install. Remove it so only Wrenbox "
                           "sends; two relays never run at once."),
                        this);
    m_text->setFont(Type::font(TypeStyle::Callout));
    m_text->setWordWrap(true);
    m_errorLabel = new QLabel(this);
    m_errorLabel->setObjectName(QStringLiteral("launchAgentError"));
    m_errorLabel->setFont(Type::font(TypeStyle::Caption));
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextFormat(Qt::PlainText);
    texts->addWidget(title);
    texts->addWidget(m_text);
    texts->addWidget(m_errorLabel);
    layout->addLayout(texts, 1);

    // Not disabled while a removal runs: each press runs the uninstall command once.
    m_remove = new QPushButton(tr("Remove it"), this);
    connect(m_remove, &QPushButton::clicked, this, &LaunchAgentRow::remove);
    layout->addWidget(m_remove, 0, Qt::AlignTop);
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
