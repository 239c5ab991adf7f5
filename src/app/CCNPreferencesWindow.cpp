#include "app/CCNPreferencesWindow.h"

#include <QKeyEvent>

CCNPreferencesWindow::CCNPreferencesWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("CCNPreferencesWindow"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
}

void CCNPreferencesWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void CCNPreferencesWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    emit frameChanged();
}

void CCNPreferencesWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    emit frameChanged();
}
