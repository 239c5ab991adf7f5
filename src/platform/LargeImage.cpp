#include "platform/LargeImage.h"

#include <QColorSpace>

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr qsizetype hugePage = qsizetype(2) << 20;

// Bytes R G B A to Qt's native 0xAARRGGBB; `opaque` sets the unused byte of
// an opaque format. Each pixel is read whole before it is written, so `in`
// may be `out`.
void swizzleRow(const uchar* in, quint32* out, int width, quint32 opaque) {
    for (int x = 0; x < width; ++x, in += 4)
        out[x] = (quint32(in[3]) << 24 | opaque) | quint32(in[0]) << 16 | quint32(in[1]) << 8 | in[2];
}

bool swizzles(QImage::Format from, QImage::Format to) {
    return (from == QImage::Format_RGBA8888 && to == QImage::Format_ARGB32) ||
           (from == QImage::Format_RGBX8888 && to == QImage::Format_RGB32);
}

quint32 opaqueBits(QImage::Format format) {
    return format == QImage::Format_RGB32 ? 0xff000000u : 0u;
}

} // namespace

QImage LargeImage::allocate(const QSize& size, QImage::Format format) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = ((qsizetype(size.width()) * depth + 31) / 32) * 4;
    const qsizetype bytes = bytesPerLine * size.height();
    const qsizetype rounded = (bytes + hugePage - 1) / hugePage * hugePage;
    if (size.isEmpty() || bytes < hugePage / 2 || rounded - bytes > bytes / 8 ||
        bytesPerLine > std::numeric_limits<int>::max())
        return QImage(size, format);
    void* data = std::aligned_alloc(size_t(hugePage), size_t(rounded));
    if (!data)
        return QImage(size, format);
    madvise(data, size_t(rounded), MADV_HUGEPAGE); // a hint; plain pages otherwise
    QImage image(
        static_cast<uchar*>(data), size.width(), size.height(), bytesPerLine, format,
        [](void* p) { std::free(p); }, data);
    if (image.isNull())
        std::free(data);
    return image;
}

QImage LargeImage::copy(const QImage& image, QImage::Format format) {
    const QImage::Format from = image.format();
    const bool same = from == format;
    const bool fourBytes = swizzles(from, format);
    const bool threeBytes = from == QImage::Format_RGB888 && format == QImage::Format_RGB32;
    if (!same && !fourBytes && !threeBytes)
        return image.convertToFormat(format);
    QImage result = allocate(image.size(), format);
    if (result.isNull())
        return result;
    result.setColorSpace(image.colorSpace());
    const int width = image.width();
    const quint32 opaque = opaqueBits(format);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* in = image.constScanLine(y);
        auto* out = reinterpret_cast<quint32*>(result.scanLine(y));
        if (same) {
            std::memcpy(out, in, size_t(result.bytesPerLine()));
        } else if (threeBytes) {
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = opaque | quint32(in[0]) << 16 | quint32(in[1]) << 8 | in[2];
        } else {
            swizzleRow(in, out, width, opaque);
        }
    }
    return result;
}

QImage LargeImage::converted(QImage image, QImage::Format format) {
    if (!swizzles(image.format(), format))
        return std::move(image).convertToFormat(format);
    const quint32 opaque = opaqueBits(format);
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y); // detaches first if shared
        swizzleRow(line, reinterpret_cast<quint32*>(line), image.width(), opaque);
    }
    image.reinterpretAsFormat(format);
    return image;
}
