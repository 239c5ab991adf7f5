#include "support/TestImages.h"
#include "support/ExifBuilder.h"
#include "support/FormatFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

QImage TestImages::noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            image.setPixel(x, y, state >> 8);
        }
    return image;
}

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

int TestImages::distance(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 1000;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, channelDistance(p, q), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}

TestImages::SmallBudget::SmallBudget() : old(QImageReader::allocationLimit()) {
    QImageReader::setAllocationLimit(1);
}

TestImages::SmallBudget::~SmallBudget() {
    QImageReader::setAllocationLimit(old);
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

QByteArray TestImages::animatedGif(const QList<QImage>& frames, const QList<int>& delays,
                                   int brokenFrame) {
    QTemporaryDir dir;
    QStringList arguments;
    for (qsizetype f = 0; f < frames.size(); ++f) {
        const QString frame = dir.filePath(QStringLiteral("%1.png").arg(f));
        frames[f].convertToFormat(QImage::Format_Grayscale8).save(frame);
        arguments << QStringLiteral("-delay") << QString::number(delays.value(f)) << frame;
    }
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    QString error;
    if (!FormatFixtures::run(QStringLiteral("/usr/bin/convert"),
                             arguments << QStringLiteral("-loop") << QStringLiteral("0") << out,
                             &error))
        qWarning("%s", qPrintable(error));
    QByteArray gif = read(out);
    // Walks the blocks to the broken frame's image data: a table's size is
    // in the low bits of its flags, data comes in sub-blocks.
    const auto table = [&](qsizetype flags) {
        return gif.at(flags) & 0x80 ? 3 << ((gif.at(flags) & 7) + 1) : 0;
    };
    const auto subBlocks = [&](qsizetype at) {
        while (at < gif.size() && gif.at(at) != 0)
            at += uchar(gif.at(at)) + 1;
        return at + 1;
    };
    qsizetype at = 13 + table(10);
    for (int frame = 0; at < gif.size() && gif.at(at) != 0x3B;) {
        if (gif.at(at) == 0x21) {
            at = subBlocks(at + 2);
            continue;
        }
        const qsizetype data = at + 10 + table(at + 9) + 1;
        at = subBlocks(data);
        if (frame++ == brokenFrame) {
            gif.replace(data, at - data, QByteArray("\x05\xFF\xFF\xFF\xFF\xFF\x00", 7));
            break;
        }
    }
    return gif;
}
