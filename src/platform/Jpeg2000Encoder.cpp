#include "platform/Jpeg2000Encoder.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct MemoryOut {
    QByteArray bytes;
    qint64 position = 0;
};

OPJ_SIZE_T writeProc(void* buffer, OPJ_SIZE_T size, void* user) {
    auto* m = static_cast<MemoryOut*>(user);
    const qint64 end = m->position + qint64(size);
    if (end > m->bytes.size())
        m->bytes.resize(end);
    std::memcpy(m->bytes.data() + m->position, buffer, size);
    m->position = end;
    return size;
}

OPJ_OFF_T skipProc(OPJ_OFF_T count, void* user) {
    auto* m = static_cast<MemoryOut*>(user);
    if (m->position + count < 0)
        return -1;
    m->position += count;
    return count;
}

OPJ_BOOL seekProc(OPJ_OFF_T position, void* user) {
    auto* m = static_cast<MemoryOut*>(user);
    if (position < 0)
        return OPJ_FALSE;
    m->position = position;
    return OPJ_TRUE;
}

void quiet(const char*, void*) {}

// The codec and the stream are both plain pointers to void: one deleter each.
struct Deleter {
    void operator()(opj_image_t* p) const { opj_image_destroy(p); }
};
struct Codec {
    opj_codec_t* p = opj_create_compress(OPJ_CODEC_JP2);
    ~Codec() {
        if (p)
            opj_destroy_codec(p);
    }
};
struct Stream {
    opj_stream_t* p = opj_stream_default_create(OPJ_FALSE);
    ~Stream() {
        if (p)
            opj_stream_destroy(p);
    }
};

// The image's pixels as the encoder's planes: grey or RGB, with alpha when
// the image has it, at 8 or 16 bits.
std::unique_ptr<opj_image_t, Deleter> planesOf(const QImage& image) {
    const bool deep = image.depth() >= 48 || image.format() == QImage::Format_Grayscale16;
    const bool grey = image.isGrayscale() && !image.hasAlphaChannel();
    const bool alpha = image.hasAlphaChannel();
    const int comps = (grey ? 1 : 3) + (alpha ? 1 : 0);
    const int w = image.width(), h = image.height();
    opj_image_cmptparm_t params[4];
    std::memset(params, 0, sizeof params);
    for (int c = 0; c < comps; ++c) {
        params[c].dx = params[c].dy = 1;
        params[c].w = OPJ_UINT32(w);
        params[c].h = OPJ_UINT32(h);
        params[c].prec = deep ? 16 : 8;
        params[c].sgnd = 0;
    }
    std::unique_ptr<opj_image_t, Deleter> out(
        opj_image_create(OPJ_UINT32(comps), params, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!out)
        return out;
    out->x0 = out->y0 = 0;
    out->x1 = OPJ_UINT32(w);
    out->y1 = OPJ_UINT32(h);
    if (alpha)
        out->comps[comps - 1].alpha = 1;
    if (grey) {
        const QImage g =
            image.convertToFormat(deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y) {
            OPJ_INT32* row = out->comps[0].data + qsizetype(y) * w;
            if (deep) {
                const auto* line = reinterpret_cast<const quint16*>(g.constScanLine(y));
                std::copy(line, line + w, row);
            } else {
                const uchar* line = g.constScanLine(y);
                std::copy(line, line + w, row);
            }
        }
        return out;
    }
    if (deep) {
        const QImage c = image.convertToFormat(QImage::Format_RGBA64);
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const QRgba64*>(c.constScanLine(y));
            const qsizetype base = qsizetype(y) * w;
            for (int x = 0; x < w; ++x) {
                out->comps[0].data[base + x] = line[x].red();
                out->comps[1].data[base + x] = line[x].green();
                out->comps[2].data[base + x] = line[x].blue();
                if (alpha)
                    out->comps[3].data[base + x] = line[x].alpha();
            }
        }
        return out;
    }
    const QImage c = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(c.constScanLine(y));
        const qsizetype base = qsizetype(y) * w;
        for (int x = 0; x < w; ++x) {
            out->comps[0].data[base + x] = qRed(line[x]);
            out->comps[1].data[base + x] = qGreen(line[x]);
            out->comps[2].data[base + x] = qBlue(line[x]);
            if (alpha)
                out->comps[3].data[base + x] = qAlpha(line[x]);
        }
    }
    return out;
}

} // namespace

float Jpeg2000Encoder::compressionRatio(int quality) {
    if (quality >= 100)
        return 0;
    // From 2:1 just below lossless to 52:1 at the low end.
    return 2.0f + float(99 - std::max(quality, 0)) * 0.5f;
}

QByteArray Jpeg2000Encoder::encode(const QImage& image, int quality) {
    if (image.isNull())
        return QByteArray();
    auto planes = planesOf(image);
    if (!planes)
        return QByteArray();
    Codec codec;
    if (!codec.p)
        return QByteArray();
    opj_set_info_handler(codec.p, quiet, nullptr);
    opj_set_warning_handler(codec.p, quiet, nullptr);
    opj_set_error_handler(codec.p, quiet, nullptr);

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.cp_disto_alloc = 1;
    const float ratio = compressionRatio(quality);
    parameters.tcp_rates[0] = ratio; // 0: no rate limit
    parameters.irreversible = ratio > 0 ? 1 : 0;
    parameters.tcp_mct = planes->numcomps >= 3 ? 1 : 0;
    // Each resolution level halves the image; a small image has fewer.
    const int shortSide = std::min(image.width(), image.height());
    int levels = 1;
    while (levels < 6 && (shortSide >> levels) >= 1)
        ++levels;
    parameters.numresolution = levels;
    if (!opj_setup_encoder(codec.p, &parameters, planes.get()))
        return QByteArray();
    opj_codec_set_threads(codec.p, 2);

    MemoryOut memory;
    auto stream = std::make_unique<Stream>();
    if (!stream->p)
        return QByteArray();
    opj_stream_set_write_function(stream->p, writeProc);
    opj_stream_set_skip_function(stream->p, skipProc);
    opj_stream_set_seek_function(stream->p, seekProc);
    opj_stream_set_user_data(stream->p, &memory, nullptr);
    if (!opj_start_compress(codec.p, planes.get(), stream->p) || !opj_encode(codec.p, stream->p) ||
        !opj_end_compress(codec.p, stream->p))
        return QByteArray();
    stream.reset(); // flushes what the stream still buffers
    return memory.bytes;
}
