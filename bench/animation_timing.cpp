// How animations keep time and how soon they show: plays a GIF for ten
// seconds and reports the mean frame interval and any skipped frame, then
// opens a 200-frame 800 x 600 GIF and reports when its first frame was on
// screen against when all frames were decoded. Prints its figures.
#include "support/TestImages.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

QList<QImage> frames(int count, int w, int h) {
    QList<QImage> list;
    for (int i = 0; i < count; ++i) {
        QImage f(w, h, QImage::Format_RGB32);
        f.fill(qRgb(i % 256, (i * 7) % 256, (i * 13) % 256));
        list.append(f);
    }
    return list;
}

void timing(const QString& dir, int centiseconds) {
    const QString path = dir + QStringLiteral("/timing%1.gif").arg(centiseconds);
    TestImages::write(path, TestImages::animatedGif(frames(10, 64, 64), QList<int>(10, centiseconds)));
    auto* controller = new OrvaneWindowController;
    std::unique_ptr<OrvaneWindow> window(controller->window());
    ViewController* vc = controller->vc();
    vc->startWithFile(path);
    if (!QTest::qWaitFor([&] { return vc->animation()->isPlaying() && vc->animation()->hasFrames(); }, 10000))
        std::printf("the animation did not start\n");
    QList<qint64> stamps;
    QList<int> indices;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(vc->animation(), &AnimationPlayer::frameShown, vc, [&](int index) {
        stamps.append(clock.nsecsElapsed());
        indices.append(index);
    });
    QTest::qWait(10000);
    int skipped = 0;
    for (qsizetype i = 1; i < indices.size(); ++i)
        skipped += indices[i] != (indices[i - 1] + 1) % 10;
    const double mean = stamps.size() > 1
                            ? double(stamps.last() - stamps.first()) / (stamps.size() - 1) / 1e6
                            : 0;
    std::printf("GIF with %d ms frames: %lld frames in 10 s, mean interval %.2f ms, %d skipped\n",
                centiseconds * 10, static_cast<long long>(stamps.size()), mean, skipped);
}

void firstFrame(const QString& dir) {
    const QString path = dir + QStringLiteral("/long.gif");
    TestImages::write(path, TestImages::animatedGif(frames(200, 800, 600), QList<int>(200, 10)));
    auto* controller = new OrvaneWindowController;
    std::unique_ptr<OrvaneWindow> window(controller->window());
    ViewController* vc = controller->vc();
    QElapsedTimer clock;
    clock.start();
    vc->startWithFile(path);
    if (!QTest::qWaitFor([&] { return !vc->isLoading(); }, 60000))
        std::printf("the first frame did not arrive\n");
    const double shown = clock.nsecsElapsed() / 1e6;
    if (!QTest::qWaitFor([&] { return vc->animation()->hasFrames(); }, 120000))
        std::printf("the frames were not decoded\n");
    const double decoded = clock.nsecsElapsed() / 1e6;
    std::printf("200-frame 800x600 GIF: first frame on screen after %.0f ms, all frames decoded after %.0f ms\n",
                shown, decoded);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    timing(dir.path(), 6);
    timing(dir.path(), 2);
    firstFrame(dir.path());
    return 0;
}
