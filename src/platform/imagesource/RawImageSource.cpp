#include "platform/imagesource/RawImageSource.h"

#include "platform/Cancellation.h"
#include "platform/imagesource/DecodeLimits.h"

#include <QBuffer>
#include <QImageReader>
#include <libraw/libraw.h>

namespace {

bool startsWith(const QByteArray& bytes, const char* magic, int length, int at = 0) {
    return bytes.size() >= at + length && memcmp(bytes.constData() + at, magic, size_t(length)) == 0;
}

// LibRaw's flip code as the EXIF orientation that undoes it.
int orientationForFlip(int flip) {
    switch (flip) {
    case 3: return 3;
    case 5: return 8;
    case 6: return 6;
    default: return 1;
    }
}

QString typeForMake(const QString& make, bool dng) {
    if (dng)
        return QStringLiteral("com.adobe.raw-image");
    const QString m = make.toLower();
    static const char* table[][2] = {
        {"canon", "com.canon.cr2-raw-image"}, {"nikon", "com.nikon.raw-image"},
        {"sony", "com.sony.arw-raw-image"}, {"fuji", "com.fuji.raw-image"},
        {"olympus", "com.olympus.raw-image"}, {"om digital", "com.olympus.raw-image"},
        {"panasonic", "com.panasonic.rw2-raw-image"}, {"leica", "com.leica.rwl-raw-image"},
        {"pentax", "com.pentax.raw-image"}, {"ricoh", "com.pentax.raw-image"},
        {"samsung", "com.samsung.raw-image"}, {"minolta", "com.konicaminolta.raw-image"},
        {"konica", "com.konicaminolta.raw-image"}, {"epson", "com.epson.raw-image"},
        {"hasselblad", "com.hasselblad.3fr-raw-image"},
    };
    for (const auto& entry : table) {
        if (m.startsWith(QLatin1String(entry[0])))
            return QString::fromLatin1(entry[1]);
    }
    return QStringLiteral("public.camera-raw-image");
}

} // namespace

bool RawImageSource::claims(const QByteArray& b) {
    return startsWith(b, "II\x1a\0\0\0HEAPCCDR", 14) // CRW
           || startsWith(b, "FUJIFILMCCD-RAW", 15)   // RAF
           || startsWith(b, "\0MRM", 4)               // MRW
           || startsWith(b, "IIRO", 4) || startsWith(b, "IIRS", 4) || startsWith(b, "MMOR", 4) // ORF
           || startsWith(b, "IIU\0", 4)               // RW2, RWL, Panasonic RAW
           || startsWith(b, "FOVb", 4)                // X3F
           || (startsWith(b, "ftypcrx ", 8, 4));      // CR3
}

bool RawImageSource::isDng(const QByteArray& b) {
    const bool little = startsWith(b, "II*\0", 4);
    if (!little && !startsWith(b, "MM\0*", 4))
        return false;
    auto u16 = [&](qsizetype o) -> quint32 {
        if (o < 0 || o + 2 > b.size())
            return 0;
        const auto* p = reinterpret_cast<const uchar*>(b.constData() + o);
        return little ? quint32(p[0] | (p[1] << 8)) : quint32((p[0] << 8) | p[1]);
    };
    auto u32 = [&](qsizetype o) -> quint32 { return little ? u16(o) | (u16(o + 2) << 16) : (u16(o) << 16) | u16(o + 2); };
    const qsizetype ifd = u32(4);
    const quint32 fields = u16(ifd);
    for (quint32 i = 0; i < fields && i < 1024; ++i) {
        const qsizetype at = ifd + 2 + qsizetype(i) * 12;
        if (at + 12 > b.size())
            return false;
        if (u16(at) == 50706) // DNGVersion
            return true;
    }
    return false;
}

RawImageSource::RawImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

RawImageSource::~RawImageSource() = default;

bool RawImageSource::reopen() {
    raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    libraw_output_params_t& p = raw->imgdata.params;
    p.use_camera_wb = 1;  // white balance as shot
    p.output_color = 1;   // sRGB primaries
    p.output_bps = 8;
    p.gamm[0] = 1.0 / 2.4; // the sRGB curve rather than BT.709's
    p.gamm[1] = 12.92;
    p.user_flip = 0; // the viewer applies the orientation itself
    // Demosaicing takes long; LibRaw asks between its stages whether to go on.
    raw->set_progress_handler([](void*, LibRaw_progress, int, int) { return Cancellation::requested() ? 1 : 0; },
                              nullptr);
    // LibRaw reads from the bytes in place; they outlive the processor.
    return raw->open_buffer(const_cast<char*>(bytes.constData()), size_t(bytes.size())) == LIBRAW_SUCCESS;
}

std::unique_ptr<ImageSource> RawImageSource::open(const QByteArray& bytes) {
    return opened(new RawImageSource(bytes));
}

bool RawImageSource::readHeader() {
    if (!reopen())
        return false;
    const libraw_image_sizes_t& s = raw->imgdata.sizes;
    if (!DecodeLimits::allowsSize(s.width, s.height))
        return false;
    width = s.width;
    height = s.height;
    orientation = orientationForFlip(s.flip);
    typeIdentifier = typeForMake(QString::fromLatin1(raw->imgdata.idata.make),
                                 raw->imgdata.idata.dng_version != 0);
    return true;
}

QImage RawImageSource::imageAtIndex(int index) {
    if (index != 0)
        return QImage();
    // A processor decodes once, and forgets the sizes it read: a second call
    // starts from a fresh one.
    if (!fresh && !reopen())
        return QImage();
    fresh = false;
    const libraw_image_sizes_t& s = raw->imgdata.sizes;
    // Ours (4 bytes a pixel), and LibRaw's working image (8) and output (3)
    // besides the raw data (2 bytes a sample).
    if (!DecodeLimits::allows(s.width, s.height, 4, 11) ||
        !DecodeLimits::allowsWork(qint64(s.raw_width) * s.raw_height * 2 + qint64(s.width) * s.height * 11))
        return QImage();
    if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS)
        return QImage();
    int error = 0;
    libraw_processed_image_t* processed = raw->dcraw_make_mem_image(&error);
    if (!processed)
        return QImage();
    QImage image;
    if (processed->type == LIBRAW_IMAGE_BITMAP && processed->bits == 8 &&
        (processed->colors == 3 || processed->colors == 1)) {
        const int w = processed->width, h = processed->height;
        const QImage wrapped(processed->data, w, h, w * processed->colors,
                             processed->colors == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
        image = wrapped.convertToFormat(QImage::Format_RGB32);
        width = w;
        height = h;
    }
    LibRaw::dcraw_clear_mem(processed);
    raw->recycle();
    return image;
}

QVariantMap RawImageSource::imageProperties(int) {
    QVariantMap map = describe(width, height, 16, QStringLiteral("RGB"), false);
    map.insert(QStringLiteral("Orientation"), orientation);
    return map;
}

QImage RawImageSource::firstLook() {
    // Demosaicing takes a second or more; the camera's preview is at hand.
    // One cut to another shape would make the picture jump when the full
    // image replaces it, and a tiny one says little.
    const QImage preview = embeddedThumbnail();
    if (preview.isNull() || std::max(preview.width(), preview.height()) < 640 || width <= 0 ||
        height <= 0)
        return QImage();
    const double shape = double(preview.width()) / preview.height();
    const double full = double(width) / height;
    return std::abs(shape / full - 1.0) <= 0.01 ? preview : QImage();
}

QImage RawImageSource::embeddedThumbnail() {
    // The camera's preview, usually a JPEG far larger than any thumbnail.
    std::unique_ptr<LibRaw> preview = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    if (preview->open_buffer(const_cast<char*>(bytes.constData()), size_t(bytes.size())) != LIBRAW_SUCCESS ||
        preview->unpack_thumb() != LIBRAW_SUCCESS)
        return QImage();
    const libraw_thumbnail_t& t = preview->imgdata.thumbnail;
    if (t.tformat != LIBRAW_THUMBNAIL_JPEG || !t.thumb || t.tlength == 0)
        return QImage();
    QByteArray jpeg(t.thumb, int(t.tlength));
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size();
    if (!DecodeLimits::allows(size.width(), size.height(), 4))
        return QImage();
    return reader.read();
}
