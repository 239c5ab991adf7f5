#include "viewer/FullScreenBackdrop.h"

#include "viewer/ScaledImageCache.h"

#include <algorithm>
#include <cmath>

FullScreenBackdrop::Layers FullScreenBackdrop::forMode(int backgroundMode, const QColor& color) {
    Layers layers;
    switch (backgroundMode) {
    case 1:
        layers.colored = true;
        layers.color = color;
        break;
    case 2:
        layers.colored = true;
        layers.blurred = true;
        break;
    default:
        break;
    }
    return layers;
}

QRectF FullScreenBackdrop::blurRect(const QSizeF& view, double blurWidth, double blurHeight) {
    if (!(blurWidth > 0) || !(blurHeight > 0))
        return QRectF(QPointF(0, 0), view);
    return QRectF((view.width() - blurWidth) * 0.5, (view.height() - blurHeight) * 0.5, blurWidth,
                  blurHeight);
}

QSize FullScreenBackdrop::workingSize(const QSizeF& backdrop) {
    const double scale = workingRadius / blurRadius;
    return QSize(std::max(1, int(std::lround(backdrop.width() * scale))),
                 std::max(1, int(std::lround(backdrop.height() * scale))));
}

namespace {

// One box blur of half-width r along rows (horizontal) of 4-byte pixels,
// edges repeated; a running sum keeps it linear in the pixel count.
void boxRows(const quint32* in, quint32* out, int width, int height, int strideIn, int strideOut,
             int step, int r) {
    const int span = 2 * r + 1;
    for (int y = 0; y < height; ++y) {
        const quint32* row = in + std::ptrdiff_t(y) * strideIn;
        quint32* dest = out + std::ptrdiff_t(y) * strideOut;
        auto at = [&](int x) { return row[std::ptrdiff_t(std::clamp(x, 0, width - 1)) * step]; };
        quint32 sum[4] = {0, 0, 0, 0};
        for (int x = -r; x <= r; ++x) {
            const quint32 p = at(x);
            sum[0] += p >> 24;
            sum[1] += (p >> 16) & 0xff;
            sum[2] += (p >> 8) & 0xff;
            sum[3] += p & 0xff;
        }
        for (int x = 0; x < width; ++x) {
            const quint32 half = quint32(span / 2);
            dest[std::ptrdiff_t(x) * step] =
                (((sum[0] + half) / span) << 24) | (((sum[1] + half) / span) << 16) |
                (((sum[2] + half) / span) << 8) | ((sum[3] + half) / span);
            const quint32 gone = at(x - r);
            const quint32 come = at(x + r + 1);
            sum[0] += (come >> 24) - (gone >> 24);
            sum[1] += ((come >> 16) & 0xff) - ((gone >> 16) & 0xff);
            sum[2] += ((come >> 8) & 0xff) - ((gone >> 8) & 0xff);
            sum[3] += (come & 0xff) - (gone & 0xff);
        }
    }
}

} // namespace

QImage FullScreenBackdrop::gaussianBlur(const QImage& image, double sigma) {
    if (image.isNull())
        return QImage();
    QImage a = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!(sigma > 0))
        return a;
    // Three boxes whose variances add up to sigma squared.
    const int r = std::max(1, int(std::lround((std::sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0)));
    QImage b(a.size(), a.format());
    if (b.isNull())
        return QImage();
    const int w = a.width();
    const int h = a.height();
    const int stride = int(a.bytesPerLine() / 4);
    for (int pass = 0; pass < 3; ++pass) {
        boxRows(reinterpret_cast<const quint32*>(a.constBits()),
                reinterpret_cast<quint32*>(b.bits()), w, h, stride, stride, 1, r);
        // Columns: the same along y, with rows and columns swapped.
        boxRows(reinterpret_cast<const quint32*>(b.constBits()),
                reinterpret_cast<quint32*>(a.bits()), h, w, 1, 1, stride, r);
    }
    return a;
}

QImage FullScreenBackdrop::blurred(const QImage& source, const QSizeF& backdrop,
                                   const QSize& output) {
    if (source.isNull() || backdrop.isEmpty())
        return QImage();
    const QSize working = workingSize(backdrop);
    // Area-averaged down to the working size; halved first while far larger,
    // which costs a quarter of the pixels at each step.
    QImage small = source;
    while (small.width() >= 4 * working.width() && small.height() >= 4 * working.height()) {
        small = ScaledImageCache::reduceByHalf(small);
        if (small.isNull())
            return QImage();
    }
    small = small.scaled(working, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage result = gaussianBlur(small, workingRadius);
    if (output.isValid() && !output.isEmpty() && !result.isNull())
        result = result.scaled(output, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return result;
}
