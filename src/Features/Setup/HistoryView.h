#pragma once

#include "Core/HistoryDays.h"
#include "Design/Tone.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class Clock;
class HistoryStore;
class QLabel;
class QToolButton;

// The history's words, as pure functions of what was kept.
class HistoryText {
    Q_DECLARE_TR_FUNCTIONS(HistoryText)
public:
    HistoryText() = delete;

    // "Today", "Yesterday", else the day as the locale writes it short ("Mon 30 Nov").
    static QString day(const QDate& date, const QDate& today);
    // "23 h 10 min", "45 min".
    static QString duration(qint64 ms);
    // "Online 23 h 10 min", with " · 2 restarts" when there were any.
    static QString summary(const HistoryDay& day);
    // What a state was, in the words of the panel: "Paused by you", "Not paired yet".
    static QString what(HistoryState state, const QString& phase, const QString& text);
    // What the segment was and when: "Paused by you, 09:12–10:00".
    static QString segment(const HistorySegment& segment);
    // One entry in words: "Relay exited (status 3) after 12 s".
    static QString entry(const HistoryEntry& entry);
    // The entry as a line of the diagnostics: its time in UTC, then its words.
    static QString line(const HistoryEntry& entry);
    static Tone tone(HistoryState state);
};

// One day as a strip across its 24 hours, a colour for each state. The pointer and the
// keyboard (Left and Right) pick a segment, which the tool tip and assistive technology tell.
class DayStrip : public QWidget {
    Q_OBJECT
public:
    explicit DayStrip(QWidget* parent = nullptr);

    void setDay(const HistoryDay& day, const QString& label);
    // The segment the keyboard is at.
    int current() const { return m_current; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRectF segmentRect(int index) const;
    int segmentAt(const QPoint& point) const;
    void setCurrent(int index);

    HistoryDay m_day;
    QString m_label;
    qint64 m_midnight = 0; // the day's start and length, in ms
    qint64 m_dayMs = 1;
    QList<qint8> m_columns; // the state drawn in each pixel column; -1: none
    int m_current = 0;
};

// What each colour of the strips stands for: a swatch and a word for each state.
class HistoryLegend : public QWidget {
    Q_OBJECT
public:
    explicit HistoryLegend(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Setup's history: a strip for each of the last seven days with its time online and restarts,
// then, on request, the latest entries.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    static constexpr int days = 7;
    static constexpr int latestEntries = 50;

    HistoryView(HistoryStore& store, Clock& clock, QWidget* parent = nullptr);

    void sync();

protected:
    void showEvent(QShowEvent* event) override;

private:
    HistoryStore& m_store;
    Clock& m_clock;
    QList<QLabel*> m_dayLabels;
    QList<DayStrip*> m_strips;
    QList<QLabel*> m_summaries;
    QToolButton* m_latestToggle = nullptr;
    QLabel* m_latest = nullptr;
    bool m_pending = false;
};
