#include "info/Histogram.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

HistogramResult HistogramView::readImage(const QImage& image) {
    return makeArrays(count(imageCompressForSize(image)));
}

QSizeF HistogramView::compressedSize(const QSizeF& size) {
    const double w = size.width();
    const double h = size.height();
    if (!(w > 0) || !(h > 0))
        return QSizeF();
    const double f = targetHeight / h;
    const double tw = w * f;
    if (h == targetHeight && w == tw)
        return size;
    const double g = std::max(tw / w, f);
    return QSizeF(w * g, h * g);
}

QSize HistogramView::rasterSize(const QSizeF& size) {
    const QSizeF target = compressedSize(size);
    // Compared as doubles first: a truncation to int could overflow.
    if (!(target.width() >= 1.0) || !(target.height() >= 1.0) || target.height() > 1e6)
        return QSize();
    const qint64 height = qint64(target.height());
    const double widest = double(maxRasterPixels / height);
    const qint64 width = qint64(std::min(target.width(), widest));
    if (width < 1)
        return QSize();
    return QSize(int(width), int(height));
}

QImage HistogramView::imageCompressForSize(const QImage& image) {
    if (image.isNull())
        return QImage();
    const QSize raster = rasterSize(QSizeF(image.size()));
    if (raster.isEmpty())
        return QImage();
    QImage out(raster, QImage::Format_RGBA8888_Premultiplied);
    if (out.isNull())
        return QImage();
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Nearest pixels, never blended ones: the bins count colours that are in
    // the image, and sampling costs only the raster's pixels whatever its size.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(raster)), image);
    return out;
}

int HistogramView::luminanceBin(int red, int green, int blue) {
    double l = (red * 0.299 + green * 0.587) + blue * 0.114;
    l = std::min(255.0, l);
    return int(std::trunc(l));
}

HistogramView::Bins HistogramView::count(const QImage& raster) {
    Bins bins;
    if (raster.isNull())
        return bins;
    const QImage pixels = raster.format() == QImage::Format_RGBA8888_Premultiplied
                              ? raster
                              : raster.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const int width = pixels.width();
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* p = pixels.constScanLine(y);
        for (int x = 0; x < width; ++x, p += 4) {
            bins.red[p[0]] += 1.0f;
            bins.green[p[1]] += 1.0f;
            bins.blue[p[2]] += 1.0f;
            bins.luminance[luminanceBin(p[0], p[1], p[2])] += 1.0f;
        }
    }
    return bins;
}

namespace {

std::int32_t total(const std::array<float, 256>& bins) {
    std::int32_t t = 0;
    for (float bin : bins)
        t = std::int32_t(float(t) + bin);
    return t;
}

QList<ClsDrawPoint> points(const std::array<float, 256>& bins, float s) {
    QList<ClsDrawPoint> list;
    list.reserve(256);
    for (int i = 0; i < 256; ++i) {
        // Nothing counted: flat graphs rather than a division by zero.
        const float y = s == 0.0f ? 0.0f : bins[i] * 100.0f / s;
        list.append(ClsDrawPoint{double(i), double(y)});
    }
    return list;
}

} // namespace

HistogramResult HistogramView::makeArrays(const Bins& bins) {
    const std::int32_t sum = total(bins.red) / 256 + total(bins.green) / 256 +
                             total(bins.blue) / 256 + total(bins.luminance) / 256;
    const float s = float(sum / 4) * 8.0f;
    HistogramResult result;
    result.redpoints = points(bins.red, s);
    result.greenpoints = points(bins.green, s);
    result.bluepoints = points(bins.blue, s);
    result.whitepoints = points(bins.luminance, s);
    return result;
}
