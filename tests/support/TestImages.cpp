#include "support/TestImages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

QImage TestImages::asymmetric(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::gray);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(width - 1, 0, Qt::green);
    image.setPixelColor(0, height - 1, Qt::blue);
    image.setPixelColor(width - 1, height - 1, Qt::yellow);
    return image;
}

QByteArray TestImages::encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

QByteArray TestImages::jpegWithOrientation(const QImage& image, int orientation) {
    const QByteArray jpeg = encode(image, "JPEG", 100);
    // APP1 "Exif" with a little-endian TIFF header and one IFD entry: 0x0112 SHORT 1.
    QByteArray tiff;
    tiff += QByteArray("II*\0", 4);
    tiff += QByteArray("\x08\0\0\0", 4);         // IFD at offset 8
    tiff += QByteArray("\x01\0", 2);             // one entry
    tiff += QByteArray("\x12\x01\x03\0", 4);     // tag 0x0112, type SHORT
    tiff += QByteArray("\x01\0\0\0", 4);         // count 1
    tiff += char(orientation);
    tiff += QByteArray("\0\0\0", 3);             // value padded to 4 bytes
    tiff += QByteArray("\0\0\0\0", 4);           // no next IFD
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    const int length = app1.size() + 2;
    QByteArray segment;
    segment += char(0xFF);
    segment += char(0xE1);
    segment += char((length >> 8) & 0xFF);
    segment += char(length & 0xFF);
    segment += app1;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

bool TestImages::write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool TestImages::writeImage(const QString& path, const QImage& image, const char* format) {
    return write(path, encode(image, format));
}

QByteArray TestImages::damagedJpeg() {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QByteArray jpeg = encode(image, "JPEG");
    return jpeg.left(20);
}

void TestImages::makeSampleFolder(const QString& folder) {
    QDir().mkpath(folder);
    writeImage(folder + QStringLiteral("/b.PNG"), asymmetric(40, 30), "PNG");
    writeImage(folder + QStringLiteral("/a.jpg"), asymmetric(30, 40), "JPEG");
    write(folder + QStringLiteral("/c.txt"), "not an image");
    writeImage(folder + QStringLiteral("/img10.gif"), asymmetric(20, 20), "GIF");
    writeImage(folder + QStringLiteral("/img2.gif"), asymmetric(50, 20), "GIF");
}
