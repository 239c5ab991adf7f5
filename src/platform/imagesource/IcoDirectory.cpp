#include "platform/imagesource/IcoDirectory.h"

#include <QtEndian>
#include <cstring>

namespace {

quint32 be32(const char* p) {
    return qFromBigEndian<quint32>(p);
}

qint32 le32(const char* p) {
    return qFromLittleEndian<qint32>(p);
}

// 0 stands for 256 in the directory; larger sizes cannot be stated at all.
char sideByte(qint64 side) {
    return char(side >= 256 ? 0 : side);
}

} // namespace

QByteArray IcoDirectory::mended(const QByteArray& bytes) {
    if (bytes.size() < 6)
        return bytes;
    QByteArray out = bytes;
    const int count = qFromLittleEndian<quint16>(bytes.constData() + 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + qsizetype(i) * 16;
        if (entry + 16 > bytes.size())
            break;
        const quint32 offset = qFromLittleEndian<quint32>(bytes.constData() + entry + 12);
        if (offset >= quint32(bytes.size()))
            continue;
        const qsizetype available = bytes.size() - qsizetype(offset);
        const quint32 stated = qFromLittleEndian<quint32>(bytes.constData() + entry + 8);
        const char* image = bytes.constData() + offset;
        qint64 width = -1;
        qint64 height = -1;
        if (available >= 24 && memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0 &&
            memcmp(image + 12, "IHDR", 4) == 0) {
            width = be32(image + 16);
            height = be32(image + 20);
        } else if (available >= 40 && le32(image) >= 40) {
            width = le32(image + 4);
            height = le32(image + 8) / 2; // the colour rows, then the mask's
            if (height < 0)
                height = -height;
        }
        if (width <= 0 || height <= 0)
            continue;
        out[entry] = sideByte(width);
        out[entry + 1] = sideByte(height);
        if (stated > quint32(available)) {
            const quint32 size = quint32(available);
            qToLittleEndian<quint32>(size, out.data() + entry + 8);
        }
    }
    return out;
}
