#include "platform/LargeImage.h"

#include <QColorSpace>

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr qsizetype hugePage = qsizetype(2) << 20;

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
        return QImage();
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
    const bool fourBytes = (from == QImage::Format_RGBA8888 && format == QImage::Format_ARGB32) ||
                           (from == QImage::Format_RGBX8888 && format == QImage::Format_RGB32);
    const bool threeBytes = from == QImage::Format_RGB888 && format == QImage::Format_RGB32;
    if (!same && !fourBytes && !threeBytes)
        return image.convertToFormat(format);
    QImage result = allocate(image.size(), format);
    if (result.isNull())
        return result;
    result.setColorSpace(image.colorSpace());
    const int width = image.width();
    // Opaque formats keep their unused byte at 255.
    const quint32 opaque = format == QImage::Format_RGB32 ? 0xff000000u : 0u;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* in = image.constScanLine(y);
        auto* out = reinterpret_cast<quint32*>(result.scanLine(y));
        if (same) {
            std::memcpy(out, in, size_t(result.bytesPerLine()));
        } else if (threeBytes) {
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = opaque | quint32(in[0]) << 16 | quint32(in[1]) << 8 | in[2];
        } else {
            for (int x = 0; x < width; ++x, in += 4)
                out[x] = (quint32(in[3]) << 24 | opaque) | quint32(in[0]) << 16 |
                         quint32(in[1]) << 8 | in[2];
        }
    }
    return result;
}
