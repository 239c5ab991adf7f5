#include "selection/ImageTransform.h"

#include "platform/LargeImage.h"

#include <QColorSpace>

#include <algorithm>
#include <cstring>

ImageTransform ImageTransform::then(const ImageTransform& next) const {
    // A mirror after a turn is the opposite turn after the mirror.
    const int t = next.mirror ? next.turns - turns : next.turns + turns;
    return {((t % 4) + 4) % 4, mirror != next.mirror};
}

ImageTransform ImageTransform::inverted() const {
    // A mirroring element undoes itself; a pure turn is undone by the opposite turn.
    return mirror ? *this : ImageTransform{(4 - turns) % 4, false};
}

QPoint ImageTransform::mapPixel(const QPoint& p, const QSize& size) const {
    int x = mirror ? size.width() - 1 - p.x() : p.x();
    int y = p.y();
    int w = size.width();
    int h = size.height();
    for (int i = 0; i < turns; ++i) {
        // A clockwise quarter turn: (x, y) of a w x h image goes to (h - 1 - y, x).
        const int nx = h - 1 - y;
        y = x;
        x = nx;
        std::swap(w, h);
    }
    return {x, y};
}

namespace {

// Whole pixels of each size a movable format has.
struct Bytes3 {
    uchar b[3];
};
struct Bytes16 {
    quint64 a, b;
};

// Fills rows [top, bottom) of a w-wide result: pixel (x, y) comes from
// `origin + x * stepX + y * stepY` (byte offsets into the source).
template <typename Pixel>
void moveRows(const uchar* origin, qsizetype stepX, qsizetype stepY, uchar* out,
              qsizetype outBytesPerLine, int w, int top, int bottom) {
    if (stepX == qsizetype(sizeof(Pixel)) || stepX == -qsizetype(sizeof(Pixel))) {
        // No quarter turn: each result row is one source row, perhaps reversed.
        for (int y = top; y < bottom; ++y) {
            const uchar* from = origin + y * stepY;
            auto* to = reinterpret_cast<Pixel*>(out + y * outBytesPerLine);
            for (int x = 0; x < w; ++x)
                std::memcpy(to + x, from + x * stepX, sizeof(Pixel));
        }
        return;
    }
    // A quarter turn reads source columns: take bands of result rows, so
    // that each step along x reads a short run of one source row and writes
    // cache lines that stay warm for the next steps.
    constexpr int band = 16;
    for (int y0 = top; y0 < bottom; y0 += band) {
        const int rows = std::min(band, bottom - y0);
        Pixel* to[band];
        for (int r = 0; r < rows; ++r)
            to[r] = reinterpret_cast<Pixel*>(out + (y0 + r) * outBytesPerLine);
        const uchar* from = origin + y0 * stepY;
        for (int x = 0; x < w; ++x, from += stepX)
            for (int r = 0; r < rows; ++r)
                std::memcpy(to[r] + x, from + r * stepY, sizeof(Pixel));
    }
}

} // namespace

QImage ImageTransform::movable(const QImage& image) {
    switch (image.depth()) {
    case 8:
    case 16:
    case 24:
    case 32:
    case 64:
    case 128:
        return image;
    default:
        // 1-bit images: widened, which keeps every pixel's colour.
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                             : QImage::Format_RGB32);
    }
}

QImage ImageTransform::blankResult(const QImage& movableSource) const {
    if (movableSource.isNull())
        return QImage();
    QImage out =
        LargeImage::allocate(mapSize(movableSource.size()), movableSource.format());
    if (out.isNull())
        return out;
    out.setColorTable(movableSource.colorTable());
    out.setDevicePixelRatio(movableSource.devicePixelRatio());
    out.setColorSpace(movableSource.colorSpace());
    out.setDotsPerMeterX(swapsSize() ? movableSource.dotsPerMeterY()
                                     : movableSource.dotsPerMeterX());
    out.setDotsPerMeterY(swapsSize() ? movableSource.dotsPerMeterX()
                                     : movableSource.dotsPerMeterY());
    return out;
}

void ImageTransform::applyRows(const QImage& movableSource, uchar* out, qsizetype outBytesPerLine,
                               int top, int bottom) const {
    const QSize size = mapSize(movableSource.size());
    top = std::max(top, 0);
    bottom = std::min(bottom, size.height());
    if (top >= bottom || !out)
        return;
    // Where each result pixel comes from: the inverse mapping, which is
    // affine, so three points give it.
    const ImageTransform back = inverted();
    const QPoint o = back.mapPixel({0, 0}, size);
    const QPoint dx = back.mapPixel({1, 0}, size) - o;
    const QPoint dy = back.mapPixel({0, 1}, size) - o;
    const qsizetype pixel = movableSource.depth() / 8;
    const qsizetype line = movableSource.bytesPerLine();
    const uchar* origin = movableSource.constBits() + o.x() * pixel + o.y() * line;
    const qsizetype stepX = dx.x() * pixel + dx.y() * line;
    const qsizetype stepY = dy.x() * pixel + dy.y() * line;
    const int w = size.width();
    switch (pixel) {
    case 1:
        return moveRows<quint8>(origin, stepX, stepY, out, outBytesPerLine, w, top, bottom);
    case 2:
        return moveRows<quint16>(origin, stepX, stepY, out, outBytesPerLine, w, top, bottom);
    case 3:
        return moveRows<Bytes3>(origin, stepX, stepY, out, outBytesPerLine, w, top, bottom);
    case 4:
        return moveRows<quint32>(origin, stepX, stepY, out, outBytesPerLine, w, top, bottom);
    case 8:
        return moveRows<quint64>(origin, stepX, stepY, out, outBytesPerLine, w, top, bottom);
    case 16:
        return moveRows<Bytes16>(origin, stepX, stepY, out, outBytesPerLine, w, top, bottom);
    }
}

QImage ImageTransform::apply(const QImage& image) const {
    if (image.isNull() || isIdentity())
        return image;
    const QImage source = movable(image);
    QImage out = blankResult(source);
    if (!out.isNull())
        applyRows(source, out.bits(), out.bytesPerLine(), 0, out.height());
    return out;
}
