#include "platform/imagesource/Jp2ImageSource.h"

#include "platform/imagesource/AreaReducer.h"
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
    // The resolution levels of the first tile's first component: each below
    // the full one halves the image.
    int resolutions() {
        opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
        const int levels = info && info->m_default_tile_info.tccp_info
                               ? int(info->m_default_tile_info.tccp_info[0].numresolutions)
                               : 1;
        opj_destroy_cstr_info(&info);
        return std::max(1, levels);
    }
    // Decodes at 1/2^levels, and only `area` (in full-size pixels) when given.
    bool restrict(int levels, const QRect& area) {
        if (levels > 0 && !opj_set_decoded_resolution_factor(codec, OPJ_UINT32(levels)))
            return false;
        if (area.isEmpty())
            return true;
        const int x0 = int(image->x0), y0 = int(image->y0);
        return opj_set_decode_area(codec, image, x0 + area.left(), y0 + area.top(),
                                   x0 + area.right() + 1, y0 + area.bottom() + 1);
    }

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
  // `direct`: pixels are the first component's samples (a reduced decode,
  // whose components lie on their own reduced grids).
  Channel(const opj_image_t* image, const opj_image_comp_t& c, bool direct = false)
      : comp(c), direct(direct) {
      maximum = (qint64(1) << std::clamp<int>(int(c.prec), 1, 31)) - 1;
      offset = c.sgnd ? qint64(1) << (std::clamp<int>(int(c.prec), 1, 31) - 1) : 0;
      x0 = qint64(image->x0);
      y0 = qint64(image->y0);
      step = qint64(image->comps[0].dx);
      rowStep = qint64(image->comps[0].dy);
  }
    bool usable() const { return comp.data && comp.w > 0 && comp.h > 0 && comp.dx > 0 && comp.dy > 0; }
    quint16 at(int x, int y) const {
        // Subsampled components cover the image at their own step.
        qint64 cx = direct ? x * step / comp.dx : (x0 + x) / comp.dx - qint64(comp.x0);
        qint64 cy = direct ? y * rowStep / comp.dy : (y0 + y) / comp.dy - qint64(comp.y0);
        cx = std::clamp<qint64>(cx, 0, qint64(comp.w) - 1);
        cy = std::clamp<qint64>(cy, 0, qint64(comp.h) - 1);
        const qint64 v = std::clamp<qint64>(qint64(comp.data[cy * comp.w + cx]) + offset, 0, maximum);
        return quint16(v * 65535 / maximum);
    }

private:
    const opj_image_comp_t& comp;
    bool direct = false;
    qint64 step = 1;
    qint64 rowStep = 1;
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
    return ColorConversion::toSRGB(
        render(decoding.image, QSize(width, height), precision > 8, false));
}

QImage Jp2ImageSource::overview(const QSize& bound) {
    return decodePart(AreaReducer::fitted(QSize(width, height), bound), QRect(), 1);
}

QImage Jp2ImageSource::region(const QRect& area, int denominator) {
    if (area.isEmpty() || denominator < 1 || !QRect(0, 0, width, height).contains(area))
        return QImage();
    return decodePart(QSize(), area, denominator);
}

QImage Jp2ImageSource::decodePart(QSize fit, const QRect& area, int denominator) {
    Decoding decoding(bytes, codestream);
    if (!decoding.ready)
        return QImage();
    // The image's own lower resolutions do most of a reduction, and only
    // the area's code blocks are decoded; averaging does the rest.
    const QSize whole = area.isEmpty() ? QSize(width, height) : area.size();
    const QSize target = area.isEmpty() ? fit
                                        : QSize((area.width() + denominator - 1) / denominator,
                                                (area.height() + denominator - 1) / denominator);
    const auto halved = [&](int levels) {
        return QSize((whole.width() + (1 << levels) - 1) >> levels,
                     (whole.height() + (1 << levels) - 1) >> levels);
    };
    const int most = decoding.resolutions() - 1;
    int levels = 0;
    while (levels < most && levels < 16 && halved(levels + 1).width() >= target.width() &&
           halved(levels + 1).height() >= target.height())
        ++levels;
    const QSize decoded = halved(levels);
    if (target.isEmpty() ||
        !DecodeLimits::allows(decoded.width(), decoded.height(), 8, 4 * std::min(components, 4)) ||
        !decoding.restrict(levels, area) || !decoding.decode())
        return QImage();
    const opj_image_t* image = decoding.image;
    // At full size a part keeps the full decode's samples exactly.
    const bool exact = levels == 0 && decoded == target;
    const QImage pixels =
        exact ? render(image, target, precision > 8, false)
              : render(image, QSize(int(image->comps[0].w), int(image->comps[0].h)), false, true);
    return ColorConversion::toSRGB(AreaReducer::averaged(pixels, target.boundedTo(pixels.size())));
}

QImage Jp2ImageSource::render(const opj_image_t* image, QSize size, bool deep, bool direct) const {
    const int n = int(image->numcomps);
    const bool gray = n <= 2;
    const bool alpha = n == 2 || n == 4;
    if (n < 1 || (!gray && n < 3) || size.isEmpty())
        return QImage();
    std::vector<Channel> channels;
    for (int c = 0; c < std::min(n, 4); ++c) {
        channels.emplace_back(image, image->comps[c], direct);
        if (!channels.back().usable())
            return QImage();
    }
    QImage result(size, deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                             : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
    if (result.isNull())
        return result;
    for (int y = 0; y < size.height(); ++y) {
        uchar* line = result.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
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
    return result;
}

QVariantMap Jp2ImageSource::imageProperties(int) {
    const bool gray = components <= 2;
    return describe(width, height, precision, gray ? QStringLiteral("Gray") : QStringLiteral("RGB"),
                    components == 2 || components == 4);
}
