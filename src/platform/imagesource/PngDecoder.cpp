#include "platform/imagesource/PngDecoder.h"

#include "platform/Cancellation.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/PartialImage.h"
#include "platform/imagesource/PngChunks.h"

#include <QColorSpace>
#include <QPointF>
#include <QRect>
#include <cstring>
#include <optional>
#include <png.h>
#include <vector>

namespace {

// Chunks libpng knows but the viewer does not take from it: text, suggested
// palettes, EXIF, times and the like. Skipped unread rather than buffered,
// so their claimed lengths cost nothing (Exiv2 reads what metadata we show).
const png_byte skippedChunks[] =
    "tEXt\0zTXt\0iTXt\0sPLT\0eXIf\0tIME\0hIST\0pCAL\0sCAL\0oFFs\0bKGD\0pHYs";
// Text, sPLT and unknown chunks libpng would keep at most.
constexpr png_uint_32 chunkCacheMax = 64;

// Everything that needs cleaning up lives outside the function with setjmp,
// so that a longjmp skips no destructors.
struct Decoding {
    png_structp png = nullptr;
    png_infop info = nullptr;
    EncodedBytes::Reader input;
    explicit Decoding(const EncodedBytes& bytes) : input(bytes) {}
    std::vector<png_bytep> rows;
    // Rows of a plain image read whole so far, or of an interlaced one the
    // blocks of its first pass cover: what a truncated file still shows.
    int rowsRead = 0;
    // An interlaced image whose first pass is whole: all of it shows, coarse.
    bool coarse = false;
    // What a streamed decode holds while libpng may still jump out of it.
    std::vector<png_byte> row;
    std::optional<AreaReducer> reducer;
    // The colour chunks, as libpng validated them.
    bool srgb = false;
    QByteArray icc;
    double gamma = 0.0;
    bool chromaticities = false;
    double white[2] = {}, red[2] = {}, green[2] = {}, blue[2] = {};
    ~Decoding() {
        if (png)
            png_destroy_read_struct(&png, &info, nullptr);
    }
};

[[noreturn]] void fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Reading past the end is an error at once: a forged chunk length is then
// skipped in no time, not followed through gigabytes.
void readBytes(png_structp png, png_bytep out, size_t length) {
    auto* d = static_cast<Decoding*>(png_get_io_ptr(png));
    const qint64 left = d->input.bytes().size() - d->input.position();
    if (qint64(length) > left || d->input.read(out, qint64(length)) != qint64(length))
        png_error(png, "read past the end of the data");
}

void readColorChunks(Decoding& d) {
    d.srgb = png_get_valid(d.png, d.info, PNG_INFO_sRGB) != 0;
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(d.png, d.info, &name, &compression, &profile, &length) && profile &&
        length > 0)
        d.icc = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
    if (png_get_valid(d.png, d.info, PNG_INFO_gAMA))
        png_get_gAMA(d.png, d.info, &d.gamma);
    if (png_get_valid(d.png, d.info, PNG_INFO_cHRM))
        d.chromaticities =
            png_get_cHRM(d.png, d.info, &d.white[0], &d.white[1], &d.red[0], &d.red[1], &d.green[0],
                         &d.green[1], &d.blue[0], &d.blue[1]) != 0;
}

// What a decode makes of the rows: the whole image, the image reduced to
// fit `bound` (8 bits a channel), or only the `area` of the image, reduced
// to 1/denominator of its size.
struct Plan {
    QSize bound;
    QRect area;
    int denominator = 1; // of the area's size
    // When set, the whole image, 8 bits a channel, goes here in bands.
    const std::function<bool(const QImage&)>* bands = nullptr;
};

QColorSpace colorSpaceOf(const Decoding& d, const QByteArray& bytes);

// The rows of a plain (not interlaced) image, a band at a time.
bool streamBands(Decoding& d, QImage::Format format,
                 const std::function<bool(const QImage&)>& sink) {
    const int width = int(png_get_image_width(d.png, d.info));
    const int height = int(png_get_image_height(d.png, d.info));
    constexpr int bandRows = 64;
    QImage band(width, std::min(height, bandRows), format);
    if (band.isNull())
        return false;
    const QColorSpace space = colorSpaceOf(d, d.input.bytes().head());
    for (int y = 0; y < height;) {
        const int rows = std::min(bandRows, height - y);
        for (int r = 0; r < rows; ++r)
            png_read_row(d.png, band.scanLine(r), nullptr);
        QImage out = rows == band.height() ? band : band.copy(0, 0, width, rows);
        if (space.isValid())
            out.setColorSpace(space);
        if (!sink(out) || Cancellation::requested())
            return false;
        y += rows;
    }
    return true;
}

// Streams the rows of the image (each pass of an interlaced one in turn)
// through a single row: into the reducer, of an interlaced image only its
// last pass, which holds every other row in full; or the area's pixels into
// the reducer or into `image`.
bool streamRows(Decoding& d, const QRect& area, AreaReducer* reducer, QImage* image,
                int bytesPerPixel) {
    const int width = int(png_get_image_width(d.png, d.info));
    const int height = int(png_get_image_height(d.png, d.info));
    const bool interlaced = png_get_interlace_type(d.png, d.info) == PNG_INTERLACE_ADAM7;
    std::vector<png_byte>& row = d.row;
    row.resize(png_get_rowbytes(d.png, d.info));
    const size_t left = size_t(area.left()) * size_t(bytesPerPixel);
    for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
        const int columns = interlaced ? int(PNG_PASS_COLS(png_uint_32(width), pass)) : width;
        const int rows = interlaced ? int(PNG_PASS_ROWS(png_uint_32(height), pass)) : height;
        if (columns == 0 || rows == 0)
            continue; // libpng leaves empty passes out
        for (int r = 0; r < rows; ++r) {
            png_read_row(d.png, row.data(), nullptr);
            if ((r & 63) == 0 && Cancellation::requested())
                return false;
            if (reducer && area.isEmpty()) {
                if (!interlaced || pass == 6)
                    reducer->addRow(row.data());
                continue;
            }
            const int y = interlaced ? int(PNG_ROW_FROM_PASS_ROW(png_uint_32(r), pass)) : r;
            if (y < area.top() || y > area.bottom())
                continue;
            if (!interlaced) {
                if (reducer)
                    reducer->addRow(row.data() + left);
                else
                    memcpy(image->scanLine(y - area.top()), row.data() + left,
                           size_t(area.width()) * size_t(bytesPerPixel));
                if (y == area.bottom())
                    return true; // the rows below are not needed
                continue;
            }
            uchar* out = image->scanLine(y - area.top());
            for (int c = 0; c < columns; ++c) {
                const int x = int(PNG_COL_FROM_PASS_COL(png_uint_32(c), pass));
                if (x >= area.left() && x <= area.right())
                    memcpy(out + size_t(x - area.left()) * size_t(bytesPerPixel),
                           row.data() + size_t(c) * size_t(bytesPerPixel), size_t(bytesPerPixel));
            }
        }
    }
    return !reducer || reducer->complete();
}

// Fills image (allocated here, once the header is known) or returns false.
bool run(Decoding& d, const Plan& plan, QImage* image) {
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, ignoreWarning);
    if (!d.png)
        return false;
    d.info = png_create_info_struct(d.png);
    if (!d.info)
        return false;
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    png_set_read_fn(d.png, &d, readBytes);
    png_set_user_limits(d.png, png_uint_32(DecodeLimits::maxSide),
                        png_uint_32(DecodeLimits::maxSide));
    png_set_chunk_malloc_max(d.png, PngDecoder::chunkBytesMax);
    png_set_chunk_cache_max(d.png, chunkCacheMax);
    // A whole decode takes image data in small pieces: a truncated file then
    // loses only the rows of its last piece, not of a whole read buffer.
    // Reduced, region and banded reads keep libpng's larger default.
    if (plan.bound.isEmpty() && plan.area.isEmpty() && !plan.bands)
        png_set_compression_buffer_size(d.png, 1024);
    png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_NEVER, skippedChunks,
                                int(sizeof skippedChunks / 5));
    png_read_info(d.png, d.info);

    const png_uint_32 width = png_get_image_width(d.png, d.info);
    const png_uint_32 height = png_get_image_height(d.png, d.info);
    const bool interlaced = png_get_interlace_type(d.png, d.info) == PNG_INTERLACE_ADAM7;
    const QSize full{int(width), int(height)};
    const bool region = !plan.area.isEmpty();
    // An interlaced image is reduced from its last pass, half its rows.
    const QSize reducedFrom(full.width(),
                            interlaced ? int(PNG_PASS_ROWS(height, 6)) : full.height());
    const QSize fit = AreaReducer::fitted(full, plan.bound).boundedTo(reducedFrom);
    const bool reduce = !region && !plan.bound.isEmpty() && fit != full && !reducedFrom.isEmpty();
    const int dn = plan.denominator;
    const bool scaledRegion = region && dn > 1;
    const bool bands = plan.bands != nullptr;
    if (bands && interlaced)
        return false; // its rows come only with the last of its passes
    const bool deep = png_get_bit_depth(d.png, d.info) == 16 && !reduce && !scaledRegion && !bands;
    const bool alpha = (png_get_color_type(d.png, d.info) & PNG_COLOR_MASK_ALPHA) != 0 ||
                       png_get_valid(d.png, d.info, PNG_INFO_tRNS) != 0;
    if (region && !QRect(QPoint(), full).contains(plan.area))
        return false;
    const QSize kept = bands          ? QSize(int(width), std::min(int(height), 64))
                       : scaledRegion ? QSize((plan.area.width() + dn - 1) / dn,
                                              (plan.area.height() + dn - 1) / dn)
                       : region       ? plan.area.size()
                       : reduce       ? fit
                                      : full;
    // An interlaced image's area is put together whole before it is reduced.
    if (scaledRegion && interlaced &&
        !DecodeLimits::allows(plan.area.width(), plan.area.height(), 4))
        return false;
    if (!DecodeLimits::allowsSize(width, height) ||
        !DecodeLimits::allows(kept.width(), kept.height(), deep ? 8 : 4))
        return false;
    readColorChunks(d);

    // Palette, low-depth grey and tRNS to full channels, grey to RGB, then
    // Qt's layouts: BGRA bytes for ARGB32, native-endian RGBA words for
    // RGBA64, with an opaque filler where the file has no alpha.
    png_set_expand(d.png);
    png_set_gray_to_rgb(d.png);
    if (reduce || scaledRegion || bands)
        png_set_strip_16(d.png);
    if (deep) {
        if (!alpha)
            png_set_filler(d.png, 0xffff, PNG_FILLER_AFTER);
        if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
            png_set_swap(d.png);
    } else if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        png_set_bgr(d.png);
        if (!alpha)
            png_set_filler(d.png, 0xff, PNG_FILLER_AFTER);
    } else {
        png_set_swap_alpha(d.png);
        if (!alpha)
            png_set_filler(d.png, 0xff, PNG_FILLER_BEFORE);
    }
    const bool whole = !region && !reduce && !bands;
    if (whole)
        png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    const int bytesPerPixel = deep ? 8 : 4;
    const size_t rowBytes = size_t(width) * size_t(bytesPerPixel);
    if (png_get_rowbytes(d.png, d.info) != rowBytes || png_get_channels(d.png, d.info) != 4)
        return false;

    const QImage::Format format = deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                       : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (bands)
        return streamBands(d, format, *plan.bands);
    if (reduce || (scaledRegion && !interlaced)) {
        AreaReducer& reducer =
            d.reducer.emplace(reduce ? reducedFrom : plan.area.size(), kept, format);
        if (reducer.isNull() ||
            !streamRows(d, reduce ? QRect() : plan.area, &reducer, nullptr, bytesPerPixel))
            return false;
        *image = reducer.result();
        return true;
    }
    *image = QImage(region ? plan.area.size() : full, format);
    if (image->isNull())
        return false;
    if (region) {
        if (!streamRows(d, plan.area, nullptr, image, bytesPerPixel))
            return false;
        if (scaledRegion)
            *image = AreaReducer::averaged(std::move(*image), kept);
        return !image->isNull();
    }
    d.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        d.rows[y] = image->scanLine(int(y));
    // What follows the image data is metadata, read elsewhere: a file
    // damaged only there still shows.
    if (interlaced) {
        // Each pass lands in the rows as blocks of the pixels it has (libpng's
        // display rows), the next pass refining them, so that data ending
        // after the first pass still shows the whole image, coarse.
        image->fill(0);
        for (int pass = 0; pass < 7; ++pass) {
            for (png_uint_32 y = 0; y < height; ++y) {
                png_read_row(d.png, nullptr, d.rows[y]);
                if (pass == 0)
                    d.rowsRead = int(y) + 1;
            }
            d.coarse = true;
        }
    } else {
        for (png_uint_32 y = 0; y < height; ++y, ++d.rowsRead)
            png_read_row(d.png, d.rows[y], nullptr);
    }
    d.rowsRead = int(height);
    return true;
}

QColorSpace colorSpaceOf(const Decoding& d, const QByteArray& bytes) {
    int primaries = 0, transfer = 0;
    if (PngChunks::cicp(bytes, PngChunks::read(bytes), &primaries, &transfer)) {
        const QColorSpace space = ColorConversion::fromCicp(primaries, transfer);
        if (space.isValid())
            return space;
    }
    if (d.srgb)
        return QColorSpace(QColorSpace::SRgb);
    if (!d.icc.isEmpty()) {
        const QColorSpace space = QColorSpace::fromIccProfile(d.icc);
        if (space.isValid())
            return space;
    }
    if (d.gamma > 0.0) {
        const float exponent = float(1.0 / d.gamma);
        if (d.chromaticities) {
            const QColorSpace space(QPointF(d.white[0], d.white[1]), QPointF(d.red[0], d.red[1]),
                                    QPointF(d.green[0], d.green[1]), QPointF(d.blue[0], d.blue[1]),
                                    QColorSpace::TransferFunction::Gamma, exponent);
            if (space.isValid())
                return space;
        }
        return QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Gamma,
                           exponent);
    }
    return QColorSpace();
}

} // namespace

bool PngDecoder::readHeader(const QByteArray& bytes, Header* header) {
    const QList<PngChunks::Chunk> chunks = PngChunks::read(bytes);
    if (chunks.isEmpty() || chunks.first().type != "IHDR" || chunks.first().length != 13)
        return false;
    const qsizetype at = chunks.first().offset;
    Header h;
    const quint32 width = PngChunks::be32(bytes, at), height = PngChunks::be32(bytes, at + 4);
    h.bitDepth = uchar(bytes.at(at + 8));
    h.colorType = uchar(bytes.at(at + 9));
    const int interlace = uchar(bytes.at(at + 12));
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu || interlace > 1)
        return false;
    const int d = h.bitDepth;
    const bool depthFits =
        (h.colorType == 0 && (d == 1 || d == 2 || d == 4 || d == 8 || d == 16)) ||
        (h.colorType == 3 && (d == 1 || d == 2 || d == 4 || d == 8)) ||
        ((h.colorType == 2 || h.colorType == 4 || h.colorType == 6) && (d == 8 || d == 16));
    if (!depthFits)
        return false;
    h.width = int(width);
    h.height = int(height);
    h.interlaced = interlace == 1;
    h.transparency = h.colorType == 4 || h.colorType == 6 || PngChunks::find(chunks, "tRNS");
    if (header)
        *header = h;
    return true;
}

namespace {

QImage decodeWith(const EncodedBytes& bytes, const Plan& plan) {
    if (!PngChunks::isPng(bytes.head()))
        return QImage();
    Decoding decoding(bytes);
    QImage image;
    if (!run(decoding, plan, &image)) {
        const bool whole = plan.bound.isEmpty() && plan.area.isEmpty() && !plan.bands;
        if (!whole)
            return QImage();
        if (decoding.coarse)
            PartialImage::markCoarse(image);
        else
            image = PartialImage::keepRows(std::move(image), decoding.rowsRead);
        if (image.isNull())
            return QImage();
    }
    // The chunks before the image data, which the head holds.
    const QColorSpace space = colorSpaceOf(decoding, bytes.head());
    if (space.isValid())
        image.setColorSpace(space);
    return image;
}

} // namespace

QImage PngDecoder::decode(const EncodedBytes& bytes) {
    return decodeWith(bytes, Plan());
}

QImage PngDecoder::decodeReduced(const EncodedBytes& bytes, QSize bound) {
    return bound.isEmpty() ? QImage() : decodeWith(bytes, Plan{bound, QRect(), 1});
}

bool PngDecoder::decodeBands(const EncodedBytes& bytes,
                             const std::function<bool(const QImage& band)>& sink) {
    if (!PngChunks::isPng(bytes.head()))
        return false;
    Decoding decoding(bytes);
    QImage unused;
    return run(decoding, Plan{QSize(), QRect(), 1, &sink}, &unused);
}

QImage PngDecoder::decodeRegion(const EncodedBytes& bytes, const QRect& area, int denominator) {
    return area.isEmpty() || denominator < 1 ? QImage()
                                             : decodeWith(bytes, Plan{QSize(), area, denominator});
}
