#include "platform/StreamedEncoder.h"

#include "platform/ImageEncoder.h"
#include "platform/ImageSource.h"
#include "platform/JpegEncoder.h"

#include <QCoreApplication>
#include <QImage>
#include <csetjmp>
#include <jpeglib.h>
#include <png.h>
#include <vector>

namespace {

// A band in the layouts libpng is told of: 8-bit grey, or 32-bit pixels.
QImage pngRows(const QImage& band) {
    if (band.format() == QImage::Format_Grayscale8)
        return band;
    return band.convertToFormat(band.hasAlphaChannel() ? QImage::Format_ARGB32
                                                       : QImage::Format_RGB32);
}

QString failed() {
    return QCoreApplication::translate("StreamedEncoder", "The image could not be read whole.");
}

// --- JPEG ------------------------------------------------------------------

// Everything with a destructor lives outside the functions that call
// setjmp, so that a longjmp skips none.
struct JpegJob {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_destination_mgr destination{};
    jmp_buf jump;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(1 << 20);
    const StreamedEncoder::Writer* write = nullptr;
    const ExportMetadata::Segments* extras = nullptr;
    QString reason;
    QImage pixels; // the band being written
    bool created = false;
    bool started = false;
    ~JpegJob() {
        if (created)
            jpeg_destroy_compress(&info);
    }
};

JpegJob& jobOf(j_common_ptr info) {
    return *static_cast<JpegJob*>(info->client_data);
}

[[noreturn]] void jpegError(j_common_ptr info) {
    longjmp(jobOf(info).jump, 1);
}

void quiet(j_common_ptr, int) {}

void startOutput(j_compress_ptr info) {
    JpegJob& job = jobOf(reinterpret_cast<j_common_ptr>(info));
    job.destination.next_output_byte = job.buffer.data();
    job.destination.free_in_buffer = job.buffer.size();
}

void flush(JpegJob& job, size_t bytes) {
    if (!(*job.write)(
            QByteArrayView(reinterpret_cast<const char*>(job.buffer.data()), qsizetype(bytes)),
            &job.reason))
        longjmp(job.jump, 1);
}

boolean moreOutput(j_compress_ptr info) {
    JpegJob& job = jobOf(reinterpret_cast<j_common_ptr>(info));
    flush(job, job.buffer.size());
    startOutput(info);
    return TRUE;
}

void endOutput(j_compress_ptr info) {
    JpegJob& job = jobOf(reinterpret_cast<j_common_ptr>(info));
    flush(job, job.buffer.size() - job.destination.free_in_buffer);
}

// The first band sets the encoder up, for an image `size` pixels.
bool jpegBand(JpegJob& job, const QImage& band, QSize size, int quality) {
    if (setjmp(job.jump))
        return false;
    job.pixels = JpegEncoder::encodable(band);
    const bool grey = job.pixels.format() == QImage::Format_Grayscale8;
    if (!job.started) {
        job.started = true;
        JpegEncoder::start(&job.info, size, grey, quality);
        for (const auto& [marker, payload] : *job.extras)
            jpeg_write_marker(&job.info, uchar(marker.at(0)),
                              reinterpret_cast<const JOCTET*>(payload.constData()),
                              unsigned(payload.size()));
    }
    // Every band in the layout of the first.
    if (grey != (job.info.in_color_space == JCS_GRAYSCALE) ||
        job.pixels.width() != int(job.info.image_width))
        return false;
    for (int y = 0; y < job.pixels.height(); ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(job.pixels.constScanLine(y));
        jpeg_write_scanlines(&job.info, &row, 1);
    }
    return true;
}

bool jpegFinish(JpegJob& job) {
    if (setjmp(job.jump))
        return false;
    if (!job.started || job.info.next_scanline != job.info.image_height)
        return false;
    jpeg_finish_compress(&job.info);
    return true;
}

bool jpegCreate(JpegJob& job, const StreamedEncoder::Writer& write) {
    job.write = &write;
    job.info.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = jpegError;
    job.errors.emit_message = quiet;
    job.info.client_data = &job;
    if (setjmp(job.jump))
        return false;
    jpeg_create_compress(&job.info);
    job.created = true;
    job.info.client_data = &job;
    job.destination.init_destination = startOutput;
    job.destination.empty_output_buffer = moreOutput;
    job.destination.term_destination = endOutput;
    job.info.dest = &job.destination;
    return true;
}

// --- PNG -------------------------------------------------------------------

struct PngJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const StreamedEncoder::Writer* write = nullptr;
    const ExportMetadata::Segments* extras = nullptr;
    QString reason;
    QImage pixels;
    bool started = false;
    int rowsLeft = 0;
    bool grey = false;
    ~PngJob() {
        if (png)
            png_destroy_write_struct(&png, &info);
    }
};

[[noreturn]] void pngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngWrite(png_structp png, png_bytep data, size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (!(*job->write)(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(length)),
                       &job->reason))
        png_error(png, "write failed");
}

void pngFlush(png_structp) {}

bool pngBand(PngJob& job, const QImage& band, QSize size) {
    if (setjmp(png_jmpbuf(job.png)))
        return false;
    job.pixels = pngRows(band);
    const bool grey = job.pixels.format() == QImage::Format_Grayscale8;
    const bool alpha = job.pixels.format() == QImage::Format_ARGB32;
    if (!job.started) {
        job.started = true;
        job.grey = grey;
        job.rowsLeft = size.height();
        png_set_write_fn(job.png, &job, pngWrite, pngFlush);
        png_set_IHDR(job.png, job.info, png_uint_32(size.width()), png_uint_32(size.height()), 8,
                     grey    ? PNG_COLOR_TYPE_GRAY
                     : alpha ? PNG_COLOR_TYPE_RGBA
                             : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_sRGB_gAMA_and_cHRM(job.png, job.info, PNG_sRGB_INTENT_PERCEPTUAL);
        png_write_info(job.png, job.info);
        for (const auto& [type, data] : *job.extras)
            png_write_chunk(job.png, reinterpret_cast<png_const_bytep>(type.constData()),
                            reinterpret_cast<png_const_bytep>(data.constData()),
                            size_t(data.size()));
        if (!grey) {
            // Qt's 32-bit pixels, B G R A in memory on little-endian machines.
            if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
                png_set_bgr(job.png);
            else
                png_set_swap_alpha(job.png);
            if (!alpha)
                png_set_filler(job.png, 0,
                               Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FILLER_AFTER
                                                               : PNG_FILLER_BEFORE);
        }
    }
    // A band whose layout changed (alpha only further down) takes the first's.
    if (grey != job.grey || job.pixels.width() != size.width() ||
        job.pixels.height() > job.rowsLeft)
        return false;
    const bool firstHasAlpha = png_get_color_type(job.png, job.info) == PNG_COLOR_TYPE_RGBA;
    if (!grey && alpha != firstHasAlpha)
        job.pixels = job.pixels.convertToFormat(firstHasAlpha ? QImage::Format_ARGB32
                                                              : QImage::Format_RGB32);
    for (int y = 0; y < job.pixels.height(); ++y)
        png_write_row(job.png, job.pixels.constScanLine(y));
    job.rowsLeft -= job.pixels.height();
    return true;
}

bool pngFinish(PngJob& job) {
    if (setjmp(png_jmpbuf(job.png)))
        return false;
    if (!job.started || job.rowsLeft != 0)
        return false;
    png_write_end(job.png, nullptr);
    return true;
}

} // namespace

bool StreamedEncoder::encode(ImageSource& source, ExportFormat format, float factor,
                             const ExportMetadata::Segments& extras, const Writer& write,
                             QString* reason) {
    const QVariantMap properties = source.propertiesAtIndex(0);
    const QSize size(properties.value(QStringLiteral("PixelWidth")).toInt(),
                     properties.value(QStringLiteral("PixelHeight")).toInt());
    *reason = QString();
    if (size.isEmpty() || !canWrite(format))
        return false;
    if (format == ExportFormat::Jpeg) {
        if (size.width() > JPEG_MAX_DIMENSION || size.height() > JPEG_MAX_DIMENSION) {
            *reason = QCoreApplication::translate("StreamedEncoder",
                                                  "JPEG holds no more than 65,500 pixels a side.");
            return false;
        }
        const int quality = ImageEncoder::quality(factor);
        JpegJob job;
        job.extras = &extras;
        const bool done = jpegCreate(job, write) && source.streamImage([&](const QImage& band) {
            return jpegBand(job, band, size, quality);
        }) && jpegFinish(job);
        if (!done)
            *reason = job.reason.isEmpty() ? failed() : job.reason;
        return done;
    }
    PngJob job;
    job.write = &write;
    job.extras = &extras;
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    job.info = job.png ? png_create_info_struct(job.png) : nullptr;
    const bool done = job.info && source.streamImage([&](const QImage& band) {
        return pngBand(job, band, size);
    }) && pngFinish(job);
    if (!done)
        *reason = job.reason.isEmpty() ? failed() : job.reason;
    return done;
}
