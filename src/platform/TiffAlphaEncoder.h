#pragma once

#include <QByteArray>
#include <QImage>

// TIFF for 8-bit images with alpha, written with the alpha unassociated
// (colours as they are, not multiplied by alpha), so that they read back
// bit for bit; Qt's own writer premultiplies them and loses the colour of
// faint pixels. Carries an sRGB profile; LZW compressed.
namespace TiffAlphaEncoder {

QByteArray encode(const QImage& image);

} // namespace TiffAlphaEncoder
