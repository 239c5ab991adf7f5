#include "support/TestImages.h"
#include "support/ExifBuilder.h"
#include "support/FormatFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdlib>

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
    return ExifBuilder().orientation(orientation).intoJpeg(encode(image, "JPEG", 100));
}

QByteArray TestImages::read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int TestImages::channelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

bool TestImages::write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool TestImages::writeImage(const QString& path, const QImage& image, const char* format) {
    return write(path, encode(image, format));
}

QByteArray TestImages::damagedJpeg() {
    return encode(FormatFixtures::pattern(), "JPEG").left(20);
}

void TestImages::makeSampleFolder(const QString& folder) {
    QDir().mkpath(folder);
    writeImage(folder + QStringLiteral("/b.PNG"), asymmetric(40, 30), "PNG");
    writeImage(folder + QStringLiteral("/a.jpg"), asymmetric(30, 40), "JPEG");
    write(folder + QStringLiteral("/c.txt"), "not an image");
    writeImage(folder + QStringLiteral("/img10.gif"), asymmetric(20, 20), "GIF");
    writeImage(folder + QStringLiteral("/img2.gif"), asymmetric(50, 20), "GIF");
}

namespace {

// LZW with a clear code before the table would grow past 9-bit codes, so
// every code is 9 bits wide: large, but valid and simple.
QByteArray lzwGrey(const QImage& image) {
    QByteArray bits;
    quint32 buffer = 0;
    int count = 0;
    auto emitCode = [&](int code) {
        buffer |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            bits += char(buffer & 0xff);
            buffer >>= 8;
            count -= 8;
        }
    };
    const int clear = 256, end = 257;
    int sinceClear = 0;
    emitCode(clear);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 254) {
                emitCode(clear);
                sinceClear = 0;
            }
            emitCode(qGray(image.pixel(x, y)));
            ++sinceClear;
        }
    }
    emitCode(end);
    if (count > 0)
        bits += char(buffer & 0xff);
    QByteArray blocks;
    for (int i = 0; i < bits.size(); i += 255) {
        const QByteArray chunk = bits.mid(i, 255);
        blocks += char(chunk.size());
        blocks += chunk;
    }
    blocks += char(0);
    return blocks;
}

} // namespace

QByteArray TestImages::animatedGif(const QList<QImage>& frames, const QList<int>& delays,
                                   int brokenFrame) {
    using F = FormatFixtures;
    const QSize size = frames.isEmpty() ? QSize(1, 1) : frames.first().size();
    const quint32 w = quint32(size.width()), h = quint32(size.height());
    // A global table of 256 greys; loop for ever.
    QByteArray out = "GIF89a" + F::le({w, h}, 2) + QByteArray("\xF7\0\0", 3);
    for (int i = 0; i < 256; ++i)
        out += QByteArray(3, char(i));
    out += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (qsizetype f = 0; f < frames.size(); ++f) {
        // Graphic control (dispose: none), then the image at 0, 0, code size 8.
        out += QByteArray("\x21\xF9\x04\x04", 4) + F::le({quint32(delays.value(f))}, 2) +
               QByteArray("\0\0\x2C", 3) + F::le({0, 0, w, h}, 2) + QByteArray("\0\x08", 2);
        out += f == brokenFrame ? QByteArray("\x05\xFF\xFF\xFF\xFF\xFF\x00", 7)
                                : lzwGrey(frames.at(f));
    }
    return out + char(0x3B);
}
