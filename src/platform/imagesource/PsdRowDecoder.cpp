#include "platform/imagesource/PsdRowDecoder.h"

#include "platform/imagesource/DecodeLimits.h"

#include <cstring>

namespace {

quint64 be(const uchar* p, int size) {
    quint64 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | p[i];
    return v;
}

// stb_image's removal of the white matte, at the samples' own depth.
quint16 unmatted(quint16 value, quint16 alpha, float max) {
    if (alpha == 0 || alpha == quint16(max))
        return value;
    const float inverse = max / float(alpha);
    const float v = float(value) * inverse + max * (1 - inverse);
    return quint16(std::clamp(v, 0.0f, max));
}

} // namespace

std::unique_ptr<RowDecoder> PsdRowDecoder::open(const EncodedBytes& bytes) {
    std::unique_ptr<PsdRowDecoder> decoder(new PsdRowDecoder(bytes));
    if (!decoder->readHeader())
        decoder.reset();
    return decoder;
}

bool PsdRowDecoder::readHeader() {
    const QByteArray& head = bytes.head();
    if (head.size() < 26 || !head.startsWith("8BPS"))
        return false;
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    const int version = int(be(p + 4, 2));
    const int channels = int(be(p + 12, 2));
    const quint64 h = be(p + 14, 4), w = be(p + 18, 4);
    const int depth = int(be(p + 22, 2));
    mode = int(be(p + 24, 2));
    if ((version != 1 && version != 2) || (depth != 8 && depth != 16) || channels < 1 ||
        channels > 56 || !DecodeLimits::allowsSize(qint64(w), qint64(h)))
        return false;
    colours = mode == 1 ? 1 : mode == 3 ? 3 : mode == 4 ? 4 : 0;
    if (colours == 0 || channels < colours)
        return false;
    width = int(w), height = int(h);
    alpha = channels > colours;
    used = colours + (alpha ? 1 : 0);
    sampleBytes = depth / 8;
    rowBytes = qint64(width) * sampleBytes;
    pixelFormat = alpha       ? QImage::Format_ARGB32
                  : mode == 1 ? QImage::Format_Grayscale8
                              : QImage::Format_RGB32;
    sampleBits = depth;
    model = mode == 1   ? QStringLiteral("Gray")
            : mode == 3 ? QStringLiteral("RGB")
                        : QStringLiteral("CMYK");
    wholeBytesPerPixel = 4 * sampleBytes; // stb_image's RGBA at the file's depth

    // Past the colour mode data, the resources and the layers (a longer
    // length in a PSB), which may be far beyond the head.
    qint64 at = 26;
    for (int section = 0; section < 3; ++section) {
        const int lengthBytes = section == 2 && version == 2 ? 8 : 4;
        uchar length[8];
        if (bytes.read(at, length, lengthBytes) != lengthBytes)
            return false;
        const quint64 n = be(length, lengthBytes);
        if (n > quint64(bytes.size()))
            return false;
        at += lengthBytes + qint64(n);
    }
    uchar compression[2];
    if (bytes.read(at, compression, 2) != 2 || compression[0] != 0 || compression[1] > 1)
        return false;
    rle = compression[1] == 1;
    at += 2;
    const qint64 usedRows = qint64(used) * height;
    if (!rle) {
        dataOffset = at;
        return bytes.size() - at >= usedRows * rowBytes / 2;
    }
    // The table holds every channel's rows; those shown come first.
    const int entry = version == 2 ? 4 : 2;
    if (!DecodeLimits::allowsWork(usedRows * (entry + 8)))
        return false;
    std::vector<uchar> table(size_t(usedRows * entry));
    if (bytes.read(at, table.data(), qint64(table.size())) != qint64(table.size()))
        return false;
    offsets.resize(size_t(usedRows) + 1);
    qint64 offset = at + qint64(channels) * height * entry;
    qint64 missing = 0;
    for (qint64 i = 0; i < usedRows; ++i) {
        offsets[size_t(i)] = offset;
        missing += offset >= bytes.size();
        offset += qint64(be(table.data() + i * entry, entry));
    }
    offsets[size_t(usedRows)] = offset;
    return missing <= usedRows / 2;
}

const uchar* PsdRowDecoder::channelRow(int channel, int y, int left, int count) {
    const qint64 row = qint64(channel) * height + y;
    std::vector<uchar>& plane = planes[size_t(channel)];
    plane.resize(size_t(rowBytes));
    if (!rle) {
        const qint64 length = qint64(count) * sampleBytes;
        const qint64 got =
            std::max<qint64>(0, bytes.read(dataOffset + row * rowBytes + qint64(left) * sampleBytes,
                                           plane.data(), length));
        memset(plane.data() + got, 0, size_t(length - got));
        return plane.data();
    }
    // PackBits, decoded whole: runs cross any column.
    const qint64 length =
        std::clamp<qint64>(offsets[size_t(row) + 1] - offsets[size_t(row)], 0, rowBytes * 2 + 2);
    packed.resize(size_t(length));
    const qint64 got = std::max<qint64>(0, bytes.read(offsets[size_t(row)], packed.data(), length));
    const uchar* in = packed.data();
    const uchar* const end = in + got;
    uchar* to = plane.data();
    uchar* const full = to + rowBytes;
    while (in < end && to < full) {
        const int n = *in++;
        if (n < 128) {
            const qint64 copy = std::min<qint64>({n + 1, end - in, full - to});
            memcpy(to, in, size_t(copy));
            in += copy, to += copy;
        } else if (n > 128 && in < end) {
            const qint64 repeat = std::min<qint64>(257 - n, full - to);
            memset(to, *in++, size_t(repeat));
            to += repeat;
        }
    }
    memset(to, 0, size_t(full - to));
    return plane.data() + qint64(left) * sampleBytes;
}

bool PsdRowDecoder::readRow(int y, int left, int count, uchar* out) {
    const uchar* rows[5];
    for (int c = 0; c < used; ++c)
        rows[c] = channelRow(c, y, left, count);
    auto* pixels = reinterpret_cast<QRgb*>(out);
    // The common case, 8-bit RGB without alpha, in a loop of its own.
    if (sampleBytes == 1 && mode == 3 && !alpha) {
        for (int x = 0; x < count; ++x)
            pixels[x] = qRgb(rows[0][x], rows[1][x], rows[2][x]);
        return true;
    }
    samples.resize(size_t(count) * size_t(used));
    for (int c = 0; c < used; ++c) {
        quint16* to = samples.data() + size_t(c) * size_t(count);
        const uchar* p = rows[c];
        for (int x = 0; x < count; ++x)
            to[x] = sampleBytes == 1 ? p[x] : quint16(p[2 * x] << 8 | p[2 * x + 1]);
    }
    const float max = sampleBytes == 1 ? 255.0f : 65535.0f;
    const auto eight = [&](quint32 v) { return sampleBytes == 1 ? uchar(v) : to8(v); };
    const quint16* s = samples.data();
    const quint16* a = alpha ? s + size_t(colours) * size_t(count) : nullptr;
    for (int x = 0; x < count; ++x) {
        const quint16 opacity = a ? a[x] : quint16(max);
        quint32 r, g, b;
        if (mode == 1) {
            r = g = b = s[x];
        } else if (mode == 3) {
            r = s[x], g = s[count + x], b = s[2 * count + x];
        } else { // CMYK, stored as 1 - ink
            const quint32 k = s[3 * count + x];
            const quint32 m = quint32(max);
            r = (s[x] * k + m / 2) / m, g = (s[count + x] * k + m / 2) / m,
            b = (s[2 * count + x] * k + m / 2) / m;
        }
        if (a) {
            r = unmatted(quint16(r), opacity, max);
            g = unmatted(quint16(g), opacity, max);
            b = unmatted(quint16(b), opacity, max);
            pixels[x] = qRgba(eight(r), eight(g), eight(b), eight(opacity));
        } else if (mode == 1) {
            out[x] = eight(r);
        } else {
            pixels[x] = qRgb(eight(r), eight(g), eight(b));
        }
    }
    return true;
}
