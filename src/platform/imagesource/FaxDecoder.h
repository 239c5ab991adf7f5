#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Fax images through libtiff: TIFF class F files (any TIFF libtiff reads,
// page by page), and headerless Group 3 data at the standard width of 1728
// pixels, which is wrapped in a TIFF header of our own so that libtiff's
// CCITT decoder can read it.
class FaxDecoder {
public:
    static constexpr int rawWidth = 1728;

    // Pages of a TIFF file; 0 when libtiff cannot read it.
    static int pageCount(const QByteArray& tiff);
    // The size of a page as stored, its resolution in dots per inch (0 when
    // unknown) and its own orientation tag (EXIF 1-8; 1 when it has none).
    static QSize pageSize(const QByteArray& tiff, int page, double* dpiX = nullptr,
                          double* dpiY = nullptr, int* orientation = nullptr);
    // The page as stored (not oriented); colour with alpha comes premultiplied.
    static QImage decodePage(const QByteArray& tiff, int page);

    // Whether headerless data starts like Group 3: with an end-of-line code.
    static bool looksLikeRawG3(const QByteArray& data);
    // The page held in headerless Group 3 data, in whichever bit order and
    // coding (1-D or 2-D) decodes most of it; null when none does.
    static QImage decodeRawG3(const QByteArray& data);
};
