// Full decode of a 24-megapixel JPEG through ImageSource, the way the viewer's
// load step does it (source, image 0, its properties), against djpeg
// (libjpeg-turbo) decoding the same file. Prints the medians and their ratio.
// Usage: imagesource_decode_bench [file.jpg] [runs]
#include "BenchTiming.h"
#include "platform/ImageSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A photograph-like 6000 x 4000 picture: smooth gradients with grain, so the
// entropy coder has about as much to do as with a real photo.
QString makeJpeg(const QString& folder) {
    QImage image(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(24);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(24)) - 12;
            line[x] = qRgb(std::clamp(x / 24 + grain, 0, 255), std::clamp(y / 16 + grain, 0, 255),
                           std::clamp((x + y) / 40 + grain, 0, 255));
        }
    }
    const QString path = folder + QStringLiteral("/24mp.jpg");
    image.save(path, "JPEG", 90);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = argc > 1 && argv[1][0] ? QString::fromLocal8Bit(argv[1]) : makeJpeg(folder.path());
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;

    std::vector<double> ours, djpeg;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto source = ImageSource::createWithURL(path);
        const QImage image = source ? source->imageAtIndex(0) : QImage();
        const QVariantMap properties = source ? source->propertiesAtIndex(0) : QVariantMap();
        ours.push_back(timer.nsecsElapsed() / 1e6);
        if (image.isNull()) {
            std::fprintf(stderr, "ImageSource could not decode %s\n", qPrintable(path));
            return 1;
        }

        timer.restart();
        const int status = QProcess::execute(QStringLiteral("djpeg"),
                                             {QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path});
        djpeg.push_back(timer.nsecsElapsed() / 1e6);
        if (status != 0) {
            std::fprintf(stderr, "djpeg failed (libjpeg-turbo-progs installs it)\n");
            return 1;
        }
    }
    // Runs alternate, so both see the same load; the fastest run is the
    // least disturbed by other work on the machine.
    std::printf("24-megapixel JPEG, %d alternating runs     median     fastest\n", runs);
    std::printf("ImageSource full decode:               %7.1f ms %7.1f ms\n", median(ours), fastest(ours));
    std::printf("djpeg full decode:                     %7.1f ms %7.1f ms\n", median(djpeg), fastest(djpeg));
    std::printf("ratio:                                 %7.2f    %7.2f\n", median(ours) / median(djpeg),
                fastest(ours) / fastest(djpeg));
    return 0;
}
