#pragma once

#include "Core/MacPairLink.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

#include <qcoro/qcorotask.h>

class AppModel;
class PairingRequest;
class QLabel;
class QLineEdit;

class QPushButton;
class Announcer;
class QLayout;
class QToolButton;
class Spinner;

// The pairing part of the Setup window: the code form while unpaired, the paired device with
// "Unpair…" once paired, and the last failure under either.
class PairingRows : public QWidget {
    Q_OBJECT
public:
    PairingRows(AppModel& model, PairingRequest& pairing, QWidget* parent = nullptr);

    // Pairs with the current code and server, unless the code is incomplete or a pairing runs.
    void pair();
    // Marks the rows busy, clears the last error and starts `work`, showing its failure.
    void run(std::function<QCoro::Task<>()> work);
    // Fills the form from a pairing link and uses the link up. A link naming no server puts
    // back the default one where an earlier link had put another. Pairs at once only when the
    // code is complete and the server to be used is the default one. Taken by value: using the
    // link up clears the request it may come from.
    void apply(std::optional<MacPairLink> link);

    QString code() const;
    QString server() const;

    void sync();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildForm();
    // The code field with its label, the Pair button and the spinner.
    QLayout* buildCodeRow(QWidget* form);
    QWidget* buildPairedRow();
    void setBusy(bool busy);
    void setErrorText(std::optional<QString> text);
    void setShowsAdvanced(bool shows);
    void confirmUnpair();
    void pendingChanged();
    QCoro::Task<> await(std::function<QCoro::Task<>()> work);

    AppModel& m_model;
    PairingRequest& m_pairing;

    bool m_showsAdvanced = false;
    // The server the last link put in the field; the field still holds it unless the user typed.
    std::optional<QString> m_linkServer;
    bool m_busy = false;
    std::optional<QString> m_errorText;

    QWidget* m_form = nullptr;
    QLineEdit* m_codeField = nullptr;
    QPushButton* m_pairButton = nullptr;
    Spinner* m_pairSpinner = nullptr;
    QToolButton* m_advancedToggle = nullptr;
    QWidget* m_advanced = nullptr;
    QLineEdit* m_serverField = nullptr;

    QWidget* m_paired = nullptr;
    QLabel* m_pairedIcon = nullptr;
    QLabel* m_pairedTitle = nullptr;
    QPushButton* m_unpairButton = nullptr;
    QPointer<QMessageBox> m_dialog;

    QWidget* m_error = nullptr;
    QLabel* m_errorIcon = nullptr;
    QLabel* m_errorLabel = nullptr;
    Announcer* m_announcer = nullptr;
    // Whether the rows last showed the paired device: its coming is news to hear.
    std::optional<bool> m_shownPaired;
};
