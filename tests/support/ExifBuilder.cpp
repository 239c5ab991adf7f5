#include "support/ExifBuilder.h"

#include <algorithm>

QByteArray ExifBuilder::word(quint32 value, int bytes) const {
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * (big ? bytes - 1 - i : i))) & 0xff);
    return out;
}

ExifBuilder& ExifBuilder::number(quint16 tag, quint16 value) {
    entries.append({tag, 3, 1, word(value, 2)});
    return *this;
}

ExifBuilder& ExifBuilder::text(quint16 tag, const QByteArray& value) {
    const QByteArray data = value + '\0';
    entries.append({tag, 2, quint32(data.size()), data});
    return *this;
}

QByteArray ExifBuilder::tiff() const {
    QList<Entry> sorted = entries;
    std::sort(sorted.begin(), sorted.end(),
              [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    QByteArray out = QByteArray(big ? "MM" : "II", 2) + word(42, 2) + word(8, 4) +
                     word(quint32(sorted.size()), 2);
    QByteArray data;
    const quint32 dataStart = quint32(8 + 2 + 12 * sorted.size() + 4);
    for (const Entry& e : sorted) {
        out += word(e.tag, 2) + word(e.type, 2) + word(e.count, 4);
        if (e.data.size() <= 4) {
            out += e.data + QByteArray(4 - e.data.size(), '\0');
        } else {
            out += word(dataStart + quint32(data.size()), 4);
            data += e.data;
        }
    }
    return out + word(0, 4) + data;
}

QByteArray ExifBuilder::intoJpeg(const QByteArray& jpeg, const QByteArray& tiff) {
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    const QByteArray segment =
        QByteArray("\xff\xe1", 2) + char(length >> 8) + char(length & 0xff) + payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}
