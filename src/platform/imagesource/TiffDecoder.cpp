#include "platform/imagesource/TiffDecoder.h"

#include "platform/Cancellation.h"
#include "platform/LargeImage.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/TiffHandle.h"
#include "platform/imagesource/TiffLayout.h"

#include <QColorSpace>
#include <QFloat16>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <tiffio.h>
#include <vector>

namespace {

// Far more pages than any document has; bounds the directory walk.
constexpr int maxPages = 65536;
// Deflate, LZW and PackBits shrink data at most about a thousandfold:
// strips claiming to unpack to more than this are lies, and no pixel
// memory is taken for them. Other codecs (a blank fax row is one bit,
// ZSTD and LZMA have no such bound) are held to the decode budget only.
constexpr quint64 maxCompressionRatio = 2048;

using Layout = TiffLayout;
using Model = TiffLayout::Model;

bool select(TIFF* t, int page) {
    return t && page >= 0 && page < maxPages && TIFFSetDirectory(t, tdir_t(page));
}

// Whether the strips or tiles hold data enough for the size the header
// claims: a lying header is refused before its pixels are allocated.
bool dataCanHold(TIFF* t, const Layout& l, quint64 fileSize) {
    const bool tiled = TIFFIsTiled(t);
    const uint32_t count = tiled ? TIFFNumberOfTiles(t) : TIFFNumberOfStrips(t);
    const quint64 each = tiled ? TIFFTileSize64(t) : TIFFStripSize64(t);
    if (count == 0 || each == 0)
        return false;
    quint64 stored = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const quint64 offset = TIFFGetStrileOffset(t, i);
        if (offset >= fileSize)
            continue;
        stored += std::min<quint64>(TIFFGetStrileByteCount(t, i), fileSize - offset);
    }
    quint64 ratio = 0;
    switch (l.compression) {
    case COMPRESSION_NONE: ratio = 2; break; // the last strip may be short
    case COMPRESSION_LZW:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_PACKBITS: ratio = maxCompressionRatio; break;
    default: return stored > 0;
    }
    return stored > 0 && quint64(count) * each / ratio <= stored;
}

// The samples of one channel of a row, scaled to 16 bits (palette indexes
// as stored): first is the index of the pixel's first sample, stride the
// samples per pixel in the row.
class SampleReader {
public:
    explicit SampleReader(const Layout& l)
        : bits(l.bits), format(l.sampleFormat == SAMPLEFORMAT_VOID ? SAMPLEFORMAT_UINT : l.sampleFormat),
          raw(l.model == Model::Palette), low(l.minValue), scale(65535.0 / (l.maxValue - l.minValue)) {}

    void read(const uchar* row, int first, int stride, int count, quint16* out, int outStride) const {
        for (int i = 0; i < count; ++i)
            out[i * outStride] = value(row, qint64(first) + qint64(i) * stride);
    }

private:
    quint16 value(const uchar* row, qint64 k) const {
        if (format == SAMPLEFORMAT_IEEEFP)
            return fromFloat(floating(row, k));
        quint32 v = integer(row, k);
        if (format == SAMPLEFORMAT_INT) // signed: the lowest value is black
            v ^= 1u << (bits - 1);
        if (raw)
            return quint16(std::min<quint32>(v, 0xffff));
        if (bits >= 16)
            return quint16(v >> (bits - 16));
        const quint32 max = (1u << bits) - 1;
        return quint16((v * 65535u + max / 2) / max);
    }
    quint32 integer(const uchar* row, qint64 k) const {
        switch (bits) {
        case 8: return row[k];
        case 16: {
            quint16 v;
            memcpy(&v, row + 2 * k, 2); // libtiff hands over samples in the host's order
            return v;
        }
        case 32: {
            quint32 v;
            memcpy(&v, row + 4 * k, 4);
            return v;
        }
        case 24: {
            const uchar* p = row + 3 * k;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
            return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16;
#else
            return quint32(p[2]) | quint32(p[1]) << 8 | quint32(p[0]) << 16;
#endif
        }
        default: {
            // Other sizes are packed most significant bit first.
            quint64 position = quint64(k) * quint64(bits);
            quint32 v = 0;
            for (int n = 0; n < bits; ++n, ++position)
                v = (v << 1) | ((row[position >> 3] >> (7 - (position & 7))) & 1u);
            return v;
        }
        }
    }
    double floating(const uchar* row, qint64 k) const {
        if (bits == 16) {
            qfloat16 h;
            memcpy(&h, row + 2 * k, 2);
            return double(float(h));
        }
        if (bits == 32) {
            float f;
            memcpy(&f, row + 4 * k, 4);
            return f;
        }
        double d;
        memcpy(&d, row + 8 * k, 8);
        return d;
    }
    quint16 fromFloat(double v) const {
        const double scaled = (v - low) * scale;
        if (!(scaled > 0.0)) // also NaN
            return 0;
        return scaled >= 65535.0 ? 65535 : quint16(scaled + 0.5);
    }

    int bits;
    uint16_t format;
    bool raw;
    double low;
    double scale;
};

// Turns rows of samples into the pixels of the image.
class PixelWriter {
public:
    PixelWriter(TIFF* t, const Layout& l, QImage& image) : layout(l), image(image), reader(l) {
        scratch.resize(size_t(l.width) * size_t(l.wanted()));
        if (l.model != Model::Palette)
            return;
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b)
            return;
        const size_t entries = size_t(1) << l.bits;
        // Some writers store 8-bit values in the 16-bit map.
        const bool eightBit = std::all_of(r, r + entries, [](uint16_t v) { return v < 256; }) &&
                              std::all_of(g, g + entries, [](uint16_t v) { return v < 256; }) &&
                              std::all_of(b, b + entries, [](uint16_t v) { return v < 256; });
        const int factor = eightBit ? 257 : 1;
        for (size_t i = 0; i < entries; ++i)
            palette.push_back({quint16(r[i] * factor), quint16(g[i] * factor), quint16(b[i] * factor)});
    }
    bool ready() const { return layout.model != Model::Palette || !palette.empty(); }

    // count pixels at (x, y); rows holds one row for contiguous samples, a
    // row of each wanted plane for planar ones.
    void put(int x, int y, int count, const uchar* const* rows) {
        const int wanted = layout.wanted();
        for (int c = 0; c < wanted; ++c) {
            if (layout.separate())
                reader.read(rows[c], 0, 1, count, scratch.data() + c, wanted);
            else
                reader.read(rows[0], c, layout.samples, count, scratch.data() + c, wanted);
        }
        switch (image.format()) {
        case QImage::Format_Grayscale8: {
            uchar* out = image.scanLine(y) + x;
            for (int i = 0; i < count; ++i)
                out[i] = uchar(grey(scratch[size_t(i)]) >> 8);
            break;
        }
        case QImage::Format_Grayscale16: {
            quint16* out = reinterpret_cast<quint16*>(image.scanLine(y)) + x;
            for (int i = 0; i < count; ++i)
                out[i] = grey(scratch[size_t(i)]);
            break;
        }
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied: {
            QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y)) + x;
            for (int i = 0; i < count; ++i) {
                const QRgba64 p = pixel(scratch.data() + size_t(i) * size_t(wanted));
                out[i] = qRgba(p.red() >> 8, p.green() >> 8, p.blue() >> 8, p.alpha() >> 8);
            }
            break;
        }
        default: {
            QRgba64* out = reinterpret_cast<QRgba64*>(image.scanLine(y)) + x;
            for (int i = 0; i < count; ++i)
                out[i] = pixel(scratch.data() + size_t(i) * size_t(wanted));
            break;
        }
        }
    }

private:
    quint16 grey(quint16 v) const { return layout.photometric == PHOTOMETRIC_MINISWHITE ? quint16(65535 - v) : v; }

    QRgba64 pixel(const quint16* s) const {
        quint16 r = 0, g = 0, b = 0;
        switch (layout.model) {
        case Model::Gray: r = g = b = grey(s[0]); break;
        case Model::Rgb: r = s[0], g = s[1], b = s[2]; break;
        case Model::Cmyk: {
            const quint32 white = 65535u - s[3];
            r = quint16((65535u - s[0]) * white / 65535u);
            g = quint16((65535u - s[1]) * white / 65535u);
            b = quint16((65535u - s[2]) * white / 65535u);
            break;
        }
        case Model::Palette: {
            const auto& entry = palette[std::min<size_t>(s[0], palette.size() - 1)];
            r = entry[0], g = entry[1], b = entry[2];
            break;
        }
        case Model::Other: break;
        }
        quint16 a = layout.alpha ? s[layout.colorSamples] : 65535;
        if (layout.associated) // damaged data must not break the premultiplied promise
            r = std::min(r, a), g = std::min(g, a), b = std::min(b, a);
        return QRgba64::fromRgba64(r, g, b, a);
    }

    const Layout& layout;
    QImage& image;
    SampleReader reader;
    std::vector<quint16> scratch;
    std::vector<std::array<quint16, 3>> palette;
};

// The planes to read for the wanted samples of a planar page.
int planesToRead(const Layout& l) {
    return l.separate() ? l.wanted() : 1;
}

bool readStrips(TIFF* t, const Layout& l, PixelWriter& writer) {
    uint32_t rowsPerStrip = l.height;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, l.height);
    const quint64 rowBytes =
        (quint64(l.width) * (l.separate() ? 1 : l.samples) * l.bits + 7) / 8;
    const uint32_t strips = (l.height - 1) / rowsPerStrip + 1;
    const int planes = planesToRead(l);
    const quint64 stripBytes = rowBytes * rowsPerStrip;
    if (!DecodeLimits::allowsWork(qint64(stripBytes) * planes) ||
        quint64(strips) * (l.separate() ? l.samples : 1) > TIFFNumberOfStrips(t))
        return false;
    std::vector<std::vector<uchar>> buffers(static_cast<size_t>(planes), std::vector<uchar>(stripBytes));
    std::vector<const uchar*> rows(static_cast<size_t>(planes));
    for (uint32_t s = 0; s < strips; ++s) {
        const uint32_t first = s * rowsPerStrip;
        const uint32_t count = std::min(rowsPerStrip, l.height - first);
        const tmsize_t wanted = tmsize_t(rowBytes * count);
        for (int p = 0; p < planes; ++p) {
            const uint32_t strip = l.separate() ? uint32_t(p) * strips + s : s;
            if (TIFFReadEncodedStrip(t, strip, buffers[size_t(p)].data(), wanted) < wanted)
                return false;
        }
        for (uint32_t r = 0; r < count; ++r) {
            for (int p = 0; p < planes; ++p)
                rows[size_t(p)] = buffers[size_t(p)].data() + r * rowBytes;
            writer.put(0, int(first + r), int(l.width), rows.data());
        }
        if (Cancellation::requested())
            return false;
    }
    return true;
}

bool readTiles(TIFF* t, const Layout& l, PixelWriter& writer) {
    uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &tileLength);
    if (!DecodeLimits::allowsSize(tileWidth, tileLength))
        return false;
    const quint64 rowBytes = (quint64(tileWidth) * (l.separate() ? 1 : l.samples) * l.bits + 7) / 8;
    const quint64 tileBytes = rowBytes * tileLength;
    const int planes = planesToRead(l);
    if (!DecodeLimits::allowsWork(qint64(tileBytes) * planes))
        return false;
    std::vector<std::vector<uchar>> buffers(static_cast<size_t>(planes), std::vector<uchar>(tileBytes));
    std::vector<const uchar*> rows(static_cast<size_t>(planes));
    for (uint32_t y = 0; y < l.height; y += tileLength) {
        for (uint32_t x = 0; x < l.width; x += tileWidth) {
            for (int p = 0; p < planes; ++p) {
                const uint32_t tile = TIFFComputeTile(t, x, y, 0, l.separate() ? uint16_t(p) : 0);
                if (TIFFReadEncodedTile(t, tile, buffers[size_t(p)].data(), tmsize_t(tileBytes)) <
                    tmsize_t(tileBytes))
                    return false;
            }
            const uint32_t count = std::min(tileLength, l.height - y);
            const uint32_t columns = std::min(tileWidth, l.width - x);
            for (uint32_t r = 0; r < count; ++r) {
                for (int p = 0; p < planes; ++p)
                    rows[size_t(p)] = buffers[size_t(p)].data() + r * rowBytes;
                writer.put(int(x), int(y + r), int(columns), rows.data());
            }
        }
        if (Cancellation::requested())
            return false;
    }
    return true;
}

QImage readSamples(TIFF* t, const Layout& l) {
    const QImage::Format format = l.format(l.deep());
    const int bytesPerPixel = QImage::toPixelFormat(format).bitsPerPixel() / 8;
    if (!DecodeLimits::allows(l.width, l.height, bytesPerPixel))
        return QImage();
    QImage image = LargeImage::allocate(QSize(int(l.width), int(l.height)), format);
    if (image.isNull())
        return image;
    PixelWriter writer(t, l, image);
    if (!writer.ready())
        return QImage();
    if (!(TIFFIsTiled(t) ? readTiles(t, l, writer) : readStrips(t, l, writer)))
        return QImage();
    return image;
}

// libtiff's own rendering: whatever its RGBA reader knows, at 8 bits.
QImage readRgba(TIFF* t, const Layout& l) {
    char message[1024];
    if (!TIFFRGBAImageOK(t, message) || !DecodeLimits::allows(l.width, l.height, 4))
        return QImage();
    // The raster's 0xAABBGGRR words are RGBA bytes in a little-endian
    // memory: libtiff writes straight into the image.
    QImage image = LargeImage::allocate(QSize(int(l.width), int(l.height)),
                                        l.alpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888);
    if (image.isNull() || image.bytesPerLine() != qsizetype(l.width) * 4)
        return QImage();
    auto* raster = reinterpret_cast<uint32_t*>(image.bits());
    // Asked for the page's own orientation, libtiff turns nothing: the
    // viewer applies the Orientation property once.
    if (!TIFFReadRGBAImageOriented(t, l.width, l.height, raster, l.orientation, 1))
        return QImage();
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
    for (qsizetype i = 0, n = qsizetype(l.width) * l.height; i < n; ++i)
        raster[i] = qbswap(raster[i]);
#endif
    return LargeImage::converted(std::move(image),
                                 l.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

QByteArray iccProfile(TIFF* t) {
    uint32_t length = 0;
    void* data = nullptr;
    if (!TIFFGetField(t, TIFFTAG_ICCPROFILE, &length, &data) || !data || length == 0)
        return QByteArray();
    return QByteArray(static_cast<const char*>(data), qsizetype(length));
}

} // namespace

int TiffDecoder::pageCount(const QByteArray& bytes) {
    return TiffHandle::pageCount(bytes, maxPages);
}

bool TiffDecoder::describe(const QByteArray& bytes, int page, Page* out) {
    TiffHandle tiff(bytes);
    TIFF* t = tiff.handle();
    if (!select(t, page))
        return false;
    const Layout l = Layout::read(t);
    if (!DecodeLimits::allowsSize(l.width, l.height))
        return false;
    out->size = QSize(int(l.width), int(l.height));
    out->bitsPerSample = l.bits;
    switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_LOGL: out->colorModel = QStringLiteral("Gray"); break;
    case PHOTOMETRIC_SEPARATED: out->colorModel = QStringLiteral("CMYK"); break;
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB: out->colorModel = QStringLiteral("Lab"); break;
    default: out->colorModel = QStringLiteral("RGB"); break;
    }
    out->hasAlpha = l.alpha;
    out->orientation = l.orientation >= 1 && l.orientation <= 8 ? l.orientation : 1;
    float xres = 0, yres = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetField(t, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(t, TIFFTAG_YRESOLUTION, &yres);
    TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
    const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : unit == RESUNIT_INCH ? 1.0 : 0.0;
    out->dpiX = std::isfinite(xres) && xres > 0 ? xres * scale : 0.0;
    out->dpiY = std::isfinite(yres) && yres > 0 ? yres * scale : 0.0;
    out->iccProfile = iccProfile(t);
    return true;
}

QImage TiffDecoder::decode(const QByteArray& bytes, int page) {
    TiffHandle tiff(bytes);
    TIFF* t = tiff.handle();
    if (!select(t, page))
        return QImage();
    const Layout l = Layout::read(t);
    if (!DecodeLimits::allows(l.width, l.height, 1) || !dataCanHold(t, l, quint64(bytes.size())))
        return QImage();
    QImage image;
    if (l.readsSamples())
        image = readSamples(t, l);
    // A layout read here that libtiff's reader knows as well gets a second try.
    if (image.isNull() && !Cancellation::requested())
        image = readRgba(t, l);
    if (image.isNull())
        return image;
    const QByteArray profile = iccProfile(t);
    if (profile.isEmpty() || (l.model != Model::Rgb && l.model != Model::Palette))
        return image;
    const QColorSpace space = QColorSpace::fromIccProfile(profile);
    if (space.isValid())
        image.setColorSpace(space);
    return image;
}
