#pragma once

#include "Core/Relay/RelayRecords.h"
#include "Design/Look.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QLabel;
class QHBoxLayout;
class Spinner;

// One row of the Setup window: status icon (a spinner while checking), title, explanation and,
// while something is left to do, the control that fixes it.
class CheckRow : public QWidget {
    Q_OBJECT
public:
    using Status = DoctorCheck::Status;

    explicit CheckRow(QWidget* parent = nullptr);

    void setStatus(std::optional<Status> status);
    void setChecking(bool checking);
    void setTitle(const QString& title);
    void setText(const QString& text);
    // The row takes ownership; it shows only while the status is not ok.
    void setFix(QWidget* fix);
    // For a step this system has no facility for: a neutral symbol, no spinner and no fix,
    // whatever the status says.
    void setNotNeeded(bool notNeeded);

    std::optional<Status> status() const { return m_status; }
    bool checking() const { return m_checking; }
    bool notNeeded() const { return m_notNeeded; }
    QWidget* fix() const { return m_fix; }
    // What assistive technology announces for the icon.
    QString iconAccessibleName() const;

    static QString stateLabel(std::optional<Status> status);
    static QString symbolName(std::optional<Status> status);
    static const DynamicColor& color(std::optional<Status> status);

protected:
    void changeEvent(QEvent* event) override;

private:
    void sync();

    std::optional<Status> m_status;
    bool m_checking = false;
    bool m_notNeeded = false;
    QLabel* m_icon;
    Spinner* m_spinner;
    QLabel* m_title;
    QLabel* m_text;
    QHBoxLayout* m_row;
    QPointer<QWidget> m_fix;
};
