#pragma once

#include "support/FormatFixtures.h"

#include <QByteArray>
#include <QList>

// An EXIF block built field by field: a TIFF header and one directory (IFD0)
// of SHORT and ASCII entries, little- or big-endian.
class ExifBuilder {
  public:
    explicit ExifBuilder(bool bigEndian = false) : big(bigEndian) {}
    ExifBuilder& number(quint16 tag, quint16 value);
    ExifBuilder& text(quint16 tag, const QByteArray& text);
    ExifBuilder& orientation(int value) { return number(0x0112, quint16(value)); }
    // The TIFF block as PNG's eXIf chunk, WebP's EXIF chunk and JPEG XL's
    // Exif box (after its offset) hold it.
    QByteArray tiff() const;
    QByteArray intoJpeg(const QByteArray& jpeg) const { return intoJpeg(jpeg, tiff()); }
    // Any TIFF block, whole or not, as an APP1 segment after the start marker.
    static QByteArray intoJpeg(const QByteArray& jpeg, const QByteArray& tiff);

  private:
    using Entry = FormatFixtures::TiffField;
    QByteArray word(quint32 value, int bytes) const;
    bool big;
    QList<Entry> entries;
};
