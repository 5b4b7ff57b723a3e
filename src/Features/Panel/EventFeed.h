#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class AppModel;
class EventRow;
class QLabel;

// The newest relay events, at most six, newest first.
class EventFeed : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxRows = 6;

    static QString heading();   // "Recent"
    static QString emptyText(); // shown while there are no events

    explicit EventFeed(AppModel& model, QWidget* parent = nullptr);

    void sync();

    // The rows currently shown, top to bottom.
    QList<EventRow*> visibleRows() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void restyle();

    AppModel& m_model;
    QLabel* m_heading;
    QLabel* m_empty;
    QList<EventRow*> m_rows; // reused; only the first ones in use are shown
};
