#include "platform/imagesource/JxlBoxes.h"

namespace {

quint64 be(const QByteArray& bytes, qsizetype at, int size) {
    quint64 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | uchar(bytes.at(at + i));
    return v;
}

} // namespace

bool JxlBoxes::isCodestream(const QByteArray& bytes) {
    return bytes.size() >= 2 && uchar(bytes.at(0)) == 0xFF && uchar(bytes.at(1)) == 0x0A;
}

bool JxlBoxes::isContainer(const QByteArray& bytes) {
    return bytes.startsWith(QByteArray("\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12));
}

JxlBoxes JxlBoxes::read(const QByteArray& bytes) {
    JxlBoxes boxes;
    if (!isContainer(bytes))
        return boxes;
    qsizetype at = 0;
    while (at + 8 <= bytes.size()) {
        quint64 size = be(bytes, at, 4);
        const QByteArray type = bytes.mid(at + 4, 4);
        qsizetype header = 8;
        if (size == 1) {
            if (at + 16 > bytes.size())
                break;
            size = be(bytes, at + 8, 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(bytes.size() - at); // the last box runs to the end
        }
        if (size < quint64(header) || size > quint64(bytes.size() - at))
            break; // a box that lies about its size ends the walk
        const QByteArray payload = bytes.mid(at + header, qsizetype(size) - header);
        if (type == "Exif" && boxes.exif.isEmpty() && payload.size() >= 4) {
            // The payload starts with the offset of the TIFF header after it.
            const quint64 skip = be(payload, 0, 4);
            if (skip < quint64(payload.size() - 4))
                boxes.exif = payload.mid(4 + qsizetype(skip));
        } else if (type == "xml " && boxes.xmp.isEmpty()) {
            boxes.xmp = payload;
        }
        at += qsizetype(size);
    }
    return boxes;
}
