#include "platform/imagesource/TiffDecoder.h"

#include "platform/Cancellation.h"
#include "platform/LargeImage.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/TiffChunkReader.h"
#include "platform/imagesource/TiffHandle.h"
#include "platform/imagesource/TiffLayout.h"
#include "platform/imagesource/TiffLevels.h"
#include "platform/imagesource/TiffPixelWriter.h"

#include <QColorSpace>
#include <QFloat16>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
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

// The page'th directory that is no reduced copy of another (a pyramid's
// levels are not pages); the first directory is a page whatever it says.
bool select(TIFF* t, int page) {
    if (!t || page < 0 || page >= maxPages || !TIFFSetDirectory(t, 0))
        return false;
    for (int seen = 0, read = 0; read < maxPages; ++read) {
        if (read == 0 || !TiffLevels::isReduced(t)) {
            if (seen == page)
                return true;
            ++seen;
        }
        if (!TIFFReadDirectory(t))
            return false;
    }
    return false;
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

// The planes to read for the wanted samples of a planar page.
int planesToRead(const Layout& l) {
    return l.separate() ? l.wanted() : 1;
}

bool readStrips(TIFF* t, const Layout& l, TiffPixelWriter& writer) {
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

bool readTiles(TIFF* t, const Layout& l, TiffPixelWriter& writer) {
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
    TiffPixelWriter writer(t, l, image);
    if (!writer.ready())
        return QImage();
    if (!(TIFFIsTiled(t) ? readTiles(t, l, writer) : readStrips(t, l, writer)))
        return QImage();
    return image;
}

// Hands each band of rows that meets `want` to `use`: a strip, or a row of
// the tiles that meet it, as pixels of the band's format whose top left is
// at (left, top) of the page. Only the strips and tiles that meet `want` are
// read, so a part of a huge page costs what it holds.
// The user returns false to stop.
using BandUser = std::function<bool(const QImage& band, int left, int top, int rows)>;
bool readBands(TIFF* t, const Layout& l, const QRect& want, QImage::Format format,
               const BandUser& use) {
    const bool tiled = TIFFIsTiled(t);
    uint32_t tileWidth = l.width, tileLength = l.height;
    if (tiled) {
        TIFFGetField(t, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(t, TIFFTAG_TILELENGTH, &tileLength);
    } else {
        TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &tileLength);
    }
    tileLength = std::clamp<uint32_t>(tileLength, 1, l.height);
    if (!DecodeLimits::allowsSize(tileWidth, tileLength))
        return false;
    const quint64 rowBytes = (quint64(tileWidth) * (l.separate() ? 1 : l.samples) * l.bits + 7) / 8;
    const quint64 chunkBytes = rowBytes * tileLength;
    const int planes = planesToRead(l);
    const uint32_t strips = (l.height - 1) / tileLength + 1;
    const int left = tiled ? want.left() / int(tileWidth) * int(tileWidth) : 0;
    const int right =
        tiled ? std::min<int>(int(l.width), (want.right() / int(tileWidth) + 1) * int(tileWidth))
              : int(l.width);
    QImage band(right - left, int(tileLength), format);
    const qint64 chunkSet = qint64(chunkBytes) * planes;
    if (band.isNull() || !DecodeLimits::allowsWork(chunkSet + band.sizeInBytes()) ||
        (!tiled && quint64(strips) * (l.separate() ? l.samples : 1) > TIFFNumberOfStrips(t)))
        return false;
    TiffPixelWriter writer(t, l, band);
    if (!writer.ready())
        return false;
    const uint32_t firstY = uint32_t(want.top()) / tileLength * tileLength;
    std::vector<TiffChunkReader::Request> order;
    for (uint32_t y = firstY; y <= uint32_t(want.bottom()); y += tileLength) {
        const uint32_t count = std::min(tileLength, l.height - y);
        for (int x = left; x < right; x += int(tileWidth))
            order.push_back({tiled ? TIFFComputeTile(t, uint32_t(x), y, 0, 0) : y / tileLength,
                             tiled ? tmsize_t(chunkBytes) : tmsize_t(rowBytes * count)});
    }
    const uint32_t planeStride = tiled ? TIFFNumberOfTiles(t) / l.samples : strips;
    // Two bands read ahead keep the reader busy while a band is used, up to
    // 8 MB of chunks (a wide page's bands are large enough to overlap
    // without); one chunk at a time where even a few do not fit.
    const size_t perBand = size_t((right - left - 1) / int(tileWidth) + 1);
    size_t depth = std::min(2 * perBand + 1,
                            std::max<size_t>(4, size_t((8 << 20) / std::max<qint64>(chunkSet, 1))));
    while (depth > 1 && !DecodeLimits::allowsWork(chunkSet * qint64(depth) + band.sizeInBytes()))
        depth /= 2;
    TiffChunkReader reader(t, tiled, planes, l.separate() ? planeStride : 0, std::move(order),
                           tmsize_t(chunkBytes), depth);
    std::vector<const uchar*> rows(static_cast<size_t>(planes));
    for (uint32_t y = firstY; y <= uint32_t(want.bottom()); y += tileLength) {
        const uint32_t count = std::min(tileLength, l.height - y);
        writer.setTarget(band, QPoint(left, int(y)));
        for (int x = left; x < right; x += int(tileWidth)) {
            const std::vector<std::vector<uchar>>* buffers = reader.next();
            if (!buffers)
                return false;
            const uint32_t columns = std::min<uint32_t>(tileWidth, l.width - uint32_t(x));
            for (uint32_t r = 0; r < count; ++r) {
                for (int p = 0; p < planes; ++p)
                    rows[size_t(p)] = (*buffers)[size_t(p)].data() + r * rowBytes;
                writer.put(x, int(y + r), int(columns), rows.data());
            }
        }
        if (!use(band, left, int(y), int(count)) || Cancellation::requested())
            return false;
    }
    return true;
}

// The page reduced to `fit`, or `area` of it at 1/denominator, from its bands.
QImage readReduced(TIFF* t, const Layout& l, QSize fit, const QRect& area, int denominator) {
    const QRect page(0, 0, int(l.width), int(l.height));
    const bool region = !area.isEmpty();
    const QRect want = region ? area : page;
    const bool averaged = !region || denominator > 1;
    // Averaged pixels are 8 bits a channel, with straight alpha; a part at
    // full size keeps the full decode's format, and so its pixels.
    const QImage::Format stored = l.format(!averaged && l.deep());
    const QImage::Format format =
        averaged && stored == QImage::Format_ARGB32_Premultiplied ? QImage::Format_ARGB32 : stored;
    const QSize size = !region    ? fit
                       : averaged ? QSize((area.width() + denominator - 1) / denominator,
                                          (area.height() + denominator - 1) / denominator)
                                  : area.size();
    if (!page.contains(want) ||
        !DecodeLimits::allows(size.width(), size.height(),
                              QImage::toPixelFormat(format).bitsPerPixel() / 8))
        return QImage();
    std::optional<AreaReducer> reducer;
    QImage out;
    if (averaged) {
        reducer.emplace(want.size(), size, format);
        if (reducer->isNull())
            return QImage();
    } else {
        out = LargeImage::allocate(size, format);
        if (out.isNull())
            return out;
    }
    const int bytesPerPixel = QImage::toPixelFormat(stored).bitsPerPixel() / 8;
    const bool ok =
        readBands(t, l, want, stored, [&](const QImage& band, int left, int top, int rows) {
            const QImage pixels = stored == format ? band : band.convertToFormat(format);
            for (int r = 0; r < rows; ++r) {
                const int y = top + r;
                if (y < want.top() || y > want.bottom())
                    continue;
                const uchar* row =
                    pixels.constScanLine(r) + size_t(want.left() - left) * size_t(bytesPerPixel);
                if (reducer)
                    reducer->addRow(row);
                else
                    memcpy(out.scanLine(y - want.top()), row,
                           size_t(want.width()) * size_t(bytesPerPixel));
            }
            return true;
        });
    if (!ok)
        return QImage();
    return reducer ? reducer->result() : out;
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

// The image with its RGB profile as its colour space.
// The page's RGB or palette profile as a colour space; none without one.
QColorSpace spaceOf(TIFF* t, const Layout& l) {
    if (l.model != Model::Rgb && l.model != Model::Palette)
        return QColorSpace();
    const QByteArray profile = iccProfile(t);
    return profile.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(profile);
}

QImage withProfile(QImage image, TIFF* t, const Layout& l) {
    const QColorSpace space = image.isNull() ? QColorSpace() : spaceOf(t, l);
    if (space.isValid())
        image.setColorSpace(space);
    return image;
}

} // namespace

int TiffDecoder::pageCount(const EncodedBytes& bytes) {
    return TiffHandle::pageCount(bytes, maxPages);
}

bool TiffDecoder::describe(const EncodedBytes& bytes, int page, Page* out) {
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

QImage TiffDecoder::decode(const EncodedBytes& bytes, int page) {
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
    return withProfile(std::move(image), t, l);
}

QImage TiffDecoder::decodeReduced(const EncodedBytes& bytes, int page, QSize bound) {
    return decodePart(bytes, page, bound, QRect(), 1);
}

QImage TiffDecoder::decodeRegion(const EncodedBytes& bytes, int page, const QRect& area,
                                 int denominator) {
    return area.isEmpty() || denominator < 1 ? QImage()
                                             : decodePart(bytes, page, QSize(), area, denominator);
}

QImage TiffDecoder::decodePart(const EncodedBytes& bytes, int page, QSize bound, const QRect& area,
                               int denominator) {
    TiffHandle tiff(bytes);
    TIFF* t = tiff.handle();
    if (!select(t, page))
        return QImage();
    const Layout l = Layout::read(t);
    if (!DecodeLimits::allowsSize(l.width, l.height) || !dataCanHold(t, l, quint64(bytes.size())))
        return QImage();
    const QSize full(int(l.width), int(l.height));
    const QSize fit = AreaReducer::fitted(full, bound);
    // Where the whole page is wanted after all, it is decoded as usual.
    if (area.isEmpty() && fit == full)
        return decode(bytes, page);
    // An overview from the smallest level of a pyramid that holds it.
    if (area.isEmpty() && TiffLevels::selectSmallest(t, full, fit)) {
        const Layout level = Layout::read(t);
        QImage image = dataCanHold(t, level, quint64(bytes.size()))
                           ? readReduced(t, level, fit, QRect(), 1)
                           : QImage();
        if (select(t, page) && !image.isNull())
            return withProfile(std::move(image), t, l);
    }
    // Layouts only libtiff's RGBA reader renders are not read by parts.
    if (!l.readsSamples())
        return QImage();
    return withProfile(readReduced(t, l, fit, area, denominator), t, l);
}

bool TiffDecoder::decodeBands(const EncodedBytes& bytes, int page,
                              const std::function<bool(const QImage& band)>& sink) {
    TiffHandle tiff(bytes);
    TIFF* t = tiff.handle();
    if (!select(t, page))
        return false;
    const Layout l = Layout::read(t);
    if (!DecodeLimits::allowsSize(l.width, l.height) || !dataCanHold(t, l, quint64(bytes.size())) ||
        !l.readsSamples())
        return false;
    const QImage::Format stored = l.format(false);
    const QImage::Format format =
        stored == QImage::Format_ARGB32_Premultiplied ? QImage::Format_ARGB32 : stored;
    const QRect whole(0, 0, int(l.width), int(l.height));
    // Read once: a page in strips of a row has as many bands as rows.
    const QColorSpace space = spaceOf(t, l);
    return readBands(t, l, whole, stored, [&](const QImage& band, int, int, int rows) {
        QImage pixels = band.copy(0, 0, band.width(), rows);
        if (pixels.format() != format)
            pixels.convertTo(format);
        if (space.isValid())
            pixels.setColorSpace(space);
        return sink(pixels);
    });
}
