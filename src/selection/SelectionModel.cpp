#include "selection/SelectionModel.h"

#include <algorithm>
#include <cmath>

void SelectionModel::press(const QPointF& at, bool selecting) {
    dragWasPerformed = false;
    if (selecting) {
        firstSelectionPoint = at;
        performsSelection = true;
    }
}

QRectF SelectionModel::updateOnSelecting(const QPointF& p, bool square,
                                         const PixelMapping& mapping) {
    if (!mapping.isValid())
        return QRectF();
    const QPointF a = mapping.clampIntoImage(firstSelectionPoint);
    const QPointF b = mapping.clampIntoImage(p);
    QRectF r(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
             std::abs(a.y() - b.y()));
    r = mapping.contentRect(mapping.pixelsSnappingEdges(r));
    if (square) {
        const double side = std::min(r.width(), r.height());
        if (p.y() < firstSelectionPoint.y())
            r.moveTop(r.y() + r.height() - side);
        if (p.x() < firstSelectionPoint.x())
            r.moveLeft(r.x() + r.width() - side);
        r.setWidth(side);
        r.setHeight(side);
    }
    shown = true;
    setFromFrame(r, mapping);
    return r;
}

bool SelectionModel::release(bool toolHeld) {
    performsSelection = false;
    // The pixels are those the drag or the interaction left; they are not
    // derived again from a drawn rectangle, which may have been rounded or
    // moved with the image since.
    if (shown && ((!toolHeld && !dragWasPerformed) || !hasSelection())) {
        shown = false;
        return true;
    }
    return false;
}

bool SelectionModel::selectAll(const PixelMapping& mapping) {
    if (!mapping.isValid())
        return false;
    selectedPixels = mapping.allPixels();
    shown = true;
    return true;
}

void SelectionModel::setFromFrame(const QRectF& frame, const PixelMapping& mapping) {
    selectedPixels = mapping.pixelsKeepingSize(frame);
}

QRectF SelectionModel::movedPixels(const QRectF& frame, const PixelMapping& mapping) const {
    if (!mapping.isValid())
        return selectedPixels;
    const QRectF at = mapping.pixelsKeepingSize(frame);
    const double w = selectedPixels.width();
    const double h = selectedPixels.height();
    const double x = std::max(0.0, std::min(at.x(), mapping.pixelWidth() - w));
    const double y = std::max(0.0, std::min(at.y(), mapping.pixelHeight() - h));
    return QRectF(x, y, w, h);
}
