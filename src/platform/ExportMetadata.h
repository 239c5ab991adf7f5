#pragma once

#include "platform/ExportFormat.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <memory>
#include <utility>

namespace Exiv2 {
class ExifData;
class XmpData;
} // namespace Exiv2

// The EXIF and XMP of a shown image, carried into its export: the camera,
// the date taken, the exposure, the place and the rest stay with the
// pixels. What described the stored pixels rather than the photo (their
// orientation, size, layout, thumbnail, colour profile) is left out or made
// true of the exported pixels, which are upright. Exiv2's failures stop
// here: a source it cannot read has no metadata, and an export it cannot
// write into is written without.
class ExportMetadata {
  public:
    // Reads the metadata of an image file, or of image bytes (an archive
    // entry, the clipboard). Nothing when there is none or it cannot be read.
    static ExportMetadata readFile(const QString& path);
    static ExportMetadata readBytes(const QByteArray& bytes);

    // What Exiv2 read from a source.
    static ExportMetadata fromData(const Exiv2::ExifData& exif, const Exiv2::XmpData& xmp);

    bool isEmpty() const;
    // `encoded` (a JPEG, PNG, TIFF or JPEG 2000 file) with the metadata
    // written in, its orientation 1 and its pixel dimensions `size`;
    // `encoded` unchanged when there is nothing to write or the format holds
    // none (BMP). The file's own colour profile stays.
    QByteArray writeInto(const QByteArray& encoded, const QSize& size) const;
    // The same metadata as the segments of a file written a piece at a time:
    // for JPEG each APPn marker (its code) with its payload, for PNG each text
    // or eXIf chunk (its type) with its data, as Exiv2 writes them into a
    // small file of the format. Nothing for other formats.
    using Segments = QList<std::pair<QByteArray, QByteArray>>;
    Segments segmentsFor(ExportFormat format, const QSize& size) const;

  private:
    std::shared_ptr<const Exiv2::ExifData> exif;
    std::shared_ptr<const Exiv2::XmpData> xmp;
};
