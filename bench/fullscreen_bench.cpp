// Full screen with the blurred backdrop on 24-megapixel photographs, measured
// in-process on a 1920 x 1080 offscreen screen:
//  - the blur alone, from the reduced copy the viewer draws with;
//  - entering full screen: from the window's state change to the first paint
//    of the blurred backdrop;
//  - stepping in full screen to a decoded-ahead image: until the new image is
//    painted, and until the backdrop has followed it;
//  - the chrome's fade: its frames, and how much of the image is repainted.
// Prints its figures.
#include "BenchPhoto.h"
#include "BenchTiming.h"
#include "viewer/BlurBackdropView.h"
#include "viewer/DNSImageView.h"
#include "viewer/FullScreenBackdrop.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/Prefetcher.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerChrome.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerFullScreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPaintEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void print(const char* what, const std::vector<double>& values) {
    std::printf("%s:", what);
    for (double ms : values)
        std::printf(" %.1f", ms);
    std::printf(" ms; median %.1f ms\n", median(values));
}

// Notes the time of the first paint of a widget that meets a condition.
class PaintWatch : public QObject {
  public:
    PaintWatch(QWidget* widget, std::function<bool()> ready)
        : widget(widget), ready(std::move(ready)) {
        widget->installEventFilter(this);
    }
    void arm(const QElapsedTimer* clock) {
        since = clock;
        paintedAt = -1;
    }
    double painted() const { return paintedAt; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget && event->type() == QEvent::Paint && since && paintedAt < 0 &&
            ready())
            paintedAt = since->nsecsElapsed() / 1e6;
        return false;
    }

  private:
    QWidget* widget;
    std::function<bool()> ready;
    const QElapsedTimer* since = nullptr;
    double paintedAt = -1;
};

// Starts a clock when the window's full-screen state changes.
class StateWatch : public QObject {
  public:
    explicit StateWatch(QWidget* window) : window(window) { window->installEventFilter(this); }
    QElapsedTimer clock;
    bool seen = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window && event->type() == QEvent::WindowStateChange && !seen) {
            clock.start();
            seen = true;
        }
        return false;
    }

  private:
    QWidget* window;
};

// Counts the image view's repaints and the largest share of it each covered.
class RepaintCount : public QObject {
  public:
    explicit RepaintCount(QWidget* widget) : widget(widget) { widget->installEventFilter(this); }
    int paints = 0;
    double largestShare = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget && event->type() == QEvent::Paint) {
            ++paints;
            qint64 area = 0;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                area += qint64(r.width()) * r.height();
            largestShare =
                std::max(largestShare, double(area) / (widget->width() * widget->height()));
        }
        return false;
    }

  private:
    QWidget* widget;
};

bool until(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    // A tight loop rather than a polling wait, whose naps would be counted.
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents();
    return done();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString screens = dir.filePath(QStringLiteral("screens.json"));
    {
        QFile config(screens);
        config.open(QIODevice::WriteOnly);
        config.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920,
            "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Ovisto"));
    QSettings().setValue(QStringLiteral("BackgroundMode"), 2);
    QSettings().setValue(QStringLiteral("HideWelcomeScreen"), 1);

    const QStringList files = benchPhotoJpegs(QDir(dir.path()), 3);

    auto* controller = new OrvaneWindowController;
    std::unique_ptr<OrvaneWindow> window(controller->window());
    window->resize(1200, 800);
    window->show();
    ViewController* vc = controller->vc();
    vc->updateUI();
    vc->startWithFile(files[0]);
    if (!until([&] { return vc->loadState() == ViewController::LoadState::Shown; })) {
        std::printf("the first image did not load\n");
        return 1;
    }
    QTest::qWait(200);
    std::printf("screen %dx%d, 24 MP JPEG images\n", window->screen()->geometry().width(),
                window->screen()->geometry().height());

    // The blur alone, from the copy the viewer draws with (else its smallest
    // halving), as the worker makes it, including the enlargement to the
    // screen's pixels.
    const ScaledImageCache* cache = vc->imageView()->cache();
    QImage source = cache->exactCopy();
    if (source.isNull() && !cache->halvings().isEmpty())
        source = cache->halvings().constLast();
    std::vector<double> blurs;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer t;
        t.start();
        const QImage out =
            FullScreenBackdrop::blurred(source, QSizeF(1920, 1280), QSize(1920, 1280));
        blurs.push_back(t.nsecsElapsed() / 1e6);
        if (out.isNull())
            return 1;
    }
    std::printf("reduced copy %dx%d\n", source.width(), source.height());
    print("blur from the reduced copy, enlarged to 1920x1280", blurs);

    // Entering full screen: state change to the blurred backdrop's first
    // paint, and to the image's first paint at its full-screen size.
    BlurBackdropView* blur = vc->fullScreen()->blurEffectImage();
    std::vector<double> enters, imageFrames;
    for (int round = 0; round < 7; ++round) {
        StateWatch state(window.get());
        PaintWatch backdrop(blur, [blur] { return !blur->blurred().isNull(); });
        PaintWatch image(vc->imageView(), [vc] { return vc->isFullscreen; });
        vc->fullScreen()->toggleFullScreen();
        if (!until([&] { return state.seen; }, 5000))
            return 1;
        backdrop.arm(&state.clock);
        image.arm(&state.clock);
        if (!until([&] { return backdrop.painted() >= 0 && image.painted() >= 0; }, 5000)) {
            std::printf("no full-screen frame with the backdrop\n");
            return 1;
        }
        enters.push_back(backdrop.painted());
        imageFrames.push_back(image.painted());
        until(
            [&] {
                return vc->fullScreen()->transition().phase() ==
                       FullScreenTransition::Phase::FullScreen;
            },
            5000);
        if (round == 6)
            break;
        vc->fullScreen()->toggleFullScreen();
        until(
            [&] {
                return vc->fullScreen()->transition().phase() ==
                       FullScreenTransition::Phase::Windowed;
            },
            5000);
        QTest::qWait(150);
    }
    print("state change to the image's first full-screen paint", imageFrames);
    print("state change to the blurred backdrop's first paint", enters);

    // Stepping in full screen to decoded-ahead neighbours.
    std::vector<double> steps, backdrops;
    for (int i = 1; i <= 9; ++i) {
        const QString& target = files[i % files.size()];
        if (!until([&] { return bool(vc->document()->prefetcher()->cached(target)); })) {
            std::printf("the neighbour was not decoded ahead\n");
            return 1;
        }
        QTest::qWait(400); // past the cross-fade and the snapshot
        const QImage before = blur->blurred();
        QElapsedTimer step;
        step.start();
        PaintWatch backdrop(blur, [blur, before] {
            return !blur->blurred().isNull() && blur->blurred().cacheKey() != before.cacheKey();
        });
        backdrop.arm(&step);
        vc->showNextImage();
        if (!until(
                [&] {
                    return vc->document()->openedURL() == target &&
                           vc->loadState() == ViewController::LoadState::Shown;
                },
                5000))
            return 1;
        vc->imageView()->repaint();
        steps.push_back(step.nsecsElapsed() / 1e6);
        if (!until([&] { return backdrop.painted() >= 0; }, 5000)) {
            std::printf("the backdrop did not follow\n");
            return 1;
        }
        backdrops.push_back(backdrop.painted());
    }
    print("step in full screen to a decoded-ahead image, until painted", steps);
    print("step in full screen, until the backdrop for it is painted", backdrops);

    // The chrome's fade over the image in full screen.
    QTest::qWait(400);
    ViewerChrome* chrome = window->chrome();
    chrome->hider().setManualTimer(true);
    chrome->showInterface();
    QTest::qWait(100);
    RepaintCount imagePaints(vc->imageView());
    RepaintCount backdropPaints(blur);
    QElapsedTimer fade;
    fade.start();
    chrome->hideInterface();
    while (chrome->isFading() && fade.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    std::printf("fade of the chrome: %.0f ms; image view repainted %d times, each at most %.1f%% "
                "of it; backdrop repainted %d times, at most %.1f%%\n",
                fade.nsecsElapsed() / 1e6, imagePaints.paints, imagePaints.largestShare * 100,
                backdropPaints.paints, backdropPaints.largestShare * 100);
    return 0;
}
