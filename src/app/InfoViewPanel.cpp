#include "app/InfoViewPanel.h"

#include "app/InfoViewController.h"
#include "info/PanelPlacement.h"

#include <QCloseEvent>
#include <QVBoxLayout>

InfoViewPanel::InfoViewPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(tr("Info"));
    setObjectName(QStringLiteral("InfoViewPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    controller = new InfoViewController(this);
    layout->addWidget(controller);
    // The width is fixed; only the height is the user's.
    setFixedWidth(int(PanelPlacement::width));
    setMinimumHeight(int(PanelPlacement::minimumHeight));
}

void InfoViewPanel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit windowDidMove();
}

void InfoViewPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
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
