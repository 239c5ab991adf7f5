#include "platform/imagesource/PnmRowDecoder.h"

#include "platform/imagesource/DecodeLimits.h"

#include <cstring>

std::unique_ptr<RowDecoder> PnmRowDecoder::open(const EncodedBytes& bytes) {
    std::unique_ptr<PnmRowDecoder> decoder(new PnmRowDecoder(bytes));
    if (!decoder->readHeader())
        decoder.reset();
    return decoder;
}

QString PnmRowDecoder::type() const {
    return kind == '4'   ? QStringLiteral("public.pbm")
           : kind == '5' ? QStringLiteral("public.pgm")
                         : QStringLiteral("public.ppm");
}

bool PnmRowDecoder::readHeader() {
    const QByteArray& head = bytes.head();
    if (head.size() < 3 || head[0] != 'P' || (head[1] != '4' && head[1] != '5' && head[1] != '6'))
        return false;
    kind = head[1];
    qsizetype at = 2;
    // The header's numbers, each after white space and comments.
    const auto number = [&](qint64* value) {
        for (;;) {
            while (at < head.size() && QChar::isSpace(uchar(head[at])))
                ++at;
            if (at < head.size() && head[at] == '#') {
                while (at < head.size() && head[at] != '\n' && head[at] != '\r')
                    ++at;
                continue;
            }
            break;
        }
        if (at >= head.size() || head[at] < '0' || head[at] > '9')
            return false;
        *value = 0;
        for (; at < head.size() && head[at] >= '0' && head[at] <= '9'; ++at)
            if ((*value = *value * 10 + (head[at] - '0')) > (qint64(1) << 32))
                return false;
        return true;
    };
    qint64 w = 0, h = 0, max = 1;
    if (!number(&w) || !number(&h) || (kind != '4' && !number(&max)))
        return false;
    // One white space character ends the header.
    if (at >= head.size() || !QChar::isSpace(uchar(head[at])))
        return false;
    dataOffset = at + 1;
    if (!DecodeLimits::allowsSize(w, h) || max < 1 || max > 65535)
        return false;
    width = int(w), height = int(h), maxValue = int(max);
    samples = kind == '6' ? 3 : 1;
    sampleBytes = maxValue > 255 ? 2 : 1;
    stride = kind == '4' ? (w + 7) / 8 : w * samples * sampleBytes;
    pixelFormat = kind == '6' ? QImage::Format_RGB32 : QImage::Format_Grayscale8;
    sampleBits = kind == '4' ? 1 : sampleBytes * 8;
    model = kind == '6' ? QStringLiteral("RGB") : QStringLiteral("Gray");
    // Qt's reader: 1 bit, grey at 8 or 16, RGB32 or RGBX64.
    wholeBytesPerPixel = kind == '4' ? 1 : kind == '5' ? sampleBytes : 4 * sampleBytes;
    if (bytes.size() - dataOffset < stride * height / 2)
        return false;
    if (sampleBytes == 1) {
        scale.resize(256);
        for (int v = 0; v < 256; ++v)
            scale[size_t(v)] = uchar(std::min(255, (v * 255 + maxValue / 2) / maxValue));
    }
    raw.resize(size_t(stride));
    return true;
}

bool PnmRowDecoder::readRow(int y, int left, int count, uchar* out) {
    const int pixelBytes = samples * sampleBytes;
    const qint64 first = kind == '4' ? left / 8 : qint64(left) * pixelBytes;
    const qint64 length = kind == '4' ? (left + count + 7) / 8 - first : qint64(count) * pixelBytes;
    const qint64 got =
        std::max<qint64>(0, bytes.read(dataOffset + y * stride + first, raw.data(), length));
    memset(raw.data() + got, 0, size_t(length - got));
    const uchar* p = raw.data();
    const auto sample = [&](qint64 i) -> uchar {
        if (sampleBytes == 1)
            return scale[p[i]];
        const quint32 v =
            std::min<quint32>(quint32(p[2 * i] << 8 | p[2 * i + 1]), quint32(maxValue));
        return to8((v * 65535 + quint32(maxValue) / 2) / quint32(maxValue));
    };
    if (kind == '4') {
        for (int i = 0; i < count; ++i) {
            const int bit = left + i - int(first) * 8;
            out[i] = (p[bit / 8] >> (7 - bit % 8)) & 1 ? 0 : 255; // 1 is black
        }
    } else if (kind == '5') {
        for (int i = 0; i < count; ++i)
            out[i] = sample(i);
    } else {
        auto* pixels = reinterpret_cast<QRgb*>(out);
        for (int i = 0; i < count; ++i)
            pixels[i] = qRgb(sample(3 * i), sample(3 * i + 1), sample(3 * i + 2));
    }
    return true;
}
