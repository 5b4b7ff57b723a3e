#pragma once

#include "Core/Relay/RelayEvent.h"
#include "Design/Tone.h"

#include <QString>
#include <QWidget>

class LineLimitedLabel;
class QLabel;

// One event of the feed: its symbol, a sentence and the time.
class EventRow : public QWidget {
    Q_OBJECT
public:
    explicit EventRow(QWidget* parent = nullptr);

    static QString symbol(const RelayEvent& event);
    static QString text(const RelayEvent& event);
    static Tone tone(const RelayEvent& event);
    // Hour and minute of the event in the user's locale.
    static QString time(const RelayEvent& event);

    // Shows `event`; nothing of it is kept beyond what the widgets display.
    void show(const RelayEvent& event);
    using QWidget::show;

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintIcon();

    // What the icon is drawn from, so it can be redrawn on an appearance change.
    QString m_symbol;
    Tone m_tone = Tone::Text2;

    QLabel* m_icon;
    LineLimitedLabel* m_sentence;
    QLabel* m_time;
};
