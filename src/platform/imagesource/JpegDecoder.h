#pragma once

#include <QByteArray>
#include <QImage>

// JPEG straight through libjpeg-turbo: pixels land in the image's own rows
// in Qt's 32-bit layout, with no intermediate RGB copy, which is what the
// full decode of a large photograph spends most of its time on besides the
// entropy decoding itself. The embedded ICC profile becomes the image's
// colour space.
class JpegDecoder {
public:
    // The image at 1/denominator of its size (1, 2, 4 or 8: DCT scaling).
    // Null when the data is damaged or ends inside its scans (a file that
    // lacks only its final marker decodes), when the image exceeds
    // the decode budget, and for colour models left to Qt's reader (CMYK
    // and YCCK).
    // unsupported, when given, tells the last case from damage.
    static QImage decode(const QByteArray& bytes, int denominator = 1, bool* unsupported = nullptr);
};
