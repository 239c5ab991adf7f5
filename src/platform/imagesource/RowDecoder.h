#pragma once

#include "platform/imagesource/EncodedBytes.h"

#include <QImage>
#include <QString>
#include <memory>

// Reads the rows of an uncompressed or run-length coded image one at a time
// straight from its encoded bytes, in any order, so that an image far too
// large to decode whole can still be reduced, cut into regions or streamed:
// BMP, binary PNM, TGA, SGI, Radiance HDR and the composite of a Photoshop
// file. Rows come 8 bits a channel as Grayscale8, RGB32 or ARGB32 (not
// premultiplied), whatever the file's depth; floating-point data comes
// tone-mapped. Where the format allows, a row is found without reading
// those before it (a fixed stride, a table of row offsets); a run-length
// coded TGA gets its table of row starts, and a Radiance HDR its scanline
// starts and white point, from one pass on first use. Rows past the end of
// data that stops early come out zero (but for Radiance HDR, which fails).
class RowDecoder {
  public:
    enum class Format { Bmp, Pnm, Tga, Sgi, Psd, Hdr };

    // Nothing when the header is not one this reader takes, states a size
    // no real image has (DecodeLimits::allowsSize), or the data falls far
    // short of what it promises.
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes, Format format);
    virtual ~RowDecoder() = default;

    QSize size() const { return QSize(width, height); }
    QImage::Format format() const { return pixelFormat; }
    // What the header says, without decoding: bits a sample, "Gray" or
    // "RGB" (or "CMYK"), and whether there is alpha; as the format's
    // whole-image decoder reports them.
    int depth() const { return sampleBits; }
    const QString& colorModel() const { return model; }
    bool hasAlpha() const { return alpha; }
    bool isFloat() const { return floatSamples; }
    // Whether the format's whole-image decoder (Qt's, stb's, SgiDecoder,
    // or these rows) decodes this image within the decode budget.
    bool fitsWhole() const;
    virtual QString type() const = 0;

    // `count` pixels of row y (0 the top) from column `left`, into out.
    // False when the data cannot give that row (damaged past repair).
    virtual bool readRow(int y, int left, int count, uchar* out) = 0;

  protected:
    RowDecoder() = default;
    // The values every reader sets from its header.
    int width = 0;
    int height = 0;
    QImage::Format pixelFormat = QImage::Format_RGB32;
    int sampleBits = 8;
    QString model = QStringLiteral("RGB");
    bool alpha = false;
    bool floatSamples = false;
    int wholeBytesPerPixel = 4; // what the whole-image decoder holds a pixel

    // Helpers for the readers.
    // A 16-bit sample at 8 bits, rounded as Qt converts deep images.
    static uchar to8(quint32 value) { return uchar((value - (value >> 8) + 0x80) >> 8); }
    // A sample of `bits` bits (1 to 8) spread over 0-255 by repeating its bits.
    static uchar widened(quint32 value, int bits);
};
