#include "info/ThumbFit.h"

#include <cmath>

QRectF ThumbFit::boundsRectToFitImage(const QSize& bitmap, const QRectF& bounds) {
    const double w = bitmap.width();
    const double h = bitmap.height();
    const double bw = bounds.width();
    const double bh = bounds.height();
    if (!(w > 0) || !(h > 0) || !(bw > 0) || !(bh > 0))
        return QRectF();
    double x = bounds.x();
    double y = bounds.y();
    const float a = float(w) / float(h);
    const double b = bw / bh;
    double rw = bw;
    double rh = bh;
    if (b > a) {
        rw = float(bh * w / h);
        x += (bw - rw) * 0.5;
    } else {
        rh = float(bw * h / w);
        y += (bh - rh) * 0.5;
    }
    const double left = std::floor(x);
    const double top = std::floor(y);
    return QRectF(left, top, std::ceil(x + rw) - left, std::ceil(y + rh) - top);
}
