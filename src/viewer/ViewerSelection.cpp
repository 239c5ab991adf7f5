#include "viewer/ViewerSelection.h"

#include "geometry/ViewerGeometry.h"
#include "selection/SelectionInfoBox.h"
#include "viewer/OrvaneResizeView.h"
#include "viewer/SelectionHelperView.h"

#include <QCursor>
#include <QWidget>
#include <cmath>
#include <utility>

ViewerSelection::ViewerSelection(QWidget* content, ViewerGeometry* geometry)
    : QObject(content), content(content), geometry(geometry) {
    view = new OrvaneResizeView(content);
    view->setObjectName(QStringLiteral("selectionView"));
    view->setDelegate(this);
    view->hide();
    helper = new SelectionHelperView(content);
}

void ViewerSelection::setImagePixels(const QSize& size) {
    pixels = size;
}

PixelMapping ViewerSelection::mapping() const {
    if (!geometry)
        return PixelMapping();
    return PixelMapping(geometry->layout(),
                        QSizeF(geometry->zoom.imageWidth, geometry->zoom.imageHeight), pixels);
}

QPointF ViewerSelection::mouseInContent() const {
    const QPointF at = content->mapFromGlobal(QCursor::pos());
    return QPointF(at.x(), content->height() - at.y());
}

void ViewerSelection::showView(bool shown) {
    model.shown = shown;
    // Shown where it was made, over the image and under the toolbar and its
    // slider, which must keep their clicks.
    view->setVisible(shown);
}

void ViewerSelection::selectAll() {
    const PixelMapping m = mapping();
    if (!model.selectAll(m))
        return;
    view->setSelectableFrame(m.layout());
    view->setSelectedFrame(m.contentRect(model.selectedPixels));
    showView(true);
    updateSelectionHelper();
    emit changed();
}

void ViewerSelection::hideForTransition() {
    shouldShowSelectionAfterFull = model.shown;
    if (model.shown) {
        view->hide();
        hideHelper();
    }
}

void ViewerSelection::showAfterTransition() {
    if (std::exchange(shouldShowSelectionAfterFull, false)) {
        updateSelectableArea();
        showView(true);
    }
}

bool ViewerSelection::isShownOnScreen() const {
    return view->isVisible();
}

void ViewerSelection::deselect() {
    shouldShowSelectionAfterFull = false;
    const bool had = model.shown;
    model.deselect();
    showView(false);
    hideHelper();
    if (had)
        emit changed();
}

void ViewerSelection::updateSelectableArea() {
    const PixelMapping m = mapping();
    view->setSelectableFrame(m.layout());
    if (!model.shown)
        return;
    // Unrounded: the widget rounds only what it paints.
    view->setSelectedFrame(m.contentRect(model.selectedPixels));
    view->placeInParent();
    if (helper->isVisible())
        updateSelectionHelper();
}

void ViewerSelection::press(const QPointF& at, bool selecting) {
    model.press(at, selecting);
}

void ViewerSelection::drag(const QPointF& at) {
    model.dragWasPerformed = true;
    if (model.performsSelection)
        updateOnSelecting(at);
}

void ViewerSelection::updateOnSelecting(const QPointF& at) {
    const PixelMapping m = mapping();
    if (!m.isValid())
        return;
    const QRectF drawn = model.updateOnSelecting(at, view->squareSelection(), m);
    view->setSelectableFrame(m.layout());
    view->setSelectedFrame(drawn);
    showView(true);
    showHelper();
    updateSelectionHelper();
    emit changed();
}

void ViewerSelection::release(bool toolHeld) {
    const bool wasSelecting = model.performsSelection;
    if (model.release(toolHeld)) {
        showView(false);
        hideHelper();
        emit changed();
    } else if (wasSelecting) {
        hideHelper();
    }
}

void ViewerSelection::modifiersChanged(bool shift) {
    view->setSquareSelection(shift);
    if (model.performsSelection)
        updateOnSelecting(mouseInContent());
}

void ViewerSelection::keysLost() {
    // As if Shift went up here: a drawing under way follows at once.
    view->setRespectsProportion(false);
    modifiersChanged(false);
}

void ViewerSelection::keyReleased() {
    view->setRespectsProportion(false);
    view->setSquareSelection(false);
}

void ViewerSelection::showHelper() {
    helper->show();
    // It takes no clicks, so it may lie over the toolbar to stay legible.
    helper->raise();
}

void ViewerSelection::hideHelper() {
    helper->hide();
}

void ViewerSelection::updateSelectionHelper() {
    const QRectF p = model.selectedPixels;
    const double width =
        helper->setTexts(SelectionInfoBox::positionText(p), SelectionInfoBox::sizeText(p));
    const QSizeF box(width, SelectionHelperView::boxHeight);
    const QSizeF area(content->size());
    const QPointF at = SelectionInfoBox::place(view->selectedFrame(), box, area);
    // Content points are y up; the box is placed in Qt's y-down raster.
    helper->setGeometry(int(std::lround(at.x())),
                        int(std::lround(area.height() - at.y() - box.height())),
                        int(std::ceil(box.width())), int(box.height()));
}

QRectF ViewerSelection::selectionWillChange(const QRectF& rect) {
    return model.willChange(rect, view->state(), mapping());
}

QRectF ViewerSelection::selectionWillMove(const QRectF& rect) {
    return SelectionModel::willMove(rect, mapping());
}

void ViewerSelection::selectionDidChanged(const QRectF& rect) {
    model.didChange(rect, view->state(), mapping());
    updateSelectionHelper();
    emit changed();
}

void ViewerSelection::interactionDidStarted() {
    // The press went to the rectangle, never to the viewer: what follows is
    // no plain click, whatever the viewer's last press left behind.
    model.pressOnSelection();
    showHelper();
    updateSelectionHelper();
}

void ViewerSelection::interactionDidEnded() {
    hideHelper();
}
