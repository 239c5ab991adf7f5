#include "support/ExifBuilder.h"

#include <algorithm>

QByteArray ExifBuilder::word(quint32 value, int bytes) const {
    return big ? FormatFixtures::be({value}, bytes) : FormatFixtures::le({value}, bytes);
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
    return QByteArray(big ? "MM" : "II", 2) + word(42, 2) + word(8, 4) +
           FormatFixtures::tiffDirectory(sorted, 8, 0, big);
}

QByteArray ExifBuilder::intoJpeg(const QByteArray& jpeg, const QByteArray& tiff) {
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    const QByteArray segment =
        QByteArray("\xff\xe1", 2) + char(length >> 8) + char(length & 0xff) + payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}
