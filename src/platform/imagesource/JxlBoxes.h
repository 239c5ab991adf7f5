#pragma once

#include <QByteArray>

// The metadata boxes of a JPEG XL container, read from the box headers
// alone: the EXIF block (from its TIFF header on) and the XMP packet. A bare
// codestream has neither. Boxes the writer compressed ("brob") are left out.
class JxlBoxes {
  public:
    static bool isCodestream(const QByteArray& bytes);
    static bool isContainer(const QByteArray& bytes);
    static JxlBoxes read(const QByteArray& bytes);

    QByteArray exif;
    QByteArray xmp;
};
