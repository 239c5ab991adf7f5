#pragma once

#include "platform/DecodeFailure.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

class ImageSource;

// One thumbnail of an item, made with our own decoders: image 0 (an
// animation's first frame, a camera raw's own preview when that is large
// enough) reduced as it decodes wherever the format can do that, so that
// neither a large photograph nor a huge scan is ever held whole; upright by
// its orientation, in sRGB at 8 bits a channel, at most `pixels` on its
// longer side. Runs on a worker; cancellation stops the decoders early.
class ThumbnailMaker {
  public:
    struct Result {
        QImage image; // null when failed
        // Why there is no image; None when there is one.
        DecodeFailure::Reason failure = DecodeFailure::None;
        // The file ended early: the image shows the part it holds.
        bool partial = false;
        bool failed() const { return image.isNull(); }
    };

    // An item's bytes, read on the worker: an archive entry's, say. Nothing
    // read counts as damage, as it does for the shown image.
    using Reader = std::function<std::optional<QByteArray>()>;

    // A file on disk, or (with `read`) the bytes `read` gives, the entry's
    // extension settling what the content leaves open. A sketch document on
    // disk is shown by its stored preview.
    static Result ofItem(const QString& path, const Reader& read, int pixels);
    static Result ofFile(const QString& path, int pixels);
    static Result ofData(const QByteArray& bytes, const QString& extension, int pixels);
    // From a decoder already made; null without a reason when cancelled.
    static QImage make(ImageSource& source, int pixels);
};
