// Full decode of a large PNG through ImageSource (libpng, the viewer's path)
// against Qt's own PNG reader on the same bytes, for 8-bit RGB and 16-bit
// RGBA. Prints the medians and their ratio.
// Usage: png_decode_bench [file.png] [runs]
#include "BenchTiming.h"
#include "platform/ImageSource.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A photograph-like picture: smooth gradients with grain, so that the
// filters and the inflater have about as much to do as with a real photo.
QByteArray makePng(QImage::Format format) {
    QImage image(4000, 3000, format);
    QRandomGenerator random(12);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(24)) - 12;
            image.setPixelColor(x, y,
                                QColor(std::clamp(x / 16 + grain, 0, 255),
                                       std::clamp(y / 12 + grain, 0, 255),
                                       std::clamp((x + y) / 28 + grain, 0, 255), 200));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void measure(const char* name, const QByteArray& bytes, int runs) {
    std::vector<double> ours, qt;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto source = ImageSource::createWithData(bytes);
        const QImage image = source ? source->imageAtIndex(0) : QImage();
        ours.push_back(timer.nsecsElapsed() / 1e6);
        if (image.isNull())
            std::printf("%s: ImageSource failed\n", name);

        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        timer.restart();
        QImageReader reader(&buffer, "png");
        const QImage viaQt = reader.read();
        qt.push_back(timer.nsecsElapsed() / 1e6);
        if (viaQt.isNull())
            std::printf("%s: Qt's reader failed\n", name);
    }
    std::printf("%-22s ImageSource (libpng) %8.1f ms   Qt reader %8.1f ms   ratio %.2f\n", name,
                median(ours), median(qt), median(ours) / median(qt));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QImageReader::setAllocationLimit(1024);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    if (argc > 1 && argv[1][0]) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        measure("given file", file.readAll(), runs);
        return 0;
    }
    measure("12 MP, 8-bit RGB", makePng(QImage::Format_RGB32), runs);
    measure("12 MP, 16-bit RGBA", makePng(QImage::Format_RGBA64), runs);
    return 0;
}
