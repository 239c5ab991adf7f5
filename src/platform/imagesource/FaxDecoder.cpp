#include "platform/imagesource/FaxDecoder.h"

#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/TiffHandle.h"

#include <cstring>
#include <tiffio.h>
#include <vector>

namespace {

// Far more pages than a fax has; bounds the directory walk.
constexpr int maxPages = 4096;
// A raw fax page is at most this tall (a long page at fine resolution is about 4000).
constexpr int maxRawRows = 32768;
// Fewer decoded rows than this is noise that happened to start like a fax.
constexpr int minRawRows = 16;

void appendLe16(QByteArray& out, quint16 v) {
    out += char(v & 0xff);
    out += char(v >> 8);
}

void appendLe32(QByteArray& out, quint32 v) {
    appendLe16(out, quint16(v & 0xffff));
    appendLe16(out, quint16(v >> 16));
}

// A one-strip TIFF around headerless Group 3 data, tall enough for the
// most rows the data could hold.
QByteArray wrapRawG3(const QByteArray& data, int rows, int fillOrder, bool twoDimensional) {
    struct Field {
        quint16 tag, type;
        quint32 value;
    };
    const quint16 shortType = 3, longType = 4;
    const int fieldCount = 11;
    const quint32 dataOffset = 8 + 2 + fieldCount * 12 + 4;
    const Field fields[fieldCount] = {
        {256, longType, quint32(FaxDecoder::rawWidth)}, // ImageWidth
        {257, longType, quint32(rows)},                  // ImageLength
        {258, shortType, 1},                             // BitsPerSample
        {259, shortType, 3},                             // Compression: CCITT Group 3
        {262, shortType, 0},                             // Photometric: white is zero
        {266, shortType, quint32(fillOrder)},            // FillOrder
        {273, longType, dataOffset},                     // StripOffsets
        {277, shortType, 1},                             // SamplesPerPixel
        {278, longType, quint32(rows)},                  // RowsPerStrip
        {279, longType, quint32(data.size())},           // StripByteCounts
        {292, longType, twoDimensional ? 1u : 0u},       // T4Options
    };
    QByteArray tiff("II*\0", 4);
    appendLe32(tiff, 8);
    appendLe16(tiff, fieldCount);
    for (const Field& f : fields) {
        appendLe16(tiff, f.tag);
        appendLe16(tiff, f.type);
        appendLe32(tiff, 1);
        if (f.type == shortType) {
            appendLe16(tiff, quint16(f.value));
            appendLe16(tiff, 0);
        } else {
            appendLe32(tiff, f.value);
        }
    }
    appendLe32(tiff, 0); // no next directory
    return tiff + data;
}

// Rows of one bit per pixel, min-is-white, as decoded; returns the rows read.
int readBilevelRows(TIFF* tiff, int width, int rows, std::vector<uchar>& bits) {
    const tmsize_t lineSize = TIFFScanlineSize(tiff);
    if (lineSize <= 0 || lineSize * 8 < width)
        return 0;
    bits.assign(size_t(rows) * size_t(lineSize), 0);
    int row = 0;
    for (; row < rows; ++row) {
        if (TIFFReadScanline(tiff, bits.data() + size_t(row) * size_t(lineSize), uint32_t(row), 0) < 0)
            break;
    }
    return row;
}

QImage bilevelImage(const std::vector<uchar>& bits, tmsize_t lineSize, int width, int rows) {
    QImage image(width, rows, QImage::Format_Grayscale8);
    if (image.isNull())
        return image;
    for (int y = 0; y < rows; ++y) {
        const uchar* in = bits.data() + size_t(y) * size_t(lineSize);
        uchar* out = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
    }
    return image;
}

int leadingZeroBits(const QByteArray& data, bool lsbFirst) {
    int zeros = 0;
    for (int i = 0; i < data.size() && i < 1024; ++i) {
        const uchar byte = uchar(data.at(i));
        for (int b = 0; b < 8; ++b) {
            const int bit = lsbFirst ? (byte >> b) & 1 : (byte >> (7 - b)) & 1;
            if (bit)
                return zeros;
            ++zeros;
        }
    }
    return -1; // no set bit near the start: not a fax
}

} // namespace

int FaxDecoder::pageCount(const QByteArray& bytes) {
    return TiffHandle::pageCount(bytes, maxPages);
}

QSize FaxDecoder::pageSize(const QByteArray& bytes, int page, double* dpiX, double* dpiY,
                           int* orientation) {
    TiffHandle tiff(bytes);
    if (!tiff.handle() || page < 0 || !TIFFSetDirectory(tiff.handle(), tdir_t(page)))
        return QSize();
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff.handle(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.handle(), TIFFTAG_IMAGELENGTH, &height);
    float xres = 0, yres = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetField(tiff.handle(), TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tiff.handle(), TIFFTAG_YRESOLUTION, &yres);
    TIFFGetFieldDefaulted(tiff.handle(), TIFFTAG_RESOLUTIONUNIT, &unit);
    const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : unit == RESUNIT_INCH ? 1.0 : 0.0;
    if (dpiX)
        *dpiX = xres * scale;
    if (dpiY)
        *dpiY = yres * scale;
    uint16_t stored = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.handle(), TIFFTAG_ORIENTATION, &stored);
    if (orientation)
        *orientation = stored >= 1 && stored <= 8 ? int(stored) : 1;
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
        return QSize();
    return QSize(int(width), int(height));
}

QImage FaxDecoder::decodePage(const QByteArray& bytes, int page) {
    TiffHandle tiff(bytes);
    TIFF* t = tiff.handle();
    if (!t || page < 0 || !TIFFSetDirectory(t, tdir_t(page)))
        return QImage();
    uint32_t width = 0, height = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
    if (!DecodeLimits::allows(width, height, 4, 4))
        return QImage();
    uint16_t bitsPerSample = 1, samples = 1;
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (bitsPerSample == 1 && samples == 1 && !TIFFIsTiled(t)) {
        uint16_t photometric = PHOTOMETRIC_MINISWHITE;
        TIFFGetFieldDefaulted(t, TIFFTAG_PHOTOMETRIC, &photometric);
        std::vector<uchar> bits;
        const int rows = readBilevelRows(t, int(width), int(height), bits);
        if (rows < int(height))
            return QImage();
        QImage image = bilevelImage(bits, TIFFScanlineSize(t), int(width), rows);
        if (photometric == PHOTOMETRIC_MINISBLACK)
            image.invertPixels();
        return image;
    }
    // Anything else libtiff reads (a class F file is bilevel, but a fax
    // program may store greyscale or colour pages too). libtiff's raster
    // holds colour multiplied by alpha, whichever way the file stores it.
    uint16_t extraSamples = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraSamples, &extraTypes);
    QImage image(int(width), int(height),
                 extraSamples > 0 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return image;
    // Rows as stored, like the bilevel path: asked for the file's own
    // orientation, libtiff turns nothing, and the viewer applies the
    // Orientation property once.
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &orientation);
    std::vector<uint32_t> raster(size_t(width) * size_t(height));
    if (!TIFFReadRGBAImageOriented(t, width, height, raster.data(), orientation, 0))
        return QImage();
    for (uint32_t y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        const uint32_t* in = raster.data() + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x)
            line[x] = qRgba(int(TIFFGetR(in[x])), int(TIFFGetG(in[x])), int(TIFFGetB(in[x])), int(TIFFGetA(in[x])));
    }
    return image;
}

bool FaxDecoder::looksLikeRawG3(const QByteArray& data) {
    // An end-of-line code is eleven zero bits and a one; fill bits may add zeros.
    return leadingZeroBits(data, false) >= 11 || leadingZeroBits(data, true) >= 11;
}

QImage FaxDecoder::decodeRawG3(const QByteArray& data) {
    if (!looksLikeRawG3(data))
        return QImage();
    // A row takes at least an end-of-line code and one white run.
    const qsizetype possibleRows = data.size() * 8 / 20 + 1;
    const int rows = int(std::min<qsizetype>(possibleRows, maxRawRows));
    if (!DecodeLimits::allows(rawWidth, rows, 1, 1))
        return QImage();
    int bestRows = 0;
    std::vector<uchar> best;
    tmsize_t bestLineSize = 0;
    for (const int fillOrder : {FILLORDER_MSB2LSB, FILLORDER_LSB2MSB}) {
        if (leadingZeroBits(data, fillOrder == FILLORDER_LSB2MSB) < 11)
            continue;
        for (const bool twoDimensional : {false, true}) {
            const QByteArray wrapped = wrapRawG3(data, rows, fillOrder, twoDimensional);
            TiffHandle tiff(wrapped);
            if (!tiff.handle())
                continue;
            std::vector<uchar> bits;
            const int decoded = readBilevelRows(tiff.handle(), rawWidth, rows, bits);
            if (decoded > bestRows) {
                bestRows = decoded;
                best.swap(bits);
                bestLineSize = TIFFScanlineSize(tiff.handle());
            }
        }
    }
    if (bestRows < minRawRows)
        return QImage();
    return bilevelImage(best, bestLineSize, rawWidth, bestRows);
}
