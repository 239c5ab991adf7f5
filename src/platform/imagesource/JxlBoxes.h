#pragma once

#include <QByteArray>

// The metadata boxes of a JPEG XL container, read by libjxl without
// decoding the image: the EXIF block (from its TIFF header on) and the XMP
// packet, inflated when the writer compressed them ("brob", as cjxl does by
// default). A bare codestream has neither.
class JxlBoxes {
  public:
    static bool isCodestream(const QByteArray& bytes);
    static bool isContainer(const QByteArray& bytes);
    static JxlBoxes read(const QByteArray& bytes);

    QByteArray exif;
    QByteArray xmp;
};
