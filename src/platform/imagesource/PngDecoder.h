#pragma once

#include "platform/imagesource/EncodedBytes.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <functional>

// PNG straight through libpng. Grey and palette images are expanded to RGB,
// a tRNS chunk becomes alpha, 16-bit images stay 16-bit (RGBA64 or RGBX64),
// 8-bit ones come as ARGB32 or RGB32, interlaced ones are put together from
// their passes. The image carries the colour space its chunks describe
// (cICP, sRGB, iCCP, gAMA with cHRM, in that order of precedence); nothing
// is converted here.
//
// Hostile files are held in check before anything is taken: no chunk may
// claim more than chunkBytesMax, the metadata chunks the viewer reads
// elsewhere are skipped unread, and the image must fit the decode budget.
class PngDecoder {
public:
    // What IHDR states, read without libpng.
    struct Header {
        int width = 0;
        int height = 0;
        int bitDepth = 0;
        int colorType = 0; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
        bool interlaced = false;
        bool transparency = false; // an alpha channel or a tRNS chunk
    };

    // Enough for the largest real colour profile, far below what a forged
    // length asks for.
    static constexpr int chunkBytesMax = 16 << 20;

    // False when the bytes are not a PNG with a well-formed IHDR first.
    static bool readHeader(const QByteArray& bytes, Header* header);
    // Damaged or cut short, the rows read before that, the rest transparent
    // (of an interlaced image, the blocks its first pass covers, or all of it
    // coarse once that pass is whole), marked partial; null without a row,
    // or when the image exceeds the decode budget.
    static QImage decode(const EncodedBytes& bytes);
    // The image reduced to fit in `bound`, 8 bits a channel, its rows
    // area-averaged as they stream out of libpng so that only the result is
    // held (an interlaced image from its last pass, every other row).
    static QImage decodeReduced(const EncodedBytes& bytes, QSize bound);
    // Only `area` of the image, kept from its rows as they stream by, at
    // 1/denominator of its size (then 8 bits a channel, area-averaged). Null
    // when the area is not inside the image.
    static QImage decodeRegion(const EncodedBytes& bytes, const QRect& area, int denominator = 1);
    // The whole image, 8 bits a channel, handed over in bands of rows from
    // the top, each with the image's colour space, so that an image too
    // large to hold can be written elsewhere; `sink` returns false to stop.
    // False when it stopped or the image cannot be read that way (damaged,
    // or interlaced: its rows come whole only with its last pass).
    static bool decodeBands(const EncodedBytes& bytes,
                            const std::function<bool(const QImage& band)>& sink);
};
