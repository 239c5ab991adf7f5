#include "platform/JpegEncoder.h"

#include <QColorSpace>
#include <QPainter>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void quiet(j_common_ptr, int) {}

// The compressed bytes go straight into the result, which grows as needed:
// no second buffer to fill and copy.
struct Destination {
    jpeg_destination_mgr manager{};
    QByteArray bytes;
};

void startBytes(j_compress_ptr info) {
    auto* d = reinterpret_cast<Destination*>(info->dest);
    // About what quality 90 makes of a photo; it doubles when short.
    d->bytes.resize(std::max<qsizetype>(
        qsizetype(info->image_width) * qsizetype(info->image_height) / 4, 1 << 16));
    d->manager.next_output_byte = reinterpret_cast<JOCTET*>(d->bytes.data());
    d->manager.free_in_buffer = size_t(d->bytes.size());
}

boolean moreBytes(j_compress_ptr info) {
    auto* d = reinterpret_cast<Destination*>(info->dest);
    const qsizetype used = d->bytes.size();
    d->bytes.resize(used * 2);
    d->manager.next_output_byte = reinterpret_cast<JOCTET*>(d->bytes.data() + used);
    d->manager.free_in_buffer = size_t(used);
    return TRUE;
}

void endBytes(j_compress_ptr info) {
    auto* d = reinterpret_cast<Destination*>(info->dest);
    d->bytes.resize(d->bytes.size() - qsizetype(d->manager.free_in_buffer));
}

// Everything with a destructor lives outside the function that calls
// setjmp, so a longjmp skips none.
struct Job {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    Destination destination;
    bool created = false;
    ~Job() {
        if (created)
            jpeg_destroy_compress(&info);
    }
};

bool compress(Job& job, const QImage& pixels, int quality) {
    job.info.err = jpeg_std_error(&job.errors.manager);
    job.errors.manager.error_exit = errorExit;
    job.errors.manager.emit_message = quiet;
    if (setjmp(job.errors.jump))
        return false;
    jpeg_create_compress(&job.info);
    job.created = true;
    job.destination.manager.init_destination = startBytes;
    job.destination.manager.empty_output_buffer = moreBytes;
    job.destination.manager.term_destination = endBytes;
    job.info.dest = &job.destination.manager;
    JpegEncoder::start(&job.info, pixels.size(), pixels.format() == QImage::Format_Grayscale8,
                       quality);
    while (job.info.next_scanline < job.info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.constScanLine(int(job.info.next_scanline)));
        jpeg_write_scanlines(&job.info, &row, 1);
    }
    jpeg_finish_compress(&job.info);
    return true;
}

} // namespace

QByteArray JpegEncoder::encode(const QImage& image, int quality) {
    if (image.isNull() || image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION)
        return QByteArray();
    const QImage pixels = encodable(image);
    if (pixels.isNull())
        return QByteArray();
    Job job;
    if (!compress(job, pixels, quality))
        return QByteArray();
    return std::move(job.destination.bytes);
}

QImage JpegEncoder::encodable(const QImage& image) {
    if (image.format() == QImage::Format_Grayscale8)
        return image;
    if (image.format() == QImage::Format_Grayscale16)
        return image.convertToFormat(QImage::Format_Grayscale8);
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        return flat;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

void JpegEncoder::start(jpeg_compress_struct* info, QSize size, bool grey, int quality) {
    info->image_width = JDIMENSION(size.width());
    info->image_height = JDIMENSION(size.height());
    info->input_components = grey ? 1 : 4;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
#else
    info->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_XRGB;
#endif
    jpeg_set_defaults(info);
    jpeg_set_quality(info, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(info, TRUE);
    if (!grey) {
        const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
        jpeg_write_icc_profile(info, reinterpret_cast<const JOCTET*>(icc.constData()),
                               unsigned(icc.size()));
    }
}
