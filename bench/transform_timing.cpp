// How long a turn takes as the user sees it: from the command to the end of
// the first paint of the turned image, for a 24-megapixel photo and for a
// 200-frame 800 x 600 GIF (every frame turned), and the longest the main
// thread was busy meanwhile (the spinner turns only when it is free).
// Prints its figures; five turns each, median and worst.
#include "StallWatch.h"
#include "support/TestImages.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/DNSImageView.h"
#include "viewer/ImageTransformer.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerTransforms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// Notes when the view has finished a paint.
class PaintWatch : public QObject {
  public:
    using QObject::QObject;
    // The end of the first paint after `since`, or -1.
    qint64 since = -1;
    qint64 paintEnd = -1;
    const QElapsedTimer* clock = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        // Paint now, inside the repaint the window is doing, so that the time
        // taken is after the pixels are drawn.
        static_cast<QWidget*>(watched)->removeEventFilter(this);
        QCoreApplication::sendEvent(watched, event);
        watched->installEventFilter(this);
        if (since >= 0 && paintEnd < 0)
            paintEnd = clock->nsecsElapsed();
        return true;
    }
};

QImage photoLike(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x / 7) & 255, (y / 5) & 255, ((x + y) / 11 + (x * y) % 13) & 255);
    }
    return image;
}

void turns(const char* what, ViewController* vc, int count) {
    auto* view = vc->imageView();
    PaintWatch watch;
    QElapsedTimer clock;
    watch.clock = &clock;
    view->installEventFilter(&watch);
    QObject::connect(vc->transforms()->transformer(), &ImageTransformer::finished, &watch,
                     [&] { watch.since = clock.nsecsElapsed(); });
    StallWatch stalls;
    QList<double> times, landings, worstStalls;
    for (int i = 0; i < count; ++i) {
        QTest::qWait(300); // the screen copy of the last turn settles
        watch.since = watch.paintEnd = -1;
        clock.start();
        stalls.start();
        vc->transforms()->rotate90();
        if (!QTest::qWaitFor([&] { return !vc->isTransforming(); }, 60000)) {
            std::printf("%s: the turn never landed\n", what);
            return;
        }
        if (!QTest::qWaitFor([&] { return watch.paintEnd >= 0; }, 10000)) {
            std::printf("%s: the turned image was never painted\n", what);
            return;
        }
        times.append(watch.paintEnd / 1e6);
        landings.append(watch.since / 1e6);
        worstStalls.append(stalls.stop());
    }
    view->removeEventFilter(&watch);
    const double first = times.first();
    std::sort(times.begin(), times.end());
    std::sort(worstStalls.begin(), worstStalls.end());
    std::sort(landings.begin(), landings.end());
    std::printf(
        "%s:\n  command to turned image painted: first %.0f ms, median %.0f ms, worst %.0f ms\n"
        "  of which the worker's part (command to result): median %.0f ms\n"
        "  longest main-thread stall: median %.0f ms, worst %.0f ms\n",
        what, first, times[times.size() / 2], times.last(), landings[landings.size() / 2],
        worstStalls[worstStalls.size() / 2], worstStalls.last());
}

void photo(const QString& dir) {
    const QString path = dir + QStringLiteral("/photo.jpg");
    TestImages::writeImage(path, photoLike(6000, 4000), "JPEG");
    auto* controller = new OrvaneWindowController;
    std::unique_ptr<OrvaneWindow> window(controller->window());
    ViewController* vc = controller->vc();
    vc->startWithFile(path);
    if (!QTest::qWaitFor([&] { return vc->isImageShown(); }, 60000)) {
        std::printf("the photo did not open\n");
        return;
    }
    turns("24 MP photo, quarter turn", vc, 5);
}

void animation(const QString& dir) {
    const QString path = dir + QStringLiteral("/long.gif");
    QList<QImage> frames;
    for (int i = 0; i < 200; ++i) {
        QImage f(800, 600, QImage::Format_RGB32);
        f.fill(qRgb(i % 256, (i * 7) % 256, (i * 13) % 256));
        f.setPixel(0, 0, qRgb(255, 255, 255));
        frames.append(f);
    }
    TestImages::write(path, TestImages::animatedGif(frames, QList<int>(200, 10)));
    auto* controller = new OrvaneWindowController;
    std::unique_ptr<OrvaneWindow> window(controller->window());
    ViewController* vc = controller->vc();
    vc->startWithFile(path);
    if (!QTest::qWaitFor([&] { return vc->isImageShown() && vc->animation()->listSize() == 200; },
                         120000)) {
        std::printf("the GIF's frames were not decoded\n");
        return;
    }
    turns("200-frame 800x600 GIF, every frame turned", vc, 5);
    vc->animation()->stop();
    int turned = 0;
    for (const QImage& frame : vc->animation()->frames())
        turned += frame.size() == QSize(600, 800);
    std::printf("  frames in portrait after an odd number of turns: %d of 200\n", turned);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    photo(dir.path());
    animation(dir.path());
    return 0;
}
