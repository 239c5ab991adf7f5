#include "geometry/Coordinates.h"

QRectF Coordinates::screenFromQt(const QRectF& r, const QRectF& main) {
    return QRectF(r.x(), main.y() + main.height() - (r.y() + r.height()), r.width(), r.height());
}

QRectF Coordinates::screenToQt(const QRectF& r, const QRectF& main) {
    // The flip is its own inverse.
    return screenFromQt(r, main);
}

QPointF Coordinates::screenPointFromQt(const QPointF& p, const QRectF& main) {
    return QPointF(p.x(), main.y() + main.height() - p.y());
}

QRectF Coordinates::viewFlip(const QRectF& r, double viewHeight) {
    return QRectF(r.x(), viewHeight - (r.y() + r.height()), r.width(), r.height());
}
