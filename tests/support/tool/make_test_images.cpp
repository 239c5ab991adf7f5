// Writes the fixtures the end-to-end tests and manual checks use.
#include "support/FormatFixtures.h"
#include "support/TestImages.h"
#include "support/ZipBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A photo-sized picture with texture, so its JPEG costs a photo's decode: a
// gradient row with noise, each row taken from it at a shifted offset.
QImage texture(int width, int height, int seed) {
    QList<QRgb> row(2 * width);
    quint32 state = 2654435761u * quint32(seed + 1);
    for (int x = 0; x < row.size(); ++x) {
        state = state * 1664525u + 1013904223u;
        const int grain = int(state >> 29);
        row[x] = qRgb((x * 255 / row.size() + grain + seed * 37) & 255,
                      (seed * 53 + grain * 3) & 255, (255 - x * 255 / row.size() + grain) & 255);
    }
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), row.constData() + (y * 7 + seed * 13) % width,
                    width * sizeof(QRgb));
    return image;
}

QList<QImage> frames(int seed) {
    QList<QImage> list;
    for (int f = 0; f < 4; ++f)
        list.append(texture(320, 240, seed * 4 + f));
    return list;
}

// A long slideshow's folder: `count` files, numbered so that they sort in the
// order made, cycling through twelve kinds, so that every twelve images shown
// (a minute at the shortest delay) hold the same mix of sizes and formats,
// one damaged file among them.
int makeSoakFolder(const QString& folder, int count) {
    QDir().mkpath(folder);
    QMap<QString, QByteArray> animations; // made once by the tools, shown many times
    auto animation = [&](const QString& ext, int variant) {
        const QString key = ext + QString::number(variant);
        if (!animations.contains(key)) {
            QString error;
            const QString made =
                FormatFixtures::makeAnimation(ext, folder + QStringLiteral("/made"),
                                              frames(variant), {100, 150, 100, 200}, &error);
            animations[key] = made.isEmpty() ? QByteArray() : TestImages::read(made);
            if (made.isEmpty())
                std::fprintf(stderr, "make_test_images: %s: %s\n", qPrintable(ext),
                             qPrintable(error));
        }
        return animations[key];
    };
    for (int i = 0; i < count; ++i) {
        const QString stem = folder + QStringLiteral("/%1-").arg(i, 4, 10, QLatin1Char('0'));
        const int variant = (i / 12) % 4;
        // An animation a tool failed to make is an empty file: a failure, not a damaged file.
        const auto put = [&](const char* name, const QByteArray& bytes) {
            return !bytes.isEmpty() && TestImages::write(stem + QLatin1String(name), bytes);
        };
        bool ok = true;
        switch (i % 12) {
        case 0:
            ok = TestImages::writeImage(stem + "24mp.jpg", texture(6000, 4000, i), "JPEG");
            break;
        case 1:
            ok = TestImages::writeImage(stem + "2mp.png", texture(1600, 1200, i), "PNG");
            break;
        case 2:
            ok = TestImages::writeImage(stem + "12mp.jpg", texture(4000, 3000, i), "JPEG");
            break;
        case 3:
            ok = put("anim.gif", animation(QStringLiteral("gif"), variant));
            break;
        case 4:
            ok = TestImages::writeImage(stem + "2mp.jpg", texture(1600, 1200, i), "JPEG");
            break;
        case 5:
            ok = TestImages::writeImage(stem + "3mp.tiff", texture(2000, 1500, i), "TIFF");
            break;
        case 6:
            ok = put("anim.webp", animation(QStringLiteral("webp"), variant));
            break;
        case 7:
            ok = TestImages::writeImage(stem + "8mp.jpg", texture(3264, 2448, i), "JPEG");
            break;
        case 8:
            ok = put("anim.png", animation(QStringLiteral("png"), variant));
            break;
        case 9:
            // Cut short: a JPEG one round, a TIFF the next.
            ok = TestImages::write(stem + ((i / 12) % 2 ? "damaged.tiff" : "damaged.jpg"),
                                   (i / 12) % 2
                                       ? TestImages::encode(texture(800, 600, i), "TIFF").left(4000)
                                       : TestImages::damagedJpeg());
            break;
        case 10:
            ok = TestImages::writeImage(stem + "24mp-portrait.jpg", texture(4000, 6000, i), "JPEG");
            break;
        case 11:
            ok = TestImages::writeImage(stem + "1mp.tiff", texture(1200, 900, i), "TIFF");
            break;
        }
        if (!ok)
            return 1;
    }
    QDir(folder + QStringLiteral("/made")).removeRecursively();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--soak") == 0)
        return makeSoakFolder(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_test_images FOLDER | --soak FOLDER COUNT\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    TestImages::makeSampleFolder(root + QStringLiteral("/sample"));
    QDir().mkpath(root + QStringLiteral("/damaged"));
    TestImages::write(root + QStringLiteral("/damaged/broken.jpg"), TestImages::damagedJpeg());
    QDir().mkpath(root + QStringLiteral("/rotated"));
    TestImages::write(root + QStringLiteral("/rotated/portrait.jpg"),
                      TestImages::jpegWithOrientation(TestImages::asymmetric(400, 300), 6));
    QDir().mkpath(root + QStringLiteral("/empty"));
    QDir().mkpath(root + QStringLiteral("/large"));
    QImage large(4000, 3000, QImage::Format_RGB32);
    large.fill(QColor(40, 90, 160));
    TestImages::writeImage(root + QStringLiteral("/large/big.jpg"), large, "JPEG");

    // One of each shape for the window-fitting checks. The large one is red
    // with a green band along its right edge, so panning to it shows.
    QDir().mkpath(root + QStringLiteral("/shapes"));
    QImage small(300, 200, QImage::Format_RGB32);
    small.fill(QColor(200, 60, 60));
    TestImages::writeImage(root + QStringLiteral("/shapes/small.png"), small, "PNG");
    QImage wide(3000, 1000, QImage::Format_RGB32);
    wide.fill(QColor(200, 60, 60));
    TestImages::writeImage(root + QStringLiteral("/shapes/wide.png"), wide, "PNG");
    QImage banded(4000, 3000, QImage::Format_RGB32);
    banded.fill(QColor(200, 30, 30));
    for (int y = 0; y < banded.height(); ++y)
        for (int x = banded.width() - 100; x < banded.width(); ++x)
            banded.setPixel(x, y, qRgb(30, 200, 30));
    TestImages::writeImage(root + QStringLiteral("/shapes/large.png"), banded, "PNG");

    // Today's formats beside a JPEG, each a plain colour of its own, made by
    // the formats' own encoders.
    const QString modern = root + QStringLiteral("/modern");
    const std::pair<const char*, QRgb> plain[] = {{"a.jpg", qRgb(200, 40, 40)},
                                                  {"b.webp", qRgb(40, 180, 40)},
                                                  {"c.avif", qRgb(40, 60, 200)},
                                                  {"d.jxl", qRgb(210, 190, 30)}};
    for (const auto& [name, colour] : plain) {
        QImage picture(400, 300, QImage::Format_RGB32);
        picture.fill(colour);
        const QString file = QString::fromLatin1(name);
        QString error;
        const QString made = FormatFixtures::make(
            file.section(QLatin1Char('.'), 1), modern + QStringLiteral("/made"), &error, picture);
        if (made.isEmpty() || !QFile::rename(made, modern + QLatin1Char('/') + file)) {
            std::fprintf(stderr, "make_test_images: %s: %s\n", name, qPrintable(error));
            return 1;
        }
    }
    QDir(modern + QStringLiteral("/made")).removeRecursively();

    // An archive whose images sit in two folders.
    ZipBuilder photos;
    photos.add("trip/day2.png", TestImages::encode(TestImages::asymmetric(60, 40), "PNG"));
    photos.add("album/day1.png", TestImages::encode(TestImages::asymmetric(40, 60), "PNG"));
    photos.add("trip/day3.jpg", TestImages::encode(TestImages::asymmetric(50, 50), "JPEG"));
    photos.add("readme.txt", "not an image");
    photos.writeTo(root + QStringLiteral("/photos.zip"));
    return 0;
}
