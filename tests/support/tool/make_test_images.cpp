// Writes the fixtures the end-to-end tests and manual checks use.
#include "support/ZipBuilder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_test_images FOLDER\n");
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
    const std::pair<const char*, QRgb> plain[] = {
        {"a.jpg", qRgb(200, 40, 40)}, {"b.webp", qRgb(40, 180, 40)}, {"c.avif", qRgb(40, 60, 200)},
        {"d.jxl", qRgb(210, 190, 30)}};
    for (const auto& [name, colour] : plain) {
        QImage picture(400, 300, QImage::Format_RGB32);
        picture.fill(colour);
        const QString file = QString::fromLatin1(name);
        QString error;
        const QString made = FormatFixtures::make(file.section(QLatin1Char('.'), 1), modern + QStringLiteral("/made"),
                                                  &error, picture);
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
