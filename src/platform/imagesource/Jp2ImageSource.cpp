#include "platform/imagesource/Jp2ImageSource.h"

#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"

#include <cstring>
#include <openjpeg.h>

namespace {

struct Memory {
    const QByteArray* bytes;
    OPJ_OFF_T position = 0;
};

OPJ_SIZE_T readProc(void* buffer, OPJ_SIZE_T size, void* user) {
    auto* m = static_cast<Memory*>(user);
    const OPJ_OFF_T total = OPJ_OFF_T(m->bytes->size());
    if (m->position >= total)
        return OPJ_SIZE_T(-1);
    const OPJ_SIZE_T n = std::min<OPJ_SIZE_T>(size, OPJ_SIZE_T(total - m->position));
    memcpy(buffer, m->bytes->constData() + m->position, n);
    m->position += OPJ_OFF_T(n);
    return n;
}

OPJ_OFF_T skipProc(OPJ_OFF_T count, void* user) {
    auto* m = static_cast<Memory*>(user);
    const OPJ_OFF_T total = OPJ_OFF_T(m->bytes->size());
    const OPJ_OFF_T target = std::clamp<OPJ_OFF_T>(m->position + count, 0, total);
    const OPJ_OFF_T skipped = target - m->position;
    m->position = target;
    return skipped;
}

OPJ_BOOL seekProc(OPJ_OFF_T position, void* user) {
    auto* m = static_cast<Memory*>(user);
    if (position < 0 || position > OPJ_OFF_T(m->bytes->size()))
        return OPJ_FALSE;
    m->position = position;
    return OPJ_TRUE;
}

void quiet(const char*, void*) {}

// A decoder, its stream and its image, released together.
class Decoding {
public:
    Decoding(const QByteArray& bytes, bool codestream) : memory{&bytes} {
        codec = opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
        stream = opj_stream_default_create(OPJ_TRUE);
        if (!codec || !stream)
            return;
        opj_set_info_handler(codec, quiet, nullptr);
        opj_set_warning_handler(codec, quiet, nullptr);
        opj_set_error_handler(codec, quiet, nullptr);
        opj_stream_set_read_function(stream, readProc);
        opj_stream_set_skip_function(stream, skipProc);
        opj_stream_set_seek_function(stream, seekProc);
        opj_stream_set_user_data(stream, &memory, nullptr);
        opj_stream_set_user_data_length(stream, OPJ_UINT64(bytes.size()));
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        ready = opj_setup_decoder(codec, &parameters) && opj_read_header(stream, codec, &image) && image;
    }
    ~Decoding() {
        if (image)
            opj_image_destroy(image);
        if (stream)
            opj_stream_destroy(stream);
        if (codec)
            opj_destroy_codec(codec);
    }
    Decoding(const Decoding&) = delete;
    Decoding& operator=(const Decoding&) = delete;

    bool decode() { return opj_decode(codec, stream, image) && opj_end_decompress(codec, stream); }

    bool ready = false;
    opj_image_t* image = nullptr;

private:
    Memory memory;
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
};

// One component's sample at an image pixel, scaled to 16 bits.
class Channel {
public:
    Channel(const opj_image_t* image, const opj_image_comp_t& c) : comp(c) {
        maximum = (qint64(1) << std::clamp<int>(int(c.prec), 1, 31)) - 1;
        offset = c.sgnd ? qint64(1) << (std::clamp<int>(int(c.prec), 1, 31) - 1) : 0;
        x0 = qint64(image->x0);
        y0 = qint64(image->y0);
    }
    bool usable() const { return comp.data && comp.w > 0 && comp.h > 0 && comp.dx > 0 && comp.dy > 0; }
    quint16 at(int x, int y) const {
        // Subsampled components cover the image at their own step.
        qint64 cx = (x0 + x) / comp.dx - qint64(comp.x0);
        qint64 cy = (y0 + y) / comp.dy - qint64(comp.y0);
        cx = std::clamp<qint64>(cx, 0, qint64(comp.w) - 1);
        cy = std::clamp<qint64>(cy, 0, qint64(comp.h) - 1);
        const qint64 v = std::clamp<qint64>(qint64(comp.data[cy * comp.w + cx]) + offset, 0, maximum);
        return quint16(v * 65535 / maximum);
    }

private:
    const opj_image_comp_t& comp;
    qint64 maximum = 255;
    qint64 offset = 0;
    qint64 x0 = 0;
    qint64 y0 = 0;
};

} // namespace

bool Jp2ImageSource::claims(const QByteArray& b) {
    return b.startsWith(QByteArray("\0\0\0\x0cjP  \r\n\x87\n", 12)) || b.startsWith(QByteArray("\xff\x4f\xff\x51", 4));
}

Jp2ImageSource::Jp2ImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

std::unique_ptr<ImageSource> Jp2ImageSource::open(const QByteArray& bytes) {
    return claims(bytes) ? opened(new Jp2ImageSource(bytes)) : nullptr;
}

bool Jp2ImageSource::readHeader() {
    codestream = bytes.startsWith(QByteArray("\xff\x4f\xff\x51", 4));
    Decoding decoding(bytes, codestream);
    if (!decoding.ready)
        return false;
    const opj_image_t* image = decoding.image;
    const qint64 w = qint64(image->x1) - qint64(image->x0), h = qint64(image->y1) - qint64(image->y0);
    if (!DecodeLimits::allowsSize(w, h) || image->numcomps < 1)
        return false;
    width = int(w);
    height = int(h);
    components = int(image->numcomps);
    precision = int(image->comps[0].prec);
    ycc = image->color_space == OPJ_CLRSPC_SYCC || image->color_space == OPJ_CLRSPC_EYCC;
    return true;
}

QImage Jp2ImageSource::imageAtIndex(int index) {
    if (index != 0)
        return QImage();
    // OpenJPEG keeps every sample as a 32-bit integer while it decodes.
    if (!DecodeLimits::allows(width, height, precision > 8 ? 8 : 4, 4 * std::min(components, 4)))
        return QImage();
    Decoding decoding(bytes, codestream);
    if (!decoding.ready || !decoding.decode())
        return QImage();
    const opj_image_t* image = decoding.image;
    const int n = int(image->numcomps);
    const bool gray = n <= 2;
    const bool alpha = n == 2 || n == 4;
    if (n < 1 || (!gray && n < 3))
        return QImage();
    std::vector<Channel> channels;
    for (int c = 0; c < std::min(n, 4); ++c) {
        channels.emplace_back(image, image->comps[c]);
        if (!channels.back().usable())
            return QImage();
    }
    const bool deep = precision > 8;
    QImage result(width, height, deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                      : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
    if (result.isNull())
        return result;
    for (int y = 0; y < height; ++y) {
        uchar* line = result.scanLine(y);
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            if (gray) {
                r = g = b = channels[0].at(x, y);
            } else if (ycc) {
                const double luma = channels[0].at(x, y), cb = channels[1].at(x, y) - 32768.0,
                             cr = channels[2].at(x, y) - 32768.0;
                r = std::clamp(int(luma + 1.402 * cr), 0, 65535);
                g = std::clamp(int(luma - 0.344136 * cb - 0.714136 * cr), 0, 65535);
                b = std::clamp(int(luma + 1.772 * cb), 0, 65535);
            } else {
                r = channels[0].at(x, y);
                g = channels[1].at(x, y);
                b = channels[2].at(x, y);
            }
            const int a = alpha ? channels[size_t(n == 2 ? 1 : 3)].at(x, y) : 65535;
            if (deep)
                reinterpret_cast<QRgba64*>(line)[x] = QRgba64::fromRgba64(quint16(r), quint16(g), quint16(b), quint16(a));
            else
                reinterpret_cast<QRgb*>(line)[x] = qRgba(r >> 8, g >> 8, b >> 8, a >> 8);
        }
    }
    if (image->icc_profile_buf && image->icc_profile_len > 0)
        result.setColorSpace(QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(image->icc_profile_buf), int(image->icc_profile_len))));
    return ColorConversion::toSRGB(std::move(result));
}

QVariantMap Jp2ImageSource::imageProperties(int) {
    const bool gray = components <= 2;
    return describe(width, height, precision, gray ? QStringLiteral("Gray") : QStringLiteral("RGB"),
                    components == 2 || components == 4);
}
