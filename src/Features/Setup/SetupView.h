#pragma once

#include "Core/Platform/Platform.h"
#include "Features/Setup/LaunchAgentRow.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class Announcer;
class AppModel;
class HistoryStore;
class CheckRow;

class PairingRequest;
class PairingRows;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class Spinner;

// The Setup window: permissions, pairing, further checks, the command-line relay warning and
// the summary with the diagnostics. One at a time; it deletes itself when closed, so opening it
// again starts with fresh view state.
class SetupView : public QWidget {
    Q_OBJECT
public:
    // `platform`, `pairing` and `history` (none: no history shown) must outlive the view.
    SetupView(AppModel& model, const Platform& platform, PairingRequest& pairing,
              HistoryStore* history = nullptr, QWidget* parent = nullptr);

    static QString identifier() { return QStringLiteral("setup"); }

    void sync();
    // What "Copy diagnostics" copies: the model's report, then the last day of history.
    QString diagnostics() const;

Q_SIGNALS:
    // The user asked for the Settings window.
    void settingsRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens the system's settings at the pane, where it has one.
    void openPane(SettingsPane pane);
    QList<CheckRow*> otherCheckRows() const;
    QWidget* buildHeader();
    QWidget* buildPermissions(QWidget* content);
    QWidget* buildPairing(QWidget* content, PairingRequest& pairing);
    QWidget* buildOtherChecks(QWidget* content);
    CheckRow* checkRow(const QString& name, const QString& title);
    QWidget* buildFullDiskAccessFix();
    QWidget* buildMessagesFix();
    QWidget* buildSummary();
    void syncPermissions();
    void syncForwarding();
    void syncOtherChecks();
    void syncLaunchAgent();
    void syncSummary();
    void fitHeight();

    AppModel& m_model;
    Platform m_platform;
    bool m_showsDetails = false;
    bool m_copiedPath = false;
    bool m_placed = false;
    // Scroll the diagnostics' button into view once the opened details are laid out.
    bool m_revealDetails = false;

    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_sections = nullptr;
    QList<QLabel*> m_text2Labels;
    QList<QLabel*> m_text3Labels;
    CheckRow* m_fullDiskAccess = nullptr;
    CheckRow* m_messages = nullptr;
    CheckRow* m_forwarding = nullptr;
    CheckRow* m_server = nullptr;
    PairingRows* m_pairingRows = nullptr;
    QGroupBox* m_otherSection = nullptr;
    QVBoxLayout* m_otherRows = nullptr;
    QLabel* m_moreChecks = nullptr;
    QGroupBox* m_launchAgentSection = nullptr;
    QPointer<LaunchAgentRow> m_launchAgentRow;
    QWidget* m_header = nullptr;
    QPushButton* m_settings = nullptr;
    QGroupBox* m_permissions = nullptr;
    QGroupBox* m_pairing = nullptr;
    QGroupBox* m_summarySection = nullptr;

    QPushButton* m_openPrivacy = nullptr;
    QWidget* m_dragHint = nullptr;
    QPushButton* m_copyPath = nullptr;
    QPushButton* m_openAutomation = nullptr;
    QPushButton* m_allowMessages = nullptr;

    Spinner* m_checkingSpinner = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_checkAgain = nullptr;
    QToolButton* m_detailsToggle = nullptr;
    QWidget* m_details = nullptr;
    QLabel* m_diagnostics = nullptr;
    QLabel* m_restarts = nullptr;
    HistoryStore* m_history = nullptr;
    Announcer* m_announcer = nullptr;
    QPushButton* m_copyDiagnostics = nullptr;
};
