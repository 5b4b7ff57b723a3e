#include "Features/Setup/CheckRow.h"

#include "Design/Spinner.h"
#include "Features/Setup/StatusRow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int iconSize = 18;
} // namespace

CheckRow::CheckRow(QWidget* parent)
    : QWidget(parent) {
    auto* iconBox = new QWidget(this);
    auto* iconLayout = new QVBoxLayout(iconBox);
    iconLayout->setContentsMargins(0, 0, 0, 0);
    m_icon = new QLabel(iconBox);
    m_icon->setObjectName(QStringLiteral("state"));
    m_icon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_spinner = new Spinner(16, iconBox);
    iconLayout->addWidget(m_icon, 0, Qt::AlignHCenter | Qt::AlignTop);
    iconLayout->addWidget(m_spinner, 0, Qt::AlignHCenter | Qt::AlignTop);
    iconLayout->addStretch();

    const StatusRow row(this, iconBox);
    m_row = row.layout;
    m_title = row.title;
    m_title->setObjectName(QStringLiteral("title"));
    m_text = row.detail;
    m_text->setObjectName(QStringLiteral("text"));
    row.texts->addStretch();
    sync();
}

void CheckRow::setStatus(std::optional<Status> status) {
    // Rows are updated in place on every refresh; an unchanged row draws nothing again.
    if (status == m_status)
        return;
    m_status = status;
    sync();
}

void CheckRow::setChecking(bool checking) {
    if (checking == m_checking)
        return;
    m_checking = checking;
    sync();
}

void CheckRow::setTitle(const QString& title) {
    m_title->setText(title);
    setAccessibleName(title);
}

void CheckRow::setText(const QString& text) {
    m_text->setText(text);
    setAccessibleDescription(text);
}

void CheckRow::setFix(QWidget* fix) {
    if (m_fix == fix)
        return;
    delete m_fix;
    m_fix = fix;
    if (fix)
        m_row->addWidget(fix, 0, Qt::AlignTop | Qt::AlignRight);
    sync();
}

void CheckRow::setNotNeeded(bool notNeeded) {
    if (m_notNeeded == notNeeded)
        return;
    m_notNeeded = notNeeded;
    sync();
}

QString CheckRow::iconAccessibleName() const {
    if (m_notNeeded)
        return tr("Not needed");
    return m_checking ? tr("Checking") : stateLabel(m_status);
}

QString CheckRow::stateLabel(std::optional<Status> status) {
    if (!status)
        return tr("Not checked yet");
    switch (*status) {
    case Status::Ok:
        return tr("Done");
    case Status::Warn:
        return tr("Needs a look");
    case Status::Fail:
        return tr("To do");
    case Status::Info:
        break;
    }
    return tr("Not checked yet");
}

QString CheckRow::symbolName(std::optional<Status> status) {
    if (!status)
        return QStringLiteral("circle.dashed");
    switch (*status) {
    case Status::Ok:
        return QStringLiteral("checkmark.circle.fill");
    case Status::Warn:
        return QStringLiteral("exclamationmark.circle.fill");
    case Status::Fail:
        return QStringLiteral("xmark.circle.fill");
    case Status::Info:
        break;
    }
    return QStringLiteral("circle.dashed");
}

const DynamicColor& CheckRow::color(std::optional<Status> status) {
    if (!status)
        return Palette::text3();
    switch (*status) {
    case Status::Ok:
        return Palette::success();
    case Status::Warn:
        return Palette::warning();
    case Status::Fail:
        return Palette::danger();
    case Status::Info:
        break;
    }
    return Palette::text3();
}

void CheckRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        sync();
}

void CheckRow::sync() {
    const bool spins = m_checking && !m_notNeeded;
    m_spinner->setVisible(spins);
    m_icon->setVisible(!spins);
    if (m_notNeeded)
        m_icon->setPixmap(
            Look::symbol(QStringLiteral("minus.circle"), Palette::text3(), iconSize, this));
    else
        m_icon->setPixmap(Look::symbol(symbolName(m_status), color(m_status), iconSize, this));
    m_icon->setAccessibleName(iconAccessibleName());
    m_spinner->setAccessibleName(tr("Checking"));
    Look::tint(m_text, Palette::text2());
    // Nothing to fix once the check passes, or where there is nothing to do.
    if (m_fix)
        m_fix->setVisible(!m_notNeeded && m_status != Status::Ok);
}
