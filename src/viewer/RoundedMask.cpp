#include "viewer/RoundedMask.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

QImage RoundedMask::maskedImageForSize(const QSizeF& size, double radius, double scale) {
    if (!(scale > 0.0))
        scale = 1.0;
    const int width = int(std::trunc(size.width() * scale));
    const int height = int(std::trunc(size.height() * scale));
    if (width <= 0 || height <= 0)
        return QImage();
    QImage mask(width, height, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width() * scale, size.height() * scale),
                        radius * scale, radius * scale);
    painter.fillPath(path, Qt::black);
    painter.end();
    mask.setDevicePixelRatio(scale);
    return mask;
}
