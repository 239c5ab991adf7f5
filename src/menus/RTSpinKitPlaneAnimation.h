#pragma once

#include <QEasingCurve>
#include <QMatrix4x4>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

// The turning-square busy animation: a flat square, inset within its layer,
// that turns half a turn about the vertical axis and then half a turn about
// the screen axis, seen in perspective, repeating every 1.2 seconds.
//
// Everything is in layer coordinates (points, origin lower-left, y upwards);
// the view that paints it converts to its own coordinates.
class RTSpinKitPlaneAnimation {
  public:
    static constexpr double duration = 1.2;            // seconds per repetition
    static constexpr double inset = 2.0;               // points on each side
    static constexpr double anchorDepth = 0.5;         // points
    static constexpr double perspective = 1.0 / 120.0; // the matrix's m34 entry

    explicit RTSpinKitPlaneAnimation(const QSizeF& layerSize);

    // The square's frame in the layer, before any transform.
    QRectF squareFrame() const;
    // The square in its own coordinates: (0, 0) to its size.
    QRectF squareBounds() const { return QRectF(QPointF(), squareFrame().size()); }

    // The 4x4 transform value of the square at a time in seconds since the
    // animation began (any time; it repeats for ever).
    QMatrix4x4 transformAt(double time) const;

    // The square's transform at that time projected to the plane: maps
    // squareBounds() to the layer as the square is seen.
    QTransform squareTransformAt(double time) const;

  private:
    QSizeF layerSize;
    QEasingCurve easing;
};
