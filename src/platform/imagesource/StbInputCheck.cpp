#include "platform/imagesource/StbInputCheck.h"

namespace {

// stb_image's own limit on a side; beyond it nothing decodes anyway.
constexpr qint64 maxSide = 1 << 24;

quint32 be(const QByteArray& b, qsizetype at, int size) {
    quint32 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | uchar(b.at(at + i));
    return v;
}

} // namespace

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
