#include "platform/imagesource/BmpRowDecoder.h"

#include "platform/imagesource/DecodeLimits.h"

#include <cstring>

namespace {

quint32 le(const uchar* p, int size) {
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

std::unique_ptr<RowDecoder> BmpRowDecoder::open(const EncodedBytes& bytes) {
    std::unique_ptr<BmpRowDecoder> decoder(new BmpRowDecoder(bytes));
    if (!decoder->readHeader())
        decoder.reset();
    return decoder;
}

uchar BmpRowDecoder::Channel::of(quint32 pixel) const {
    // Shifted into place rather than spread over the range, as Qt's reader does.
    const quint32 value = (pixel & mask) >> shift;
    return uchar(bits >= 8 ? value >> (bits - 8) : value << (8 - bits));
}

bool BmpRowDecoder::readHeader() {
    const QByteArray& head = bytes.head();
    if (head.size() < 26 || !head.startsWith("BM"))
        return false;
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    dataOffset = le(p + 10, 4);
    const quint32 infoSize = le(p + 14, 4);
    quint32 compression = 0, colours = 0;
    qint64 h = 0;
    if (infoSize == 12) { // the old OS/2 header: 16-bit sizes, 3-byte palette entries
        width = int(le(p + 18, 2));
        h = le(p + 20, 2);
        bits = int(le(p + 24, 2));
    } else if (infoSize >= 40 && infoSize <= 124 && head.size() >= 54) {
        width = qint32(le(p + 18, 4));
        h = qint32(le(p + 22, 4));
        bits = int(le(p + 28, 2));
        compression = le(p + 30, 4);
        colours = le(p + 46, 4);
    } else {
        return false;
    }
    topDown = h < 0;
    if (h < 0)
        h = -h;
    if (!DecodeLimits::allowsSize(width, h))
        return false;
    height = int(h);
    // BI_RGB, BI_BITFIELDS / BI_ALPHABITFIELDS at 16 and 32 bits, RLE8 and
    // RLE4 (stored bottom-up only).
    const bool masked = (compression == 3 || compression == 6) && (bits == 16 || bits == 32);
    rle = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    if ((compression != 0 && !masked && !rle) || (rle && topDown))
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    stride = (qint64(width) * bits + 31) / 32 * 4;

    const qint64 paletteAt =
        14 + qint64(infoSize) + (masked && infoSize == 40 ? (compression == 6 ? 16 : 12) : 0);
    if (bits <= 8) {
        const int entry = infoSize == 12 ? 3 : 4;
        const qint64 count = colours > 0 && colours <= (1u << bits) ? colours : (1 << bits);
        if (paletteAt + count * entry > head.size())
            return false;
        palette.fill(qRgb(0, 0, 0), 1 << bits);
        for (int i = 0; i < count; ++i) {
            const uchar* e = p + paletteAt + i * entry;
            palette[i] = qRgb(e[2], e[1], e[0]);
        }
    } else {
        quint32 masks[4] = {0, 0, 0, 0};
        if (masked) {
            const qint64 at = 14 + 40;
            const int count = compression == 6 || infoSize >= 56 ? 4 : 3;
            if (at + 4 * count > head.size())
                return false;
            for (int i = 0; i < count; ++i)
                masks[i] = le(p + at + 4 * i, 4);
        } else if (bits == 16) {
            masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
        } else {
            masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff;
            // A version 4 or 5 header may name an alpha mask even here.
            if (infoSize >= 56 && head.size() >= 70)
                masks[3] = le(p + 66, 4);
        }
        Channel* channels[4] = {&red, &green, &blue, &opacity};
        for (int i = 0; i < 4; ++i) {
            Channel& c = *channels[i];
            c.mask = masks[i];
            if (c.mask == 0)
                continue;
            while (!(c.mask >> c.shift & 1))
                ++c.shift;
            while (c.shift + c.bits < 32 && (c.mask >> (c.shift + c.bits) & 1))
                ++c.bits;
        }
    }
    alpha = opacity.mask != 0;
    pixelFormat = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    // As Qt's reader reports it: 1 bit grey, 4 and 8 bits through a palette
    // as 8-bit colour, 16 bits and more as 8 bits a channel.
    sampleBits = bits == 1 ? 1 : 8;
    model = bits == 1 ? QStringLiteral("Gray") : QStringLiteral("RGB");
    wholeBytesPerPixel = bits <= 8 ? 1 : 4;
    // Refused when fewer than half the rows are there: coded rows take at
    // least their two bytes of end of line.
    if (dataOffset < 14 || bytes.size() - dataOffset < (rle ? qint64(height) : stride * height / 2))
        return false;
    raw.resize(size_t(std::max<qint64>(stride, width)));
    return true;
}

bool BmpRowDecoder::indexRows() {
    if (indexed)
        return indexUsable;
    indexed = true;
    if (!DecodeLimits::allowsWork(qint64(height) * qint64(sizeof(RowSpan))))
        return false;
    spans.assign(size_t(height), RowSpan());
    EncodedBytes::Reader reader(bytes);
    reader.seek(dataOffset);
    int row = 0, x = 0;
    spans[0].offset = dataOffset;
    // The current row ends here; the codes go on at `next` (if still inside the image).
    const auto moveOn = [&](int rows, int column) {
        spans[size_t(row)].end = reader.position();
        row += rows;
        x = column;
        if (row < height)
            spans[size_t(row)] = RowSpan{reader.position(), -1, x};
    };
    bool whole = false;
    uchar code[2];
    while (row < height) {
        if (reader.read(code, 2) != 2) {
            spans[size_t(row)].end = reader.position();
            break;
        }
        if (code[0] > 0) {
            x += code[0];
        } else if (code[1] == 0) {
            moveOn(1, 0);
        } else if (code[1] == 1) {
            moveOn(height, 0);
            whole = true;
        } else if (code[1] == 2) {
            uchar delta[2];
            if (reader.read(delta, 2) != 2)
                continue; // ends the pass at the next read
            if (delta[1] > 0)
                moveOn(delta[1], x + delta[0]);
            else
                x += delta[0];
        } else {
            const int n = rle && bits == 8 ? code[1] : (code[1] + 1) / 2;
            reader.seek(reader.position() + ((n + 1) & ~1));
            x += code[1];
        }
    }
    indexUsable = whole || row >= height / 2;
    return indexUsable;
}

void BmpRowDecoder::expandRow(qint64 row) {
    uchar* indices = raw.data();
    memset(indices, 0, size_t(width));
    const RowSpan& span = spans[size_t(row)];
    if (span.offset < 0)
        return; // skipped by a delta: the first colour, as Qt's reader leaves it
    // No row takes more than two bytes a pixel; deltas beyond that are ignored.
    const qint64 length = std::clamp<qint64>(span.end - span.offset, 0, 2 * qint64(width) + 16);
    packed.resize(size_t(length));
    const qint64 got = std::max<qint64>(0, bytes.read(span.offset, packed.data(), length));
    const uchar* p = packed.data();
    const uchar* const end = p + got;
    const bool four = bits == 4;
    qint64 x = span.x;
    const auto put = [&](int index) {
        if (x < width)
            indices[x] = uchar(index);
        ++x;
    };
    while (end - p >= 2 && x < width) {
        const int n = p[0], c = p[1];
        p += 2;
        if (n > 0) {
            for (int i = 0; i < n; ++i)
                put(four ? (i & 1 ? c & 15 : c >> 4) : c);
        } else if (c < 2) {
            break;
        } else if (c == 2) {
            if (end - p < 2 || p[1] > 0)
                break;
            x += p[0];
            p += 2;
        } else {
            const qint64 stored = four ? (c + 1) / 2 : c;
            const int available = int(std::min<qint64>(c, four ? 2 * (end - p) : end - p));
            for (int i = 0; i < available; ++i)
                put(four ? (i & 1 ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            p += std::min<qint64>((stored + 1) & ~1, end - p);
        }
    }
}

bool BmpRowDecoder::readRow(int y, int left, int count, uchar* out) {
    const qint64 row = topDown ? y : height - 1 - y;
    if (rle) {
        if (!indexRows())
            return false;
        expandRow(row);
        auto* pixels = reinterpret_cast<QRgb*>(out);
        for (int i = 0; i < count; ++i)
            pixels[i] = palette[raw[size_t(left + i)]];
        return true;
    }
    const qint64 first = qint64(left) * bits / 8;
    const qint64 last = (qint64(left + count) * bits + 7) / 8;
    const qint64 got = bytes.read(dataOffset + row * stride + first, raw.data(), last - first);
    memset(raw.data() + std::max<qint64>(got, 0), 0,
           size_t(last - first - std::max<qint64>(got, 0)));
    auto* pixels = reinterpret_cast<QRgb*>(out);
    const uchar* q = raw.data();
    // A loop for each depth: the common ones stay tight.
    if (bits == 24) {
        for (int i = 0; i < count; ++i, q += 3)
            pixels[i] = qRgb(q[2], q[1], q[0]);
    } else if (bits == 8) {
        for (int i = 0; i < count; ++i)
            pixels[i] = palette[q[i]];
    } else if (bits < 8) {
        const int mask = (1 << bits) - 1;
        for (int i = 0; i < count; ++i) {
            const qint64 bit = (left + i) * qint64(bits) - first * 8;
            pixels[i] = palette[(q[bit / 8] >> (8 - bits - bit % 8)) & mask];
        }
    } else {
        const int bytesPer = bits / 8;
        for (int i = 0; i < count; ++i, q += bytesPer) {
            const quint32 v = le(q, bytesPer);
            pixels[i] = qRgba(red.of(v), green.of(v), blue.of(v), alpha ? opacity.of(v) : 255);
        }
    }
    return true;
}
