#pragma once

#include "platform/ExportFormat.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Encodes an image in one of the export formats, with an sRGB profile where
// the format holds one. PNG and TIFF keep every pixel, 16 bits and alpha
// included; BMP keeps 8-bit opaque images exactly.
namespace ImageEncoder {

// `factor` 0 to 1 is the compression slider's value for JPEG and JPEG 2000
// (1 is lossless for JPEG 2000); the others ignore it. An empty result and
// a reason when nothing could be encoded.
QByteArray encode(const QImage& image, ExportFormat format, float factor,
                  QString* reason = nullptr);
// The compression slider's `factor` as a quality of 0 to 100.
int quality(float factor);

} // namespace ImageEncoder
