#include "selection/SelectionCopy.h"

#include <cmath>

QImage SelectionCopy::imageInSelectionArea(const QImage& shown, const QRectF& selected,
                                           double backingScale) {
    if (shown.isNull() || !selected.isValid())
        return QImage();
    // Cut to the image while still in doubles: far-off values never reach an int.
    const QRectF inside = selected.intersected(QRectF(QPointF(0, 0), QSizeF(shown.size())));
    if (!inside.isValid())
        return QImage();
    const QRect yUp = inside.toAlignedRect().intersected(QRect(QPoint(0, 0), shown.size()));
    if (yUp.isEmpty())
        return QImage();
    const double scale = backingScale > 0 && std::isfinite(backingScale) ? backingScale : 1.0;
    // The whole image shares the shown pixels rather than copying them (a
    // copy of a 50-megapixel photo is 200 MB), unless the nominal size differs.
    if (yUp == QRect(QPoint(0, 0), shown.size()) && shown.devicePixelRatio() == scale)
        return shown;
    // QImage rows run top down.
    const QRect rows(yUp.x(), shown.height() - yUp.y() - yUp.height(), yUp.width(), yUp.height());
    QImage out = shown.copy(rows);
    out.setDevicePixelRatio(scale);
    return out;
}
