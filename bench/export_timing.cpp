// What an export costs against the usual command-line encoders on the same
// pixels: a 24-megapixel image as JPEG at quality 90 against
// `cjpeg -quality 90`, and as PNG against ImageMagick's `convert` at its
// default level. Ours is timed from the pixels in memory to the file in
// place (encode and the whole-or-nothing write, its fsync included); theirs
// from a PPM of the same pixels to the file, process start included, then
// an fsync of their file, as ours has one. Both write into the same folder.
// Medians of five; prints its figures.
#include "platform/AtomicFileWriter.h"
#include "platform/ImageEncoder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

QImage photoLike(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            // Smooth gradients with grain, as a photo has: what PNG finds
            // hard to squeeze and JPEG spends its bits on.
            unsigned hash = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u;
            hash ^= hash >> 13;
            hash *= 0x5bd1e995u;
            const int grain = int(hash >> 28);
            line[x] = qRgb((x / 24 + grain) & 255, (y / 16 + grain) & 255,
                           ((x + y) / 40 + grain * 2) & 255);
        }
    }
    return image;
}

double medianMs(const std::function<bool()>& run) {
    QList<double> times;
    for (int i = 0; i < 5; ++i) {
        ::sync(); // what the last run left to write does not land on this one
        QElapsedTimer clock;
        clock.start();
        if (!run())
            return -1;
        times.append(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

bool ours(const QImage& image, ExportFormat format, const QString& path) {
    const QByteArray bytes = ImageEncoder::encode(image, format, 0.9f);
    AtomicFileWriter writer;
    return !bytes.isEmpty() && writer.write(path, bytes);
}

// Their file is flushed to the disk as ours is, so that both pay for it.
bool theirs(const QString& program, const QStringList& arguments, const QString& out) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return false;
    QFile file(out);
    return file.open(QIODevice::ReadOnly) && ::fsync(file.handle()) == 0;
}

// ImageMagick's own binary: a `convert` earlier in PATH may be a wrapper.
QString imageMagick() {
    for (const char* name : {"convert-im6.q16", "convert-im7.q16", "magick", "convert"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

void compare(const char* what, double mine, double other) {
    std::printf("%s: ours %.0f ms, theirs %.0f ms, ratio %.2f\n", what, mine, other,
                other > 0 ? mine / other : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QImage image = photoLike(6000, 4000);
    const QString ppm = dir.filePath(QStringLiteral("photo.ppm"));
    if (!image.save(ppm, "PPM")) {
        std::printf("could not write the PPM\n");
        return 1;
    }
    const QString cjpeg = QStandardPaths::findExecutable(QStringLiteral("cjpeg"));
    const QString magick = imageMagick();

    const double jpeg =
        medianMs([&] { return ours(image, ExportFormat::Jpeg, dir.filePath("ours.jpg")); });
    const double cjpegMs = cjpeg.isEmpty() ? -1 : medianMs([&] {
        return theirs(cjpeg, {"-quality", "90", "-outfile", dir.filePath("cjpeg.jpg"), ppm},
                      dir.filePath("cjpeg.jpg"));
    });
    compare("24 MP JPEG at quality 90 (against cjpeg -quality 90)", jpeg, cjpegMs);

    const double png =
        medianMs([&] { return ours(image, ExportFormat::Png, dir.filePath("ours.png")); });
    const double magickMs = magick.isEmpty() ? -1 : medianMs([&] {
        return theirs(magick, {ppm, dir.filePath("magick.png")}, dir.filePath("magick.png"));
    });
    compare("24 MP PNG (against ImageMagick's convert)", png, magickMs);
    std::printf("  sizes: ours %lld / %lld bytes, theirs %lld / %lld bytes (JPEG / PNG)\n",
                QFile(dir.filePath("ours.jpg")).size(), QFile(dir.filePath("ours.png")).size(),
                QFile(dir.filePath("cjpeg.jpg")).size(), QFile(dir.filePath("magick.png")).size());
    return 0;
}
