#include "platform/imagesource/SgiRowDecoder.h"

#include "platform/imagesource/DecodeLimits.h"

#include <cstring>

namespace {

constexpr int headerSize = 512;

quint32 be32(const uchar* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

} // namespace

std::unique_ptr<RowDecoder> SgiRowDecoder::open(const EncodedBytes& bytes) {
    std::unique_ptr<SgiRowDecoder> decoder(new SgiRowDecoder(bytes));
    if (!decoder->readHeader())
        decoder.reset();
    return decoder;
}

bool SgiRowDecoder::readHeader() {
    if (!SgiDecoder::readHeader(bytes.head(), &header, bytes.size()))
        return false;
    width = header.width, height = header.height;
    const int c = header.channels, bpc = header.bytesPerChannel;
    pixelFormat = c == 1   ? QImage::Format_Grayscale8
                  : c == 3 ? QImage::Format_RGB32
                           : QImage::Format_ARGB32;
    sampleBits = 8 * bpc;
    model = c <= 2 ? QStringLiteral("Gray") : QStringLiteral("RGB");
    alpha = c == 2 || c == 4;
    // SgiDecoder: grey at 8 or 16 bits, colour at 32 or 64.
    wholeBytesPerPixel = c == 1 ? bpc : 4 * bpc;
    const qint64 rows = qint64(height) * c;
    if (!header.rle)
        return bytes.size() - headerSize >= rows * width * bpc / 2;
    if (!DecodeLimits::allowsWork(rows * 8))
        return false;
    std::vector<uchar> tables(size_t(rows) * 8);
    if (bytes.read(headerSize, tables.data(), qint64(tables.size())) != qint64(tables.size()))
        return false;
    offsets.resize(size_t(rows));
    lengths.resize(size_t(rows));
    qint64 missing = 0;
    for (size_t i = 0; i < size_t(rows); ++i) {
        offsets[i] = be32(tables.data() + 4 * i);
        lengths[i] = be32(tables.data() + 4 * (size_t(rows) + i));
        missing += offsets[i] >= bytes.size();
    }
    // A row codes at most a count byte a sample besides the sample itself.
    raw.resize(size_t(2 * qint64(width) + 2) * size_t(bpc));
    return missing <= rows / 2;
}

void SgiRowDecoder::readChannel(qint64 row, int channel, int left, int count, uchar* out) {
    const int bpc = header.bytesPerChannel;
    const auto sample = [&](const uchar* p) {
        return bpc == 1 ? p[0] : to8(quint32(p[0] << 8 | p[1]));
    };
    if (!header.rle) {
        const qint64 at = headerSize + ((qint64(channel) * height + row) * width + left) * bpc;
        raw.resize(size_t(count) * size_t(bpc));
        const qint64 got = std::max<qint64>(0, bytes.read(at, raw.data(), qint64(raw.size())));
        memset(raw.data() + got, 0, raw.size() - size_t(got));
        for (int x = 0; x < count; ++x)
            out[x] = sample(raw.data() + x * bpc);
        return;
    }
    // Decoded whole, kept from `left`: runs cross any column.
    const size_t entry = size_t(qint64(channel) * height + row);
    const qint64 length =
        lengths[entry] > 0 && lengths[entry] <= raw.size() ? lengths[entry] : qint64(raw.size());
    const qint64 got = std::max<qint64>(0, bytes.read(offsets[entry], raw.data(), length));
    const uchar* p = raw.data();
    const uchar* const end = p + got;
    int x = 0;
    const auto keep = [&](uchar value) {
        if (x >= left && x < left + count)
            out[x - left] = value;
        ++x;
    };
    while (end - p >= bpc && x < left + count) {
        const int code = bpc == 1 ? p[0] : (p[0] << 8 | p[1]);
        p += bpc;
        int n = code & 0x7f;
        if (n == 0 || x + n > width)
            break;
        if (code & 0x80) {
            for (; n > 0 && end - p >= bpc; --n, p += bpc)
                keep(sample(p));
        } else {
            if (end - p < bpc)
                break;
            const uchar value = sample(p);
            p += bpc;
            for (; n > 0; --n)
                keep(value);
        }
        if (n > 0)
            break;
    }
    // A row that ends early keeps zeros in the rest, as SgiDecoder does.
    for (; x < left + count; ++x)
        if (x >= left)
            out[x - left] = 0;
}

bool SgiRowDecoder::readRow(int y, int left, int count, uchar* out) {
    const int c = header.channels;
    samples.resize(size_t(count) * size_t(c));
    const qint64 row = height - 1 - y; // the bottom row comes first
    for (int channel = 0; channel < c; ++channel)
        readChannel(row, channel, left, count, samples.data() + size_t(channel) * size_t(count));
    const uchar* s = samples.data();
    if (c == 1) {
        memcpy(out, s, size_t(count));
        return true;
    }
    auto* pixels = reinterpret_cast<QRgb*>(out);
    for (int x = 0; x < count; ++x) {
        const uchar v0 = s[x], v1 = s[count + x];
        switch (c) {
        case 2:
            pixels[x] = qRgba(v0, v0, v0, v1);
            break;
        case 3:
            pixels[x] = qRgb(v0, v1, s[2 * count + x]);
            break;
        default:
            pixels[x] = qRgba(v0, v1, s[2 * count + x], s[3 * count + x]);
            break;
        }
    }
    return true;
}
