#pragma once

#include "platform/ExportFormat.h"
#include "platform/ExportMetadata.h"

#include <QByteArrayView>
#include <QString>
#include <functional>

class ImageSource;
class QFileDevice;

// Writes an image too large to hold as its decoder hands its rows over, a
// band at a time, so that only a band is ever in memory: JPEG and PNG, whose
// encoders take rows in order. Pixels are written as stored (the caller
// makes sure no orientation is lost), in sRGB, 8 bits a channel.
class StreamedEncoder {
  public:
    static bool canWrite(ExportFormat format) {
        return format == ExportFormat::Jpeg || format == ExportFormat::Png;
    }
    // Writes image 0 of `source` through `write` (which returns false with
    // the reason when the file takes no more), with the metadata `extras`
    // (ExportMetadata::segmentsFor) before the pixels; `factor` is the
    // compression slider's value for JPEG. False with the reason when it
    // could not.
    using Writer = std::function<bool(QByteArrayView piece, QString* reason)>;
    static bool encode(ImageSource& source, ExportFormat format, float factor,
                       const ExportMetadata::Segments& extras, const Writer& write,
                       QString* reason);
};
