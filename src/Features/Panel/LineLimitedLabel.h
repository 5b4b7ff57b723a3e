#pragma once

#include <QString>
#include <QWidget>

// A text that wraps at word boundaries up to a number of lines; what does not fit is cut off
// with "…" at the end of the last line. Its height follows its width.
class LineLimitedLabel : public QWidget {
    Q_OBJECT
public:
    explicit LineLimitedLabel(int maxLines, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setColor(const QColor& color);

    // The lines as drawn at `width`: at most maxLines, the last one elided when the text is cut.
    QStringList lines(int width) const;
    bool isElided(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_maxLines;
    QString m_text;
    // What can show of m_text: all of it unless it is absurdly long, then its start and "…".
    QString m_shown;
    bool m_cut = false;
};
