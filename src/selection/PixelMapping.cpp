#include "selection/PixelMapping.h"

#include <algorithm>
#include <cmath>

PixelMapping::PixelMapping(const QRectF& layout, const QSizeF& points, const QSize& pixelSize)
    : frame(layout), pixels(pixelSize) {
    k = points.height() > points.width() ? layout.height() / points.height()
                                         : layout.width() / points.width();
    s = double(pixelSize.width()) / points.width();
    if (!std::isfinite(s) || !(s > 0))
        s = 1.0;
}

bool PixelMapping::isValid() const {
    return std::isfinite(k) && k > 0 && !pixels.isEmpty();
}

double PixelMapping::round(double value) {
    return std::round(value);
}

void PixelMapping::clampSize(double x, double y, double& w, double& h) const {
    if (x + w > pixelWidth())
        w = pixelWidth() - x;
    if (y + h > pixelHeight())
        h = pixelHeight() - y;
}

QRectF PixelMapping::pixelsKeepingSize(const QRectF& r) const {
    if (!isValid())
        return QRectF();
    const double f = s / k;
    const double x = std::max(0.0, round((r.x() - frame.x()) * f));
    const double y = std::max(0.0, round((r.y() - frame.y()) * f));
    double w = round(r.width() * f);
    double h = round(r.height() * f);
    clampSize(x, y, w, h);
    return QRectF(x, y, w, h);
}

QRectF PixelMapping::pixelsSnappingEdges(const QRectF& r) const {
    if (!isValid())
        return QRectF();
    const double f = s / k;
    const double x0 = round((r.x() - frame.x()) * f);
    const double x1 = round((r.x() + r.width() - frame.x()) * f);
    const double y0 = round((r.y() - frame.y()) * f);
    const double y1 = round((r.y() + r.height() - frame.y()) * f);
    // The size comes from the unclamped edges.
    double w = x1 - x0;
    double h = y1 - y0;
    const double x = std::max(0.0, x0);
    const double y = std::max(0.0, y0);
    clampSize(x, y, w, h);
    return QRectF(x, y, w, h);
}

QRectF PixelMapping::contentRect(const QRectF& p) const {
    if (!isValid())
        return QRectF();
    const double f = k / s;
    return QRectF(std::max(frame.x(), frame.x() + p.x() * f),
                  std::max(frame.y(), frame.y() + p.y() * f), p.width() * f, p.height() * f);
}

QRectF PixelMapping::roundedContentRect(const QRectF& p) const {
    if (!isValid())
        return QRectF();
    const double f = k / s;
    return QRectF(std::max(frame.x(), frame.x() + round(p.x() * f)),
                  std::max(frame.y(), frame.y() + round(p.y() * f)), round(p.width() * f),
                  round(p.height() * f));
}

QPointF PixelMapping::clampIntoImage(const QPointF& p) const {
    return QPointF(std::clamp(p.x(), frame.x(), frame.x() + std::max(0.0, frame.width())),
                   std::clamp(p.y(), frame.y(), frame.y() + std::max(0.0, frame.height())));
}
