#include "viewer/DetailRegion.h"

#include "platform/ImageSource.h"

#include <algorithm>
#include <cmath>

std::optional<DetailRegion::Request> DetailRegion::forView(QSize full, QSize overview,
                                                           const QRectF& placement,
                                                           const QRectF& view, double dpr,
                                                           qint64 maxPixels) {
    if (full.isEmpty() || overview.isEmpty() || placement.isEmpty() || !(dpr > 0))
        return std::nullopt;
    // Device pixels on screen for each pixel of the image.
    const double scale = placement.width() * dpr / full.width();
    if (double(overview.width()) / full.width() >= scale * 0.99)
        return std::nullopt;
    int denominator = 8;
    while (denominator > 1 && 1.0 / denominator < scale * 0.99)
        denominator /= 2;
    const QRectF shown = placement.intersected(view);
    if (shown.isEmpty())
        return std::nullopt;
    const double toImage = full.width() / placement.width();
    const QRectF inView((shown.x() - placement.x()) * toImage,
                        (shown.y() - placement.y()) * toImage, shown.width() * toImage,
                        shown.height() * toImage);
    // The part's whole pixels, or none when they are over the budget.
    const auto within = [&](const QRectF& part) {
        const QRect area =
            QRect(QPoint(int(std::floor(part.left())), int(std::floor(part.top()))),
                  QPoint(int(std::ceil(part.right())) - 1, int(std::ceil(part.bottom())) - 1))
                .intersected(QRect(QPoint(), full));
        const qint64 reduced =
            qint64(area.width() / denominator + 1) * (area.height() / denominator + 1);
        return reduced <= maxPixels ? area : QRect();
    };
    QRect area = within(inView.adjusted(-inView.width(), -inView.height() / 2, inView.width(),
                                        inView.height() / 2));
    const QRect shownArea = within(inView);
    if (area.isEmpty())
        area = shownArea;
    if (area.isEmpty())
        return std::nullopt;
    return Request{area, denominator, shownArea};
}

bool DetailRegion::covers(const Request& have, const Request& want) {
    return have.denominator == want.denominator && have.area.contains(want.inView);
}

QRect DetailRegion::storedArea(const QRect& area, QSize stored, const ImageTransform& upright,
                               int denominator) {
    const QSize uprightSize = upright.mapSize(stored);
    const ImageTransform back = upright.inverted();
    const QPoint a = back.mapPixel(area.topLeft(), uprightSize);
    const QPoint b = back.mapPixel(area.bottomRight(), uprightSize);
    const int d = std::max(1, denominator);
    const int left = std::min(a.x(), b.x()) / d * d, top = std::min(a.y(), b.y()) / d * d;
    const int right = std::min(stored.width(), (std::max(a.x(), b.x()) + d) / d * d);
    const int bottom = std::min(stored.height(), (std::max(a.y(), b.y()) + d) / d * d);
    return QRect(left, top, right - left, bottom - top);
}

QRect DetailRegion::uprightArea(const QRect& area, QSize stored, const ImageTransform& upright) {
    const QPoint a = upright.mapPixel(area.topLeft(), stored);
    const QPoint b = upright.mapPixel(area.bottomRight(), stored);
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

ImageTransform DetailRegion::forOrientation(int orientation) {
    const ImageTransform mirror = ImageTransform::flipHorizontally();
    switch (orientation) {
    case 2:
        return mirror;
    case 3:
        return ImageTransform::rotate180();
    case 4:
        return ImageTransform::flipVertically();
    case 5:
        return mirror.then(ImageTransform::rotateCounterClockwise());
    case 6:
        return ImageTransform::rotateClockwise();
    case 7:
        return mirror.then(ImageTransform::rotateClockwise());
    case 8:
        return ImageTransform::rotateCounterClockwise();
    default:
        return ImageTransform();
    }
}

QImage DetailRegion::decode(ImageSource& source, const QRect& area, int denominator,
                            QRect* covered) {
    const QVariantMap properties = source.propertiesAtIndex(0);
    const QSize stored(properties.value(QStringLiteral("PixelWidth")).toInt(),
                       properties.value(QStringLiteral("PixelHeight")).toInt());
    const QVariant orientation = properties.value(QStringLiteral("Orientation"));
    const ImageTransform upright = forOrientation(orientation.isValid() ? orientation.toInt() : 1);
    const QRect part = storedArea(area, stored, upright, denominator);
    const QImage pixels = source.region(part, denominator);
    if (pixels.isNull())
        return QImage();
    if (covered)
        *covered = uprightArea(part, stored, upright);
    return upright.apply(pixels);
}
