#pragma once

#include <QAccessible>
#include <QLabel>
#include <QString>
#include <QWidget>

// What Qt 6.4's widgets do not tell assistive technology by themselves: headings, decoration
// to skip, modal dialogs, the selected page tab, and announcements.
namespace Accessible {
// Modal dialogs say so and page tabs say which one is selected, in every window from now on.
void install();
// Read in this role: a window as a frame or a dialog rather than a plain pane. Call before the
// widget is first shown.
void setRole(QWidget* widget, QAccessible::Role role);
// Skipped by assistive technology: an image or a line that only decorates or repeats what a
// text beside it says.
void hide(QWidget* widget);
// Escape and the desktop's close keys (Ctrl+W) close `window`.
void closesByKeyboard(QWidget* window);
} // namespace Accessible

// A label read as a heading.
class HeadingLabel : public QLabel {
    Q_OBJECT
public:
    explicit HeadingLabel(QWidget* parent = nullptr);
    HeadingLabel(const QString& text, QWidget* parent);
};

// Tells assistive technology a short text once, politely and without moving the focus: a
// notification that shows with the text as its name. Nothing shows on screen.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    void announce(const QString& text);

Q_SIGNALS:
    // After each announcement, whether or not assistive technology listens.
    void announced(const QString& text);
};
