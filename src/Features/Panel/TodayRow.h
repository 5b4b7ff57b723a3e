#pragma once

#include "Core/Relay/RelayRecords.h"

#include <QList>
#include <QString>
#include <QWidget>

class AppModel;
class QLabel;

// Today's three counters: sent, failed, received.
class TodayRow : public QWidget {
    Q_OBJECT
public:
    // One column as shown.
    struct Stat {
        QString title;
        QString value; // the number in plain digits
        QString symbol;
        QString spokenValue; // "4 today"

        bool operator==(const Stat&) const = default;
    };
    static QList<Stat> stats(const RelayToday& today);
    static QString spokenName(); // the row as a whole: "Today"

    explicit TodayRow(AppModel& model, QWidget* parent = nullptr);

    void sync();

protected:
    void changeEvent(QEvent* event) override;

private:
    void restyle();

    AppModel& m_model;
    QList<QWidget*> m_columns;
    QList<QLabel*> m_values;
    QList<QLabel*> m_icons;
    QList<QLabel*> m_titles;
};
