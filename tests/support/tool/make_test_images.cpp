// Writes the fixtures the end-to-end tests and manual checks use.
#include "support/TestImages.h"

#include <QCoreApplication>
#include <QDir>
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
    return 0;
}
