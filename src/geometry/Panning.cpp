#include "geometry/Panning.h"

#include <algorithm>

QPointF Panning::clamp(const QPointF& proposed, const QRectF& image, double viewWidth,
                       double viewHeight, bool fullScreen) {
    double x = std::min(proposed.x(), 0.0);
    if (x < viewWidth - image.width())
        x = viewWidth - image.width();
    double y = std::min(proposed.y(), 0.0);
    if (y < viewHeight - image.height())
        y = viewHeight - image.height();
    if (!fullScreen)
        return QPointF(x, y);
    return QPointF(viewWidth < image.width() ? x : image.x(),
                   viewHeight < image.height() ? y : image.y());
}

QPointF Panning::keyOffset(int direction) {
    switch (direction) {
    case 0: return QPointF(0, keyStep);
    case 1: return QPointF(0, -keyStep);
    case 2: return QPointF(keyStep, 0);
    case 3: return QPointF(-keyStep, 0);
    default: return QPointF(0, 0);
    }
}

QRectF Panning::moveImage(int direction, const QRectF& image, double viewWidth,
                          double viewHeight, bool fullScreen) {
    const QPointF d = keyOffset(direction);
    const QPointF origin = clamp(QPointF(image.x() + d.x(), image.y() - d.y()), image, viewWidth,
                                 viewHeight, fullScreen);
    return QRectF(origin, image.size());
}

QRectF Panning::scroll(const QPointF& delta, const QRectF& image, double viewWidth,
                       double viewHeight, bool fullScreen) {
    const QPointF origin = clamp(QPointF(image.x() + delta.x(), image.y() - delta.y()), image,
                                 viewWidth, viewHeight, fullScreen);
    return QRectF(origin, image.size());
}
