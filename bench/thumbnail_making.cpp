// Thumbnails of a folder of large photographs, none of them cached yet:
// N 6000 x 4000 JPEGs (made here with make_panorama) through the grid's
// queue on its two threads, stored in a fresh cache, against libjpeg-turbo's
// own djpeg -scale 1/8 over the same files, two at a time. Then the same
// folder again through the queue, every thumbnail now a cache hit.
// Usage: thumbnail_making [N (8)] [PIXELS (256)] [MAKE_PANORAMA (beside this program)]
#include "viewer/ThumbnailQueue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double queueRun(const QStringList& files, int pixels, const ThumbnailCache& cache, int* failed) {
    ThumbnailQueue queue;
    queue.setCache(cache);
    queue.setPixels(pixels);
    int done = 0;
    QObject::connect(&queue, &ThumbnailQueue::thumbnailReady,
                     [&](qsizetype, const QString&, const QImage&, bool bad) {
                         ++done;
                         *failed += bad ? 1 : 0;
                     });
    QElapsedTimer timer;
    timer.start();
    queue.setFolder(files);
    queue.setVisible(0, files.size() - 1, ThumbnailQueue::Direction::Forward);
    while (done < files.size())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return timer.nsecsElapsed() / 1e6;
}

// djpeg over every file, two processes at a time.
double djpegRun(const QString& djpeg, const QStringList& files) {
    QElapsedTimer timer;
    timer.start();
    qsizetype next = 0;
    QList<QProcess*> running;
    while (next < files.size() || !running.isEmpty()) {
        while (running.size() < 2 && next < files.size()) {
            auto* process = new QProcess;
            process->setStandardOutputFile(QProcess::nullDevice());
            process->start(djpeg, {"-scale", "1/8", files[next++]});
            running.append(process);
        }
        QProcess* first = running.takeFirst();
        first->waitForFinished(-1);
        if (first->exitCode() != 0)
            std::fprintf(stderr, "djpeg failed on a file\n");
        delete first;
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args[1].toInt() : 8;
    const int pixels = args.size() > 2 ? args[2].toInt() : 256;
    const QString maker =
        args.size() > 3 ? args[3]
                        : QCoreApplication::applicationDirPath() + QStringLiteral("/make_panorama");
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (count < 1 || pixels < 1 || djpeg.isEmpty() || !QFile::exists(maker)) {
        std::fprintf(stderr, "thumbnail_making: needs djpeg on the path and make_panorama\n");
        return 1;
    }
    QTemporaryDir folder;
    QStringList files;
    for (int i = 0; i < count; ++i) {
        files.append(folder.filePath(QStringLiteral("photo%1.jpg").arg(i)));
        const QString colour = QStringLiteral("%1%2%3")
                                   .arg(40 + i * 20 % 200, 2, 16, QLatin1Char('0'))
                                   .arg(120, 2, 16)
                                   .arg(200 - i * 15 % 180, 2, 16, QLatin1Char('0'));
        if (QProcess::execute(maker, {"jpeg", "6000", "4000", files.last(), colour}) != 0) {
            std::fprintf(stderr, "thumbnail_making: make_panorama failed\n");
            return 1;
        }
    }
    const ThumbnailCache cache(folder.filePath(QStringLiteral("cache")));
    int failed = 0;
    // Once for the decoders' first-use costs, into a cache thrown away after.
    queueRun(files.mid(0, 1), pixels, ThumbnailCache(folder.filePath(QStringLiteral("warm"))),
             &failed);
    const double ours = queueRun(files, pixels, cache, &failed);
    const double theirs = djpegRun(djpeg, files);
    const double cached = queueRun(files, pixels, cache, &failed);
    std::printf("%d uncached 6000x4000 JPEGs, two threads, %d px thumbnails\n", count, pixels);
    std::printf("  queue (make + store)  %8.1f ms  %6.1f ms a file\n", ours, ours / count);
    std::printf("  djpeg -scale 1/8      %8.1f ms  %6.1f ms a file   ratio %.2f\n", theirs,
                theirs / count, ours / theirs);
    std::printf("  queue, cache hits     %8.1f ms  %6.1f ms a file\n", cached, cached / count);
    if (failed > 0)
        std::printf("  %d failed\n", failed);
    return failed > 0 ? 1 : 0;
}
