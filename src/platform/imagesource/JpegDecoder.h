#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <functional>

class JpegScanIndex;

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
    // The image reduced to fit in `bound` (its own size when it fits):
    // DCT-scaled as far as that goes, then its rows area-averaged as they
    // come, so that only the result is held whatever the full size.
    static QImage decodeReduced(const QByteArray& bytes, QSize bound, bool* unsupported = nullptr);
    // Only `area` (in full-size pixels) of the image at 1/denominator (1, 2,
    // 4 or 8): the columns about it are cropped and the rows above it
    // skipped within the decoder, and decoding stops below it. Null when the
    // area is not inside the image. With the image's index (built from these
    // bytes), decoding starts at the row of MCUs nearest above the area
    // instead of entropy-decoding every row from the top: the same pixels.
    static QImage decodeRegion(const QByteArray& bytes, const QRect& area, int denominator = 1,
                               bool* unsupported = nullptr, const JpegScanIndex* index = nullptr);
    // The whole image handed over in bands of rows from the top, each with
    // the image's colour space, none of it kept, so that an image too large
    // to hold can be written elsewhere; `sink` returns false to stop. False
    // when it stopped or the image cannot be decoded.
    static bool decodeBands(const QByteArray& bytes,
                            const std::function<bool(const QImage& band)>& sink,
                            bool* unsupported = nullptr);
};
