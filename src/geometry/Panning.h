#pragma once

#include <QPointF>
#include <QRectF>

// Moving an image that is larger than the view inside it, by keys, scroll
// and drag, without ever showing the background past an image edge.
class Panning {
public:
    static constexpr double keyStep = 350.0;

    // The clamped origin for a proposed one. In a window both axes are
    // clamped; in full screen an axis along which the image fits keeps its
    // current origin.
    static QPointF clamp(const QPointF& proposed, const QRectF& image, double viewWidth,
                         double viewHeight, bool fullScreen);
    // The key pan offsets (dx, dy) for directions 0 to 3 (W, S, A, D).
    static QPointF keyOffset(int direction);
    // Where a key pan in `direction` takes the image (y upwards).
    static QRectF moveImage(int direction, const QRectF& image, double viewWidth, double viewHeight,
                            bool fullScreen);
    // Where a scroll by the event's deltas takes it.
    static QRectF scroll(const QPointF& delta, const QRectF& image, double viewWidth,
                         double viewHeight, bool fullScreen);
};
