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

namespace {

// One dimension of a resize: the anchored edge at pixel `anchor`, the extent
// from it rounded, on the side the frame lies; clamped into [0, limit].
void resizeSpan(double low, double high, double anchorAt, double origin, double f, double limit,
                double& at, double& extent) {
    const double anchor = PixelMapping::round((anchorAt - origin) * f);
    extent = PixelMapping::round((high - low) * f);
    const bool fromLow = std::abs(low - anchorAt) <= std::abs(high - anchorAt);
    at = fromLow ? anchor : anchor - extent;
    if (at < 0) {
        extent += at;
        at = 0;
    }
    extent = std::max(0.0, std::min(extent, limit - at));
}

} // namespace

QRectF SelectionModel::resizedPixels(const QRectF& frame, const QPointF& anchor,
                                     const PixelMapping& mapping) {
    if (!mapping.isValid())
        return QRectF();
    const double f = mapping.backingScale() / mapping.ratio();
    const QRectF layout = mapping.layout();
    double x, y, w, h;
    resizeSpan(frame.x(), frame.x() + frame.width(), anchor.x(), layout.x(), f,
               mapping.pixelWidth(), x, w);
    resizeSpan(frame.y(), frame.y() + frame.height(), anchor.y(), layout.y(), f,
               mapping.pixelHeight(), y, h);
    return QRectF(x, y, w, h);
}

QRectF SelectionModel::proposedPixels(const QRectF& frame, const ResizeTracker& gesture,
                                      const PixelMapping& mapping) const {
    // Anything but a resize moves the rectangle, from its inside or from the
    // band about its outline.
    if (gesture.isResizing())
        return resizedPixels(frame, gesture.anchor(), mapping);
    return movedPixels(frame, mapping);
}

QRectF SelectionModel::willChange(const QRectF& frame, const ResizeTracker& gesture,
                                  const PixelMapping& mapping) const {
    return mapping.contentRect(proposedPixels(frame, gesture, mapping));
}

QRectF SelectionModel::willMove(const QRectF& frame, const PixelMapping& mapping) {
    return mapping.contentRect(mapping.pixelsSnappingEdges(frame));
}

void SelectionModel::didChange(const QRectF& frame, const ResizeTracker& gesture,
                               const PixelMapping& mapping) {
    selectedPixels = proposedPixels(frame, gesture, mapping);
}
