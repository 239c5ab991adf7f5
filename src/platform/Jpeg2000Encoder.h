#pragma once

#include <QByteArray>
#include <QImage>

// JPEG 2000 (a JP2 file, marked sRGB) through OpenJPEG. At quality 100 it is
// lossless: the reversible wavelet with no rate limit. 16-bit images stay
// 16-bit and alpha is kept.
namespace Jpeg2000Encoder {

// `quality` 0 to 100; an empty result when encoding failed.
QByteArray encode(const QImage& image, int quality);
// The compression ratio asked of the encoder below 100; 0 means lossless.
float compressionRatio(int quality);

} // namespace Jpeg2000Encoder
