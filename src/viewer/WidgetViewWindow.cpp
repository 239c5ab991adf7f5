#include "viewer/WidgetViewWindow.h"

void WidgetViewWindow::bringToFront() {
    QWidget* window = view->window();
    window->show();
    window->raise();
    window->activateWindow();
}
