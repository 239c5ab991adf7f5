#include "viewer/WidgetViewWindow.h"

#include "viewer/OrvaneWindow.h"

#include <QApplication>

void WidgetViewWindow::bringToFront() {
    QWidget* window = view->window();
    window->show();
    window->raise();
    window->activateWindow();
}

QList<QRect> WidgetViewWindow::otherWindowFrames() const {
    QList<QRect> frames;
    const QWidget* own = view->window();
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window != own && OrvaneWindow::isViewerWindow(window) && window->isVisible() &&
            !window->isFullScreen())
            frames << window->geometry();
    return frames;
}
