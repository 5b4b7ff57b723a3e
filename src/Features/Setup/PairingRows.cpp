#include "Features/Setup/PairingRows.h"

#include "Core/AppModel.h"
#include "Core/PairCode.h"
#include "Core/PairingRequest.h"
#include "Core/Relay/RelayError.h"
#include "Core/Tasks.h"
#include "Design/Accessible.h"
#include "Design/Look.h"
#include "Design/ScreenFit.h"
#include "Design/Spinner.h"
#include "Design/Type.h"
#include "Features/Setup/StatusRow.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QCoro::Task<> pairWith(AppModel* model, QString code, QString server) {
    co_await model->pair(std::move(code), std::move(server));
}

QCoro::Task<> unpairFrom(AppModel* model) {
    co_await model->unpair();
}

QLabel* wrappingLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

PairingRows::PairingRows(AppModel& model, PairingRequest& pairing, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_pairing(pairing) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_form = buildForm();
    m_form->setObjectName(QStringLiteral("pairingForm"));
    m_paired = buildPairedRow();
    m_paired->setObjectName(QStringLiteral("pairedRow"));
    column->addWidget(m_form);
    column->addWidget(m_paired);

    m_error = new QWidget(this);
    auto* errorRow = new QHBoxLayout(m_error);
    errorRow->setContentsMargins(0, 0, 0, 0);
    errorRow->setSpacing(6);
    m_errorIcon = new QLabel(m_error);
    Accessible::hide(m_errorIcon); // the error's own words follow
    m_errorLabel = wrappingLabel({}, m_error);
    m_errorLabel->setObjectName(QStringLiteral("pairingError"));
    errorRow->addWidget(m_errorIcon, 0, Qt::AlignTop);
    errorRow->addWidget(m_errorLabel, 1);
    column->addWidget(m_error);
    m_announcer = new Announcer(this);
    // The unpair dialog says it is modal.
    Accessible::install();

    // A link is applied when the form comes on screen, and when a new one arrives while it is.
    m_form->installEventFilter(this);
    connect(&m_pairing, &PairingRequest::pendingChanged, this, &PairingRows::pendingChanged);
    connect(&m_model, &AppModel::statusChanged, this, &PairingRows::sync);
    sync();
}

QWidget* PairingRows::buildForm() {
    auto* form = new QWidget(this);
    auto* stack = new QVBoxLayout(form);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);

    auto* instruction = wrappingLabel(tr("On the dashboard, open Phones › Add phone › iPhone + Mac "
                                         "relay. Then click Open in Wrenbox, or type the code "
                                         "shown there."),
                                      form);
    instruction->setObjectName(QStringLiteral("instruction"));
    stack->addWidget(instruction);

    stack->addLayout(buildCodeRow(form));

    m_advancedToggle = new QToolButton(form);
    m_advancedToggle->setObjectName(QStringLiteral("advanced"));
    m_advancedToggle->setText(tr("Advanced"));
    m_advancedToggle->setCheckable(true);
    m_advancedToggle->setAutoRaise(true);
    m_advancedToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(m_advancedToggle, &QToolButton::toggled, this, &PairingRows::setShowsAdvanced);
    stack->addWidget(m_advancedToggle);

    m_advanced = new QWidget(form);
    auto* advanced = new QVBoxLayout(m_advanced);
    advanced->setContentsMargins(0, 4, 0, 0);
    advanced->setSpacing(4);
    m_serverField = new QLineEdit(AppModel::defaultServer(), m_advanced);
    m_serverField->setAccessibleName(tr("Server"));
    m_serverField->setPlaceholderText(tr("Server"));
    auto* note =
        wrappingLabel(tr("Only change this if you run your own Wrenbox server."), m_advanced);
    note->setObjectName(QStringLiteral("serverNote"));
    note->setFont(Type::font(TypeStyle::Caption));
    advanced->addWidget(m_serverField);
    advanced->addWidget(note);
    stack->addWidget(m_advanced);
    return form;
}

QLayout* PairingRows::buildCodeRow(QWidget* form) {
    auto* codeRow = new QHBoxLayout;
    codeRow->setSpacing(8);
    auto* codeLabel = new QLabel(tr("Pairing code"), form);
    m_codeField = new QLineEdit(form);
    codeLabel->setBuddy(m_codeField);
    m_codeField->setObjectName(QStringLiteral("pairingCode"));
    m_codeField->setAccessibleName(tr("Pairing code"));
    m_codeField->setAccessibleDescription(tr("Six letters and numbers from the dashboard"));
    m_codeField->setPlaceholderText(tr("6 characters"));
    QFont mono = Type::font(TypeStyle::Title3);
    mono.setFamily(Type::monospaced(TypeStyle::Caption).family());
    mono.setStyleHint(QFont::Monospace);
    m_codeField->setFont(mono);
    m_codeField->setFixedWidth(150);
    // The field only ever holds a cleaned code, whatever is typed or pasted.
    connect(m_codeField, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString cleaned = PairCode::clean(text);
        if (cleaned != text)
            m_codeField->setText(cleaned);
        sync();
    });
    connect(m_codeField, &QLineEdit::returnPressed, this, &PairingRows::pair);
    m_pairButton = new QPushButton(tr("Pair"), form);
    m_pairButton->setObjectName(QStringLiteral("pair"));
    m_pairButton->setDefault(true);
    connect(m_pairButton, &QPushButton::clicked, this, &PairingRows::pair);
    m_pairSpinner = new Spinner(14, form);
    codeRow->addWidget(codeLabel);
    codeRow->addWidget(m_codeField);
    codeRow->addWidget(m_pairButton);
    codeRow->addWidget(m_pairSpinner);
    codeRow->addStretch();
    return codeRow;
}

QWidget* PairingRows::buildPairedRow() {
    auto* row = new QWidget(this);
    m_pairedIcon = new QLabel(row);
    m_pairedIcon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pairedIcon->setAccessibleName(tr("Done"));
    const StatusRow layout(row, m_pairedIcon);
    m_pairedTitle = layout.title;
    m_pairedTitle->setObjectName(QStringLiteral("pairedTitle"));
    layout.detail->setObjectName(QStringLiteral("pairedDetail"));
    layout.detail->setText(tr("Shows on your dashboard under Phones."));

    m_unpairButton = new QPushButton(tr("Unpair…"), row);
    connect(m_unpairButton, &QPushButton::clicked, this, &PairingRows::confirmUnpair);
    layout.addControl(m_unpairButton);
    return row;
}

QString PairingRows::code() const {
    return m_codeField->text();
}

QString PairingRows::server() const {
    return m_serverField->text();
}

void PairingRows::pair() {
    if (code().size() != PairCode::length || m_busy)
        return;
    const QString code = this->code();
    const QString server = this->server().trimmed();
    AppModel* model = &m_model;
    run([model, code, server] { return pairWith(model, code, server); });
}

void PairingRows::run(std::function<QCoro::Task<>()> work) {
    setBusy(true);
    setErrorText(std::nullopt);
    detach(await(std::move(work)), "pairing");
}

QCoro::Task<> PairingRows::await(std::function<QCoro::Task<>()> work) {
    QPointer<PairingRows> self(this);
    std::optional<QString> failure;
    try {
        co_await work();
    } catch (const RelayError& error) {
        failure = error.description();
    }
    if (!self)
        co_return;
    if (failure) {
        setErrorText(failure);
        m_announcer->announce(*failure);
    }
    setBusy(false);
}

void PairingRows::apply(std::optional<MacPairLink> link) {
    if (!link)
        return;
    m_pairing.setPending(std::nullopt);
    m_codeField->setText(link->code);
    if (link->server && !link->server->isEmpty()) {
        m_serverField->setText(*link->server);
        m_linkServer = link->server;
        setShowsAdvanced(*link->server != AppModel::defaultServer());
    } else if (m_linkServer && server() == *m_linkServer) {
        // A link naming no server means the default one, not whatever an earlier link left.
        m_serverField->setText(AppModel::defaultServer());
        m_linkServer.reset();
        setShowsAdvanced(false);
    }
    sync();
    if (code().size() != PairCode::length)
        return;
    // Only the default server is paired with without the user: a web page must not tie
    // someone's number to a server they did not choose.
    if (server().trimmed() == AppModel::defaultServer())
        pair();
    else
        m_pairButton->setFocus();
}

void PairingRows::pendingChanged() {
    if (m_form->isVisible())
        apply(m_pairing.pending());
}

void PairingRows::confirmUnpair() {
    if (m_dialog)
        return m_dialog->raise();
    auto* dialog = new QMessageBox(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setIcon(QMessageBox::Warning);
    dialog->setWindowTitle(tr("Unpair this Mac?"));
    dialog->setText(tr("Unpair this Mac?"));
    dialog->setInformativeText(tr("It stops sending and leaves the dashboard. Texts waiting for it "
                                  "are marked failed. You can pair it again with a new code."));
    QPushButton* unpair = dialog->addButton(tr("Unpair"), QMessageBox::DestructiveRole);
    QPushButton* cancel = dialog->addButton(tr("Cancel"), QMessageBox::RejectRole);
    Look::destructive(unpair);
    dialog->setDefaultButton(cancel);
    dialog->setEscapeButton(cancel);
    dialog->setWindowModality(Qt::WindowModal);
    ScreenFit::watch(dialog);
    connect(dialog, &QMessageBox::buttonClicked, this, [this, unpair](QAbstractButton* button) {
        if (button != unpair)
            return;
        AppModel* model = &m_model;
        run([model] { return unpairFrom(model); });
    });
    m_dialog = dialog;
    // Never exec(): the dialog must not hold up the main loop.
    dialog->open();
}

void PairingRows::setBusy(bool busy) {
    m_busy = busy;
    sync();
}

void PairingRows::setErrorText(std::optional<QString> text) {
    m_errorText = std::move(text);
    sync();
}

void PairingRows::setShowsAdvanced(bool shows) {
    m_showsAdvanced = shows;
    sync();
}

bool PairingRows::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_form && event->type() == QEvent::Show)
        apply(m_pairing.pending());
    return QWidget::eventFilter(watched, event);
}

void PairingRows::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Appearances::isChange(event))
        sync();
}

void PairingRows::sync() {
    const RelayStatus& status = m_model.status();
    const bool formHadKeyboard = m_form->isAncestorOf(QApplication::focusWidget());
    m_form->setVisible(!status.paired);
    m_paired->setVisible(status.paired);
    const bool newlyPaired = status.paired && m_shownPaired == false;
    m_shownPaired = status.paired;

    m_pairButton->setText(m_busy ? tr("Pairing…") : tr("Pair"));
    m_pairButton->setEnabled(code().size() == PairCode::length && !m_busy);
    m_pairSpinner->setVisible(m_busy);
    Look::prominent(m_pairButton);
    Look::destructive(m_unpairButton);

    if (m_advancedToggle->isChecked() != m_showsAdvanced)
        m_advancedToggle->setChecked(m_showsAdvanced);
    m_advancedToggle->setArrowType(m_showsAdvanced ? Qt::DownArrow : Qt::RightArrow);
    m_advanced->setVisible(m_showsAdvanced);
    for (auto* label : {findChild<QLabel*>(QStringLiteral("instruction")),
                        findChild<QLabel*>(QStringLiteral("serverNote")),
                        findChild<QLabel*>(QStringLiteral("pairedDetail"))})
        Look::tint(label, Palette::text2());

    const QString device = status.device ? status.device->name : QStringLiteral("this Mac");
    m_pairedTitle->setText(tr("Paired as %1").arg(device));
    if (newlyPaired) {
        m_announcer->announce(m_pairedTitle->text());
        // The form that had the keyboard is gone: the keyboard stays in the pairing rows.
        if (formHadKeyboard)
            m_unpairButton->setFocus(Qt::TabFocusReason);
    }
    m_pairedIcon->setPixmap(
        Look::symbol(QStringLiteral("checkmark.circle.fill"), Palette::success(), 18, this));

    m_error->setVisible(m_errorText.has_value());
    m_errorLabel->setText(m_errorText.value_or(QString()));
    Look::tint(m_errorLabel, Palette::danger());
    m_errorIcon->setPixmap(
        Look::symbol(QStringLiteral("exclamationmark.triangle.fill"), Palette::danger(), 14, this));
}
