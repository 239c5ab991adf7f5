#pragma once

#include <QImage>

// Images about to be written once in full (a decode, a turn, a copy). Large
// ones get memory asked for as 2 MiB pages where the kernel allows it: on
// some machines faulting in a fresh 4 KiB page at a time costs a tenth of a
// 24-megapixel decode, and more than a whole turn. Only where rounding up to
// whole large pages wastes little; plain QImage memory otherwise.
class LargeImage {
  public:
    // Uninitialised pixels; null when the memory is not there.
    static QImage allocate(const QSize& size, QImage::Format format);
    // The same pixels as `image` in a new large image of `format`. The copies
    // decoders need are done here: the same format, and the byte orders
    // libraries write (RGBA8888, RGBX8888, RGB888) to the matching 32-bit
    // ones of Qt. Any other goes through Qt's own conversion.
    static QImage copy(const QImage& image, QImage::Format format);
    // `image` in `format`, in its own memory where the pixels keep their size
    // (RGBA8888 or RGBX8888 to the matching 32-bit format of Qt): Qt converts
    // in place only in memory it allocated itself.
    static QImage converted(QImage image, QImage::Format format);
};
