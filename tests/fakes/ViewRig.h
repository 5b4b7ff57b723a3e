#pragma once

#include "Design/Accessible.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QWidget>

// Views are driven as a user drives them: their widgets are found by what a user or assistive
// technology knows them by.

inline QString textOf(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    return {};
}

// The first child of `root` of type T whose object name, accessible name or text is `key`;
// none when there is no such child.
template <typename T = QWidget> T* child(const QObject* root, const QString& key) {
    const auto all = root->findChildren<T*>();
    for (T* widget : all) {
        if (widget->objectName() == key || widget->accessibleName() == key || textOf(widget) == key)
            return widget;
    }
    return nullptr;
}

// The text of the child known by `key`, or "(none)" when there is none.
inline QString textAt(const QObject* root, const QString& key) {
    const QWidget* widget = child(root, key);
    return widget ? textOf(widget) : QStringLiteral("(none)");
}

// On screen as far as its window goes (whether or not the window itself is shown).
inline bool shown(const QWidget* widget) {
    return widget && widget->isVisibleTo(widget->window());
}

// Shows `window` and waits until it is active, so that it takes keyboard shortcuts.
[[nodiscard]] inline bool showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// What the announcers in `window` tell assistive technology from now on.
struct Announcements {
    explicit Announcements(const QWidget& window) {
        const auto announcers = window.findChildren<Announcer*>();
        for (Announcer* announcer : announcers)
            QObject::connect(announcer, &Announcer::announced, &receiver,
                             [this](const QString& text) { heard.append(text); });
    }
    QStringList heard;
    QObject receiver;
};
