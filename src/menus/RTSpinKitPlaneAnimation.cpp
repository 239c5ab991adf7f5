#include "menus/RTSpinKitPlaneAnimation.h"

#include <QQuaternion>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace {
// The key-frame values as rotations, reached at these fractions of the
// duration. A half turn about an axis is the quaternion (0, axis); building
// them exactly keeps the direction of each turn from hanging on rounding.
const QQuaternion keyRotations[] = {QQuaternion(), QQuaternion(0, 0, 1, 0),
                                    QQuaternion(0, 0, 0, 1)};
constexpr double keyTimes[] = {0.0, 0.5, 1.0};
} // namespace

RTSpinKitPlaneAnimation::RTSpinKitPlaneAnimation(const QSizeF& layerSize)
    : layerSize(layerSize), easing(QEasingCurve::BezierSpline) {
    // Ease in and out, the usual (0.42, 0) (0.58, 1) cubic.
    easing.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
}

QRectF RTSpinKitPlaneAnimation::squareFrame() const {
    const double width = std::max(0.0, layerSize.width() - 2 * inset);
    const double height = std::max(0.0, layerSize.height() - 2 * inset);
    return QRectF(inset, inset, width, height);
}

QMatrix4x4 RTSpinKitPlaneAnimation::transformAt(double time) const {
    double phase = std::isfinite(time) ? std::fmod(time, duration) : 0.0;
    if (phase < 0)
        phase += duration;
    const double fraction = phase / duration;

    // Rotations are interpolated along the shortest arc from one key to the
    // next, each segment with its own easing: the first half turns the square
    // about y, the second turns it on about x until it reads as a z half turn.
    const int segment = fraction < keyTimes[1] ? 0 : 1;
    const double progress =
        (fraction - keyTimes[segment]) / (keyTimes[segment + 1] - keyTimes[segment]);
    const QQuaternion rotation =
        QQuaternion::slerp(keyRotations[segment], keyRotations[segment + 1],
                           float(easing.valueForProgress(std::clamp(progress, 0.0, 1.0))));

    QMatrix4x4 value;
    value(3, 2) = float(perspective);
    value.rotate(rotation); // rotate first, then the perspective
    return value;
}

QTransform RTSpinKitPlaneAnimation::squareTransformAt(double time) const {
    const QRectF frame = squareFrame();
    // The transform turns the square about its anchor: its centre, half a
    // point behind its plane.
    QMatrix4x4 full;
    full.translate(float(frame.center().x()), float(frame.center().y()), 0.0f);
    full *= transformAt(time);
    full.translate(float(-frame.width() / 2), float(-frame.height() / 2), float(-anchorDepth));

    // Points of the square have z = 0; flattening keeps x, y and w.
    return QTransform(full(0, 0), full(1, 0), full(3, 0), full(0, 1), full(1, 1), full(3, 1),
                      full(0, 3), full(1, 3), full(3, 3));
}
