#include "viewer/OrvaneWindow.h"

#include "viewer/DNSImageView.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerChrome.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerFullScreen.h"
#include "viewer/WindowHeader.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

OrvaneWindow::OrvaneWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    // paintEvent covers every pixel, so Qt need not clear them first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(400, 400);
    resize(900, 640);
    content = new ViewController(this);
    windowHeader = new WindowHeader(this);
    connect(windowHeader->closeButton, &QToolButton::clicked, this, &QWidget::close);
    connect(windowHeader->minimiseButton, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(windowHeader->zoomButton, &QToolButton::clicked, this,
            [this] { isMaximized() ? showNormal() : showMaximized(); });
    connect(this, &QWidget::windowTitleChanged, windowHeader, &WindowHeader::setTitle);
    interfaceChrome = new ViewerChrome(this, windowHeader, content);
    // Named for the Keyboard Shortcuts window.
    auto* mainMenuKey = new QAction(tr("Main menu"), this);
    mainMenuKey->setShortcut(QKeySequence(Qt::Key_F10));
    connect(mainMenuKey, &QAction::triggered, this, &OrvaneWindow::popUpMainMenu);
    auto* contextMenuKey = new QAction(tr("Context menu"), this);
    contextMenuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    connect(contextMenuKey, &QAction::triggered, this, &OrvaneWindow::popUpContextMenu);
    addActions({mainMenuKey, contextMenuKey});
    connect(content->fullScreen(), &ViewerFullScreen::fullScreenChanged, interfaceChrome,
            &ViewerChrome::setFullScreen);
    setWindowTitle(QStringLiteral("Ovisto"));
}

bool OrvaneWindow::isViewerWindow(const QWidget* window) {
    return window && qstrcmp(window->metaObject()->className(), "OrvaneWindow") == 0;
}

void OrvaneWindow::centreOnCursorScreen(QWidget* window) {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

void OrvaneWindow::popUpMainMenu() {
    QToolButton* button = windowHeader->menuButton;
    QMenu* menu = button->menu();
    if (!menu || button->isHidden())
        return;
    // Below the button when the header shows; in full screen, at the same
    // corner of the screen.
    const QPoint corner = windowHeader->isVisible()
                              ? button->mapToGlobal(QPoint(button->width(), button->height()))
                              : mapToGlobal(QPoint(width() - 8, 8));
    menu->popup(corner - QPoint(menu->sizeHint().width(), 0));
}

void OrvaneWindow::popUpContextMenu() {
    QMenu* menu = content->commands()->contextMenu();
    const QPoint pointer = content->mapFromGlobal(QCursor::pos());
    const QPoint at = content->rect().contains(pointer) ? pointer : content->rect().center();
    menu->popup(content->mapToGlobal(at));
}

bool OrvaneWindow::event(QEvent* event) {
    if (event->type() == QEvent::Show)
        interfaceChrome->watchWindow();
    if (event->type() == QEvent::WindowActivate)
        emit becameKey();
    else if (event->type() == QEvent::WindowDeactivate)
        emit resignedMain();
    return QWidget::event(event);
}

void OrvaneWindow::closeEvent(QCloseEvent* event) {
    interfaceChrome->windowClosing();
    emit closing();
    event->accept();
}

void OrvaneWindow::resizeEvent(QResizeEvent*) {
    content->setGeometry(rect());
    windowHeader->setGeometry(0, 0, width(), WindowHeader::headerHeight);
    windowHeader->raise();
}

void OrvaneWindow::paintEvent(QPaintEvent* event) {
    // Filling a whole screen of pixels that the image then covers again costs
    // more than drawing the image: only what the image leaves open is filled.
    QRegion open = event->region();
    if (const DNSImageView* image = content->imageView()) {
        const QRect covered = image->opaqueRect();
        if (!covered.isEmpty())
            open -= QRect(image->mapTo(this, covered.topLeft()), covered.size());
    }
    QPainter painter(this);
    for (const QRect& r : open)
        painter.fillRect(r, QColor(24, 24, 26));
}
