#pragma once

#include <QByteArray>
#include <QImage>

// JPEG through libjpeg-turbo, carrying an sRGB profile. Transparent pixels
// are laid on white, as the format keeps no alpha; 16-bit images are reduced
// to 8 bits.
namespace JpegEncoder {

// `quality` 0 to 100; an empty result when encoding failed.
QByteArray encode(const QImage& image, int quality);

} // namespace JpegEncoder
