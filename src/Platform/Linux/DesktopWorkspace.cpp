#include "Platform/Linux/DesktopWorkspace.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QWindow>

void DesktopWorkspace::activateApp() {
    // Menus and tool tips are windows too; only a real top-level window can come forward.
    QWindow* target = QGuiApplication::focusWindow();
    if (!target) {
        const auto windows = QGuiApplication::topLevelWindows();
        for (QWindow* window : windows) {
            const Qt::WindowType type = window->type();
            if (window->isVisible() && (type == Qt::Window || type == Qt::Dialog)) {
                target = window;
                break;
            }
        }
    }
    if (!target)
        return;
    target->raise();
    target->requestActivate();
}

bool DesktopWorkspace::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void DesktopWorkspace::copyText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}
