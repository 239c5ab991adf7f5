#include "platform/imagesource/MpoIndex.h"

#include "platform/imagesource/JpegSegments.h"

namespace {

// Far more than any camera writes; bounds the work for hostile indexes.
constexpr quint32 maxEntries = 1024;

class TiffReader {
public:
    TiffReader(const QByteArray& bytes, qsizetype base, qsizetype end) : bytes(bytes), base(base), end(end) {}
    bool readOrder() {
        if (!inside(0, 4))
            return false;
        const QByteArray order = bytes.mid(base, 2);
        if (order == "II")
            little = true;
        else if (order == "MM")
            little = false;
        else
            return false;
        return u16(2) == 42;
    }
    bool inside(qsizetype offset, qsizetype length) const {
        return offset >= 0 && length >= 0 && base + offset + length <= end;
    }
    quint32 u32(qsizetype offset) const {
        if (!inside(offset, 4))
            return 0;
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + base + offset);
        return little ? quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24)
                      : (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
    }
    quint16 u16(qsizetype offset) const {
        if (!inside(offset, 2))
            return 0;
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + base + offset);
        return little ? quint16(p[0] | (p[1] << 8)) : quint16((p[0] << 8) | p[1]);
    }
    const QByteArray& bytes;
    qsizetype base;
    qsizetype end;
    bool little = true;
};

bool isPreview(quint32 type) {
    return type == 0x010001 || type == 0x010002; // large thumbnails, class 1 and 2
}

} // namespace

QList<MpoIndex::Entry> MpoIndex::read(const QByteArray& bytes) {
    QList<Entry> entries;
    for (const JpegSegments::Segment& s : JpegSegments::read(bytes)) {
        if (s.marker != 0xE2 || s.length < 12 || bytes.mid(s.offset, 4) != QByteArray("MPF\0", 4))
            continue;
        // Offsets in the index count from the TIFF header inside the segment.
        TiffReader tiff(bytes, s.offset + 4, s.offset + s.length);
        if (!tiff.readOrder())
            return entries;
        const qsizetype ifd = tiff.u32(4);
        const int fields = tiff.u16(ifd);
        if (!tiff.inside(ifd + 2, qsizetype(fields) * 12))
            return entries;
        quint32 tableOffset = 0, tableLength = 0;
        for (int i = 0; i < fields; ++i) {
            const qsizetype field = ifd + 2 + qsizetype(i) * 12;
            if (tiff.u16(field) == 0xB002) { // MP Entry
                tableLength = tiff.u32(field + 4);
                tableOffset = tiff.u32(field + 8);
            }
        }
        const quint32 count = std::min(tableLength / 16, maxEntries);
        if (count == 0 || !tiff.inside(tableOffset, qsizetype(count) * 16))
            return entries;
        for (quint32 i = 0; i < count; ++i) {
            const qsizetype e = qsizetype(tableOffset) + qsizetype(i) * 16;
            Entry entry;
            entry.type = tiff.u32(e) & 0xffffff;
            entry.length = tiff.u32(e + 4);
            const quint32 offset = tiff.u32(e + 8);
            // The first picture is the file itself; the others count from the index.
            entry.offset = i == 0 ? 0 : tiff.base + qsizetype(offset);
            if (i > 0 && offset == 0)
                continue;
            if (entry.length <= 0 || entry.offset + entry.length > bytes.size() ||
                !JpegSegments::isJpeg(bytes, entry.offset))
                continue;
            entries.append(entry);
        }
        return entries;
    }
    return entries;
}

QList<MpoIndex::Entry> MpoIndex::pictures(const QByteArray& bytes) {
    QList<Entry> entries = read(bytes);
    entries.removeIf([](const Entry& e) { return isPreview(e.type); });
    return entries;
}
