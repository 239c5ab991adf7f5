#pragma once

#include <QByteArray>
#include <QString>

class ImageSource;

// Why a file gave no image, worked out after the decode failed, so that the
// viewer can say what happened rather than one message for everything.
class DecodeFailure {
  public:
    enum Reason {
        None,         // an image was decoded
        NotFound,     // the path names nothing (the file vanished)
        NoPermission, // the file is there but may not be read
        NotAnImage,   // no decoder claims the content
        Damaged,      // a decoder claims it but decodes nothing
        TooLarge,     // the header is sound but states a size beyond the limits
    };

    // The reason for a path whose decode gave no image; `source` is the
    // decoder that was made for it, null when none was.
    static Reason ofFile(const QString& path, ImageSource* source);
    // The same for bytes read elsewhere (an archive entry, the clipboard).
    static Reason ofData(const QByteArray& bytes, const QString& extension, ImageSource* source);
};
