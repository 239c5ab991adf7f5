#include "platform/imagesource/JpegSegments.h"

namespace {

uchar byteAt(const QByteArray& bytes, qsizetype offset) {
    return uchar(bytes.at(offset));
}

} // namespace

bool JpegSegments::isJpeg(const QByteArray& bytes, qsizetype offset) {
    return offset >= 0 && offset + 3 <= bytes.size() && byteAt(bytes, offset) == 0xFF &&
           byteAt(bytes, offset + 1) == 0xD8 && byteAt(bytes, offset + 2) == 0xFF;
}

QList<JpegSegments::Segment> JpegSegments::read(const QByteArray& bytes, qsizetype offset) {
    QList<Segment> segments;
    if (!isJpeg(bytes, offset))
        return segments;
    qsizetype position = offset + 2;
    while (position + 4 <= bytes.size()) {
        if (byteAt(bytes, position) != 0xFF)
            break;
        const uchar marker = byteAt(bytes, position + 1);
        if (marker == 0xFF) { // fill byte
            ++position;
            continue;
        }
        if (marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            position += 2; // markers without a length
            continue;
        }
        const qsizetype length = (qsizetype(byteAt(bytes, position + 2)) << 8) | byteAt(bytes, position + 3);
        if (length < 2 || position + 2 + length > bytes.size())
            break;
        segments.append(Segment{marker, position + 4, length - 2});
        if (marker == 0xDA)
            break;
        position += 2 + length;
    }
    return segments;
}

double JpegSegments::jfifDpi(const QByteArray& bytes, const QList<Segment>& segments, bool vertical) {
    for (const Segment& s : segments) {
        if (s.marker != 0xE0 || s.length < 12 || bytes.mid(s.offset, 5) != QByteArray("JFIF\0", 5))
            continue;
        const int unit = byteAt(bytes, s.offset + 7);
        const qsizetype at = s.offset + (vertical ? 10 : 8);
        const int density = (byteAt(bytes, at) << 8) | byteAt(bytes, at + 1);
        if (density == 0)
            return 0.0;
        if (unit == 1)
            return density;
        if (unit == 2)
            return density * 2.54;
        return 0.0;
    }
    return 0.0;
}
