#include "app/InfoViewPanel.h"

#include "app/InfoViewController.h"
#include "info/PanelPlacement.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QSizeGrip>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// A dark utility panel: light text on a dark ground, on which the white
// luminance graph and the colour graphs read well.
QPalette darkPalette(QPalette palette) {
    const QColor ground(0x26, 0x26, 0x26);
    const QColor field(0x1c, 0x1c, 0x1c);
    const QColor text(0xe8, 0xe8, 0xe8);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, ground);
        palette.setColor(group, QPalette::Base, field);
        palette.setColor(group, QPalette::AlternateBase, ground);
        palette.setColor(group, QPalette::Button, QColor(0x33, 0x33, 0x33));
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(group, role, text);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, ground);
    palette.setColor(QPalette::Disabled, QPalette::Base, field);
    return palette;
}

} // namespace

InfoViewPanel::InfoViewPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(tr("Info"));
    setObjectName(QStringLiteral("InfoViewPanel"));
    setPalette(darkPalette(palette()));
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    controller = new InfoViewController(this);
    layout->addWidget(controller);
    // The default width fits the histogram; a wider panel shows long values
    // whole. The maximum depends on the screen (see InfoWindowController).
    setMinimumSize(int(PanelPlacement::minimumWidth), int(PanelPlacement::minimumHeight));
    resize(int(PanelPlacement::width), int(PanelPlacement::minimumHeight));
    // At the inner (left) edge's foot: the panel stands at the screen's right,
    // so it grows into the screen; a grip in a left corner resizes from there.
    grip = new QSizeGrip(this);
    grip->setToolTip(tr("Drag to widen the panel"));
}

void InfoViewPanel::mousePressEvent(QMouseEvent* event) {
    // A press that no control took (the thumbnail, the graphs, the margins)
    // moves the panel, as its title bar does; the window system does the
    // move, so the viewer keeps the keyboard.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void InfoViewPanel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit windowDidMove();
}

void InfoViewPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize side = grip->sizeHint();
    grip->setGeometry(0, height() - side.height(), side.width(), side.height());
    grip->raise();
    emit windowDidResize();
}

void InfoViewPanel::closeEvent(QCloseEvent* event) {
    emit windowWillClose();
    event->accept();
}

void InfoViewPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit visibilityChanged(true);
}

void InfoViewPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit visibilityChanged(false);
}
