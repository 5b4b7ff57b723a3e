#include "Design/ScreenFit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QObject>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace {

QMargins frameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

QRect availableArea(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

class Watcher : public QObject {
public:
    explicit Watcher(QWidget* window)
        : QObject(window)
        , m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
            ScreenFit::keepOnScreen(m_window);
            break;
        case QEvent::Move:
            // The window manager's frame arrives as a move; the user's own moves are theirs.
            if (frameMargins(m_window) != m_margins)
                ScreenFit::keepOnScreen(m_window);
            break;
        default:
            break;
        }
        m_margins = frameMargins(m_window);
        return false;
    }

private:
    QWidget* m_window;
    QMargins m_margins;
};

} // namespace

namespace ScreenFit {

QRect inside(const QRect& frame, const QRect& area) {
    if (area.isEmpty())
        return frame;
    QRect placed = frame;
    placed.moveLeft(std::clamp(frame.left(), area.left(),
                               std::max(area.left(), area.right() + 1 - frame.width())));
    placed.moveTop(std::clamp(frame.top(), area.top(),
                              std::max(area.top(), area.bottom() + 1 - frame.height())));
    return placed;
}

QSize room(const QWidget* window) {
    const QRect area = availableArea(window);
    const QMargins margins = frameMargins(window);
    return {area.width() - margins.left() - margins.right(),
            area.height() - margins.top() - margins.bottom()};
}

void keepOnScreen(QWidget* window) {
    if (!window || !window->isVisible() || !window->isWindow())
        return;
    const QRect frame = window->frameGeometry();
    const QRect placed = inside(frame, availableArea(window));
    if (placed.topLeft() != frame.topLeft())
        window->move(placed.topLeft());
}

void watch(QWidget* window) {
    window->installEventFilter(new Watcher(window));
}

QScrollArea* scrollingColumn(QWidget* host) {
    auto* outer = new QVBoxLayout(host);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(host);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Not a stop of its own for the keyboard: Tab moves through the content, which scrolls to
    // follow it.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->verticalScrollBar()->setAccessibleName(
        QCoreApplication::translate("ScreenFit", "Scroll"));
    outer->addWidget(scroll);
    scroll->setWidget(new QWidget(scroll));
    return scroll;
}

} // namespace ScreenFit
