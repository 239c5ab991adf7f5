#pragma once

#include "selection/PixelMapping.h"
#include "selection/ResizeTracker.h"

#include <QPointF>
#include <QRectF>

// The selection as whole image pixels, and what the viewer's mouse does to
// it. The pixels are the truth: the drawn rectangle is always derived from
// them, and they are derived from a drawn rectangle only where the user
// shaped it (a selection drag, or an interaction with the rectangle itself).
class SelectionModel {
  public:
    // Only meaningful while `shown`.
    QRectF selectedPixels;
    QPointF firstSelectionPoint;
    // The rectangle is on screen.
    bool shown = false;
    // A selection drag is under way.
    bool performsSelection = false;
    // Since the last press that reached the viewer, something moved: the
    // release is not a plain click.
    bool dragWasPerformed = false;

    // A selection with no area is none: nothing to show or copy.
    bool hasSelection() const {
        return shown && selectedPixels.width() > 0 && selectedPixels.height() > 0;
    }

    // A left press that reached the viewer, at `at` in content points.
    void press(const QPointF& at, bool selecting);
    // A press on the rectangle itself, which the viewer never sees: what
    // follows is a move or a resize, not a plain click.
    void pressOnSelection() { dragWasPerformed = true; }
    // A drag step of the selection tool at `p`; answers the content
    // rectangle to draw. With `square`, the corner where the drag began
    // stays put.
    QRectF updateOnSelecting(const QPointF& p, bool square, const PixelMapping& mapping);
    // A left release that reached the viewer; `toolHeld` when the zoom or
    // hand tool is on. Answers whether the selection was hidden.
    bool release(bool toolHeld);

    // The whole image; false when nothing is placed.
    bool selectAll(const PixelMapping& mapping);
    void deselect() { shown = false; }

    // The rectangle shaped by the user, in content points.
    void setFromFrame(const QRectF& frame, const PixelMapping& mapping);
    // The rectangle moved by the user: its place changes, its size in
    // pixels does not, and it stays within the image.
    QRectF movedPixels(const QRectF& frame, const PixelMapping& mapping) const;
    // The rectangle resized from a knob: the edge at `anchor` stays on its
    // pixel boundary and only the extent from it is rounded, so the edge
    // under the pointer is the only one that snaps.
    static QRectF resizedPixels(const QRectF& frame, const QPointF& anchor,
                                const PixelMapping& mapping);

    // The selection rectangle's proposals while `gesture` is under way on it,
    // answered in content points on whole pixels.
    QRectF willChange(const QRectF& frame, const ResizeTracker& gesture,
                      const PixelMapping& mapping) const;
    static QRectF willMove(const QRectF& frame, const PixelMapping& mapping);
    // The rectangle it took: the pixels follow.
    void didChange(const QRectF& frame, const ResizeTracker& gesture, const PixelMapping& mapping);

  private:
    QRectF proposedPixels(const QRectF& frame, const ResizeTracker& gesture,
                          const PixelMapping& mapping) const;
};
