#pragma once

#include <QWidget>

#include <optional>

#include <qcoro/qcorotask.h>

class AppModel;
class QLabel;
class QPushButton;

// Warns about a relay installed from the command line beside the app, and removes it.
class LaunchAgentRow : public QWidget {
    Q_OBJECT
public:
    explicit LaunchAgentRow(AppModel& model, QWidget* parent = nullptr);

    // The last failed removal; kept while the row lives, even after a later success.
    // Runs `relay uninstall`, then refreshes the model; a failure shows in the row.
    void remove();

protected:
    void changeEvent(QEvent* event) override;

private:
    QCoro::Task<> removeTask();
    void sync();

    AppModel& m_model;
    std::optional<QString> m_error;
    QLabel* m_icon;
    QLabel* m_text;
    QLabel* m_errorLabel;
    QPushButton* m_remove;
};
