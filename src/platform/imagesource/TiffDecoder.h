#pragma once

#include "platform/imagesource/EncodedBytes.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

// TIFF pages through libtiff. Grey, RGB, CMYK and palette pages of any
// sample size (1 to 32 bits, integers or floating point), in strips or in
// tiles, contiguous or planar, are read sample by sample, and kept at 16
// bits where they have more than 8. Every other layout libtiff renders
// (YCbCr, CIE L*a*b*, old-style JPEG, ...) comes through its RGBA reader.
class TiffDecoder {
public:
    struct Page {
        QSize size; // as stored
        int bitsPerSample = 0;
        QString colorModel; // "Gray", "RGB", "CMYK" or "Lab"
        bool hasAlpha = false;
        int orientation = 1; // EXIF 1-8, from the page's own tag
        double dpiX = 0.0; // 0 when unknown
        double dpiY = 0.0;
        QByteArray iccProfile;
    };

    // The directories of the file; 0 when libtiff cannot read it.
    static int pageCount(const EncodedBytes& tiff);
    // False when the page cannot be read.
    static bool describe(const EncodedBytes& tiff, int page, Page* out);
    // The page as stored (not oriented), its RGB profile as its colour space.
    // Null when the data is damaged, when the image exceeds the decode
    // budget, or when its strips are far too small for the size it claims.
    static QImage decode(const EncodedBytes& tiff, int page);
    // The page reduced to fit in `bound`, 8 bits a channel, averaged from
    // its strips or tiles one band at a time so that only the result is held.
    static QImage decodeReduced(const EncodedBytes& tiff, int page, QSize bound);
    // `area` of the page at 1/denominator (at 1, the full decode's pixels),
    // read from only the strips or tiles it meets. Null when the area is not
    // inside the page.
    static QImage decodeRegion(const EncodedBytes& tiff, int page, const QRect& area,
                               int denominator = 1);

    // The page as stored, 8 bits a channel, handed over in bands of full
    // rows from the top, each with the page's colour space, so that a page
    // too large to hold can be written elsewhere; `sink` returns false to
    // stop. False when it stopped, or the page cannot be read that way.
    static bool decodeBands(const EncodedBytes& tiff, int page,
                            const std::function<bool(const QImage& band)>& sink);

  private:
    static QImage decodePart(const EncodedBytes& tiff, int page, QSize bound, const QRect& area,
                             int denominator);
};
