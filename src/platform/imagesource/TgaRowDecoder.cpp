#include "platform/imagesource/TgaRowDecoder.h"

#include "platform/imagesource/DecodeLimits.h"

#include <cstring>

namespace {

quint32 le16(const uchar* p) {
    return quint32(p[0] | p[1] << 8);
}

} // namespace

std::unique_ptr<RowDecoder> TgaRowDecoder::open(const EncodedBytes& bytes) {
    std::unique_ptr<TgaRowDecoder> decoder(new TgaRowDecoder(bytes));
    if (!decoder->readHeader())
        decoder.reset();
    return decoder;
}

bool TgaRowDecoder::readHeader() {
    const QByteArray& head = bytes.head();
    if (head.size() < 18)
        return false;
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    const int mapType = p[1], imageType = p[2];
    const int kind = imageType & 7;
    rle = imageType & 8;
    if (mapType > 1 || imageType > 11 || kind < 1 || kind > 3)
        return false;
    mapped = kind == 1;
    grey = kind == 3;
    width = int(le16(p + 12));
    height = int(le16(p + 14));
    bits = p[16];
    alphaBits = p[17] & 15;
    rightToLeft = p[17] & 0x10;
    topDown = p[17] & 0x20;
    const int mapFirst = int(le16(p + 3)), mapLength = int(le16(p + 5)), mapBits = p[7];
    const int mapEntry = (mapBits + 7) / 8;
    dataOffset = 18 + p[0] + (mapType == 1 ? qint64(mapLength) * mapEntry : 0);
    if (mapped) {
        if (mapType != 1 || bits != 8 ||
            (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) ||
            dataOffset > head.size())
            return false;
        // The map's entries are colours of mapBits: read them as such.
        const int imageBits = bits;
        bits = mapBits;
        palette.fill(qRgb(0, 0, 0), 256);
        for (int i = 0; i < mapLength; ++i)
            if (mapFirst + i < 256)
                palette[mapFirst + i] = colour(p + 18 + p[0] + qint64(i) * mapEntry);
        bits = imageBits;
    } else if (grey ? bits != 8 && bits != 16
                    : bits != 15 && bits != 16 && bits != 24 && bits != 32) {
        return false;
    }
    pixelBytes = (bits + 7) / 8;
    const int colourBits = mapped ? mapBits : bits;
    alpha = grey ? bits == 16 : (colourBits == 32 || (colourBits == 16 && alphaBits > 0));
    pixelFormat = grey && !alpha ? QImage::Format_Grayscale8
                  : alpha        ? QImage::Format_ARGB32
                                 : QImage::Format_RGB32;
    model = grey ? QStringLiteral("Gray") : QStringLiteral("RGB");
    wholeBytesPerPixel = 4;
    if (width == 0 || height == 0)
        return false;
    const qint64 stride = qint64(width) * pixelBytes;
    // Uncompressed: refused when fewer than half the rows are there. Run-length
    // coded data is judged once its rows are found.
    if (!rle && bytes.size() - dataOffset < stride * height / 2)
        return false;
    // Coded data takes at least a packet of 128 pixels a packet's byte and
    // pixel: a header claiming far more than that is refused too.
    const qint64 leastCoded = (qint64(width) * height + 127) / 128 * (1 + pixelBytes);
    if (rle && bytes.size() - dataOffset < leastCoded / 2)
        return false;
    raw.resize(size_t(stride));
    return true;
}

QRgb TgaRowDecoder::colour(const uchar* p) const {
    switch (bits) {
    case 8:
        return qRgb(p[0], p[0], p[0]);
    case 15:
    case 16: {
        const quint32 v = le16(p);
        const bool opaque = bits == 15 || alphaBits == 0 || (v & 0x8000);
        return qRgba(widened(v >> 10 & 31, 5), widened(v >> 5 & 31, 5), widened(v & 31, 5),
                     opaque ? 255 : 0);
    }
    case 24:
        return qRgb(p[2], p[1], p[0]);
    default:
        return qRgba(p[2], p[1], p[0], p[3]);
    }
}

bool TgaRowDecoder::indexRows() {
    if (indexed)
        return indexUsable;
    indexed = true;
    if (!DecodeLimits::allowsWork(qint64(height + 1) * qint64(sizeof(RowStart))))
        return false;
    starts.resize(size_t(height) + 1);
    EncodedBytes::Reader reader(bytes);
    reader.seek(dataOffset);
    RowStart state;
    state.offset = dataOffset;
    int reached = 0;
    for (; reached <= height; ++reached) {
        state.offset = reader.position();
        starts[size_t(reached)] = state;
        if (reached == height)
            break;
        int due = width;
        while (due > 0) {
            if (state.pending == 0) {
                uchar packet = 0;
                if (reader.read(&packet, 1) != 1)
                    break;
                state.run = packet & 0x80;
                state.pending = (packet & 0x7f) + 1;
                if (state.run && reader.read(state.value, pixelBytes) != pixelBytes)
                    break;
            }
            const int take = std::min(due, state.pending);
            if (!state.run)
                reader.seek(reader.position() + qint64(take) * pixelBytes);
            state.pending -= take;
            due -= take;
        }
        if (due > 0 || reader.position() > bytes.size())
            break; // the data ends in this row: it and the rest come out short
    }
    // Rows the data never reaches start at its end.
    for (int row = reached + 1; row <= height; ++row)
        starts[size_t(row)] = RowStart{bytes.size(), 0, false, {}};
    indexUsable = reached >= height / 2;
    return indexUsable;
}

void TgaRowDecoder::expandRow(qint64 row) {
    const RowStart& start = starts[size_t(row)];
    const qint64 length = std::clamp<qint64>(starts[size_t(row) + 1].offset - start.offset, 0,
                                             qint64(width) * (pixelBytes + 1));
    packed.resize(size_t(length));
    const qint64 got = std::max<qint64>(0, bytes.read(start.offset, packed.data(), length));
    const uchar* p = packed.data();
    const uchar* end = p + got;
    uchar* to = raw.data();
    uchar* const full = to + raw.size();
    int pending = start.pending;
    bool run = start.run;
    uchar value[4];
    memcpy(value, start.value, 4);
    while (to < full) {
        if (pending == 0) {
            if (p >= end)
                break;
            run = *p & 0x80;
            pending = (*p++ & 0x7f) + 1;
            if (run) {
                if (end - p < pixelBytes)
                    break;
                memcpy(value, p, size_t(pixelBytes));
                p += pixelBytes;
            }
        }
        const int take = int(std::min<qint64>(pending, (full - to) / pixelBytes));
        if (run) {
            for (int i = 0; i < take; ++i, to += pixelBytes)
                memcpy(to, value, size_t(pixelBytes));
        } else {
            const qint64 have = std::min<qint64>(qint64(take) * pixelBytes, end - p);
            memcpy(to, p, size_t(have));
            p += have, to += have;
            if (have < qint64(take) * pixelBytes)
                break;
        }
        pending -= take;
    }
    memset(to, 0, size_t(full - to));
}

bool TgaRowDecoder::readRow(int y, int left, int count, uchar* out) {
    const qint64 row = topDown ? y : height - 1 - y;
    // A row stored right to left is read whole and taken from its end.
    const int first = rightToLeft ? width - left - count : left;
    const uchar* p = raw.data();
    if (rle) {
        if (!indexRows())
            return false;
        expandRow(row);
        p += qint64(first) * pixelBytes;
    } else {
        const qint64 length = qint64(count) * pixelBytes;
        const qint64 at = dataOffset + row * width * pixelBytes + qint64(first) * pixelBytes;
        const qint64 got = std::max<qint64>(0, bytes.read(at, raw.data(), length));
        memset(raw.data() + got, 0, size_t(length - got));
    }
    for (int i = 0; i < count; ++i) {
        const uchar* q = p + qint64(rightToLeft ? count - 1 - i : i) * pixelBytes;
        if (grey && !alpha)
            out[i] = q[0];
        else if (grey)
            reinterpret_cast<QRgb*>(out)[i] = qRgba(q[0], q[0], q[0], q[1]);
        else
            reinterpret_cast<QRgb*>(out)[i] = mapped ? palette[q[0]] : colour(q);
    }
    return true;
}
