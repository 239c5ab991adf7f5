#pragma once

#include <QByteArray>
#include <QImage>

// JPEG through libjpeg-turbo, carrying an sRGB profile. Transparent pixels
// are laid on white, as the format keeps no alpha; 16-bit images are reduced
// to 8 bits.
struct jpeg_compress_struct;

namespace JpegEncoder {

// `quality` 0 to 100; an empty result when encoding failed.
QByteArray encode(const QImage& image, int quality);

// What the encoder reads: 8-bit grey, or 32-bit pixels libjpeg-turbo takes
// as they lie in memory (transparent ones laid on white).
QImage encodable(const QImage& image);
// Sets `info` (created, its destination set) up for `size` pixels of
// encodable() grey or colour rows at `quality`, starts it and writes a
// colour image's sRGB profile. libjpeg's errors go to the caller's handler.
void start(jpeg_compress_struct* info, QSize size, bool grey, int quality);

} // namespace JpegEncoder
