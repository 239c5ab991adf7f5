#include "platform/imagesource/StbInputCheck.h"

#include <QList>

namespace {

// stb_image's own limit on a side; beyond it nothing decodes anyway.
constexpr qint64 maxSide = 1 << 24;

// The header lines, up to and including the resolution line; -1 when there is none.
qsizetype pixelDataStart(const QByteArray& bytes, int* width, int* height) {
    qsizetype position = 0;
    bool blankSeen = false;
    while (position < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', position);
        if (end < 0 || end - position > 4096)
            return -1;
        const QByteArray line = bytes.mid(position, end - position);
        position = end + 1;
        if (!blankSeen) {
            if (line.isEmpty())
                blankSeen = true;
            continue;
        }
        // The only orientation stb reads: "-Y height +X width".
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 4 || parts[0] != "-Y" || parts[2] != "+X")
            return -1;
        bool okH = false, okW = false;
        *height = parts[1].toInt(&okH);
        *width = parts[3].toInt(&okW);
        if (!okH || !okW || *width <= 0 || *height <= 0 || *width > maxSide || *height > maxSide)
            return -1;
        return position;
    }
    return -1;
}

quint32 be(const QByteArray& b, qsizetype at, int size) {
    quint32 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | uchar(b.at(at + i));
    return v;
}

} // namespace

bool StbInputCheck::radianceIsWhole(const QByteArray& bytes) {
    int width = 0, height = 0;
    qsizetype p = pixelDataStart(bytes, &width, &height);
    if (p < 0)
        return false;
    const qsizetype size = bytes.size();
    const qsizetype flatSize = qsizetype(width) * height * 4;
    auto byteAt = [&](qsizetype at) { return int(uchar(bytes.at(at))); };
    if (width < 8 || width >= 32768)
        return size - p >= flatSize; // flat pixels only
    for (int row = 0; row < height; ++row) {
        if (p + 4 > size)
            return false;
        if (byteAt(p) != 2 || byteAt(p + 1) != 2 || (byteAt(p + 2) & 0x80)) {
            // Not run-length coded: stb then reads the whole image flat from
            // the start of this row, over the rows it has decoded already.
            // Only a file that is flat from its first row comes out right.
            return row == 0 && size - p >= flatSize;
        }
        if (((byteAt(p + 2) << 8) | byteAt(p + 3)) != width)
            return false;
        p += 4;
        for (int component = 0; component < 4; ++component) {
            int x = 0;
            while (x < width) {
                if (p >= size)
                    return false;
                int count = byteAt(p++);
                if (count > 128) {
                    count -= 128;
                    if (count > width - x || p >= size)
                        return false;
                    ++p;
                } else {
                    if (count == 0 || count > width - x || p + count > size)
                        return false;
                    p += count;
                }
                x += count;
            }
        }
    }
    return true;
}

bool StbInputCheck::psdIsWhole(const QByteArray& b) {
    if (b.size() < 26)
        return false;
    const qint64 channels = be(b, 12, 2), height = be(b, 14, 4), width = be(b, 18, 4), depth = be(b, 22, 2);
    if (channels < 1 || channels > 16 || width > maxSide || height > maxSide || depth > 32)
        return false; // more than stb reads
    qint64 at = 26;
    for (int section = 0; section < 3; ++section) { // colour data, resources, layers
        if (at + 4 > b.size())
            return false;
        at += 4 + qint64(be(b, at, 4));
    }
    if (at + 2 > b.size())
        return false;
    const quint32 compression = be(b, at, 2);
    at += 2;
    if (compression == 0)
        return at + channels * height * ((width * depth + 7) / 8) <= b.size();
    if (compression != 1)
        return true; // stb refuses these itself
    const qint64 rows = channels * height;
    if (at + rows * 2 > b.size())
        return false;
    qint64 data = 0;
    for (qint64 row = 0; row < rows; ++row)
        data += be(b, at + row * 2, 2);
    return at + rows * 2 + data <= b.size();
}
