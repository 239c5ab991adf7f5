#include "platform/imagesource/SgiDecoder.h"

#include "platform/imagesource/DecodeLimits.h"

#include <vector>

namespace {

constexpr int headerSize = 512;

quint32 be32(const uchar* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint16 be16(const uchar* p) {
    return quint16((p[0] << 8) | p[1]);
}

// One channel of one row into values (16-bit slots whatever the depth).
// False when the row's data is damaged.
bool readRow(const QByteArray& bytes, const SgiDecoder::Header& h, int row, int channel, quint16* values) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    const int bpc = h.bytesPerChannel;
    if (!h.rle) {
        const qsizetype offset =
            headerSize + (qsizetype(channel) * h.height + row) * qsizetype(h.width) * bpc;
        if (offset + qsizetype(h.width) * bpc > size)
            return false;
        const uchar* p = data + offset;
        for (int x = 0; x < h.width; ++x)
            values[x] = bpc == 1 ? quint16(p[x]) : be16(p + 2 * x);
        return true;
    }
    const qsizetype tableEntry = headerSize + 4 * (qsizetype(channel) * h.height + row);
    qsizetype position = be32(data + tableEntry);
    if (position < headerSize || position >= size)
        return false;
    int x = 0;
    for (;;) {
        if (position + bpc > size)
            return false;
        const int code = bpc == 1 ? data[position] : be16(data + position);
        position += bpc;
        const int count = code & 0x7f;
        if (count == 0)
            break;
        if (x + count > h.width)
            return false;
        if (code & 0x80) {
            if (position + qsizetype(count) * bpc > size)
                return false;
            for (int i = 0; i < count; ++i, position += bpc)
                values[x++] = bpc == 1 ? quint16(data[position]) : be16(data + position);
        } else {
            if (position + bpc > size)
                return false;
            const quint16 value = bpc == 1 ? quint16(data[position]) : be16(data + position);
            position += bpc;
            for (int i = 0; i < count; ++i)
                values[x++] = value;
        }
    }
    // A row that ends early keeps zeros in the rest, as other readers do.
    for (; x < h.width; ++x)
        values[x] = 0;
    return true;
}

} // namespace

bool SgiDecoder::readHeader(const QByteArray& bytes, Header* header, qint64 size) {
    if (bytes.size() < headerSize)
        return false;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    if (be16(p) != 474)
        return false;
    const int storage = p[2];
    const int bpc = p[3];
    const int dimension = be16(p + 4);
    Header h;
    h.width = be16(p + 6);
    h.height = dimension == 1 ? 1 : be16(p + 8);
    h.channels = dimension == 3 ? be16(p + 10) : 1;
    h.bytesPerChannel = bpc;
    h.rle = storage == 1;
    const quint32 colormap = be32(p + 104);
    if (storage > 1 || (bpc != 1 && bpc != 2) || dimension < 1 || dimension > 3 || colormap != 0)
        return false;
    if (h.width == 0 || h.height == 0 || h.channels < 1 || h.channels > 4)
        return false;
    if (h.rle) {
        // The two offset tables must be there.
        const qint64 tables = 8 * qint64(h.height) * h.channels;
        if (headerSize + tables > (size < 0 ? bytes.size() : size))
            return false;
    }
    if (header)
        *header = h;
    return true;
}

QImage SgiDecoder::decode(const QByteArray& bytes) {
    Header h;
    if (!readHeader(bytes, &h))
        return QImage();
    const bool deep = h.bytesPerChannel == 2;
    const bool alpha = h.channels == 2 || h.channels == 4;
    QImage::Format format;
    if (h.channels == 1)
        format = deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8;
    else if (deep)
        format = alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
    else
        format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const int bpp = QImage::toPixelFormat(format).bitsPerPixel() / 8;
    if (!DecodeLimits::allows(h.width, h.height, bpp))
        return QImage();
    QImage image(h.width, h.height, format);
    if (image.isNull())
        return image;

    std::vector<quint16> rows(size_t(h.width) * size_t(h.channels));
    for (int y = 0; y < h.height; ++y) {
        for (int c = 0; c < h.channels; ++c) {
            if (!readRow(bytes, h, y, c, rows.data() + size_t(c) * size_t(h.width)))
                return QImage();
        }
        // SGI stores the bottom row first.
        uchar* line = image.scanLine(h.height - 1 - y);
        const quint16* ch0 = rows.data();
        const quint16* ch1 = ch0 + h.width;
        const quint16* ch2 = ch1 + h.width;
        const quint16* ch3 = ch2 + h.width;
        for (int x = 0; x < h.width; ++x) {
            quint16 r, g, b, a;
            switch (h.channels) {
            case 1: r = g = b = ch0[x]; a = 0xffff; break;
            case 2: r = g = b = ch0[x]; a = ch1[x]; break;
            case 3: r = ch0[x]; g = ch1[x]; b = ch2[x]; a = 0xffff; break;
            default: r = ch0[x]; g = ch1[x]; b = ch2[x]; a = ch3[x]; break;
            }
            if (h.channels == 1) {
                if (deep)
                    reinterpret_cast<quint16*>(line)[x] = r;
                else
                    line[x] = uchar(r);
            } else if (deep) {
                reinterpret_cast<QRgba64*>(line)[x] = QRgba64::fromRgba64(r, g, b, alpha ? a : 0xffff);
            } else {
                reinterpret_cast<QRgb*>(line)[x] = qRgba(r & 0xff, g & 0xff, b & 0xff, alpha ? (a & 0xff) : 255);
            }
        }
    }
    return image;
}
