// What the selection costs on the main thread over a 100-megapixel image in
// a 1920 x 1080 view: one march step of the outline with its repaint, and one
// step of dragging the rectangle or a knob (the proposal, the pixel
// conversion, the view's update and the repaint of what changed).
#include "geometry/ViewerGeometry.h"
#include "viewer/DNSImageView.h"
#include "viewer/OrvaneResizeView.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/ViewerSelection.h"
#include "viewer/WidgetViewWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

struct Scene {
    QWidget content;
    DNSImageView* image = nullptr;
    ViewerGeometry* geometry = nullptr;
    ViewerSelection* selection = nullptr;

    Scene() {
        content.resize(1920, 1080);
        image = new DNSImageView(&content);
        image->setGeometry(content.rect());
        QImage pixels(10000, 10000, QImage::Format_RGB32);
        for (int y = 0; y < pixels.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(pixels.scanLine(y));
            for (int x = 0; x < pixels.width(); ++x)
                line[x] = qRgb(x & 255, y & 255, (x ^ y) & 255);
        }
        image->setImage(pixels);
        geometry =
            new ViewerGeometry(std::make_unique<WidgetViewWindow>(&content), image, &content);
        geometry->setImageSize(10000, 10000);
        selection = new ViewerSelection(&content, geometry);
        QObject::connect(geometry, &ViewerGeometry::selectableAreaChanged, selection,
                         &ViewerSelection::updateSelectableArea);
        selection->setImagePixels(QSize(10000, 10000));
        content.show();
        (void)QTest::qWaitForWindowExposed(&content);
    }
    // The image at `scale` points per pixel, centred where the view allows.
    bool place(double scale) {
        const double side = 10000 * scale;
        geometry->zoom.ZoomingMode = 1;
        geometry->zoom.imageInViewPort = QRectF((1920 - side) / 2, (1080 - side) / 2, side, side);
        geometry->dragBy(QPointF());
        const QSize device(int(std::round(side)), int(std::round(side)));
        if (scale < 1.0 &&
            !QTest::qWaitFor([&] { return image->cache()->sourceFor(device).exact; }, 60000))
            return false;
        QTest::qWait(20);
        return true;
    }
    // A selection drawn with the tool over the middle of the view, 600 x 400
    // points, as content points (y up).
    void select() {
        selection->press(QPointF(660, 340), true);
        selection->drag(QPointF(1260, 740));
        selection->release(false);
    }
    void mouse(QEvent::Type type, QPointF inContent) {
        OrvaneResizeView* view = selection->selectionView();
        const QPointF at = view->mapFrom(&content, inContent);
        QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
};

Scene& scene() {
    static Scene* s = new Scene;
    return *s;
}

// Scale in points per image pixel, x1000.
void MarchStep100MP(benchmark::State& state) {
    Scene& s = scene();
    if (!s.place(state.range(0) / 1000.0)) {
        state.SkipWithError("the reduced copy never arrived");
        return;
    }
    s.select();
    OrvaneResizeView* view = s.selection->selectionView();
    view->stopAnimation();
    QApplication::processEvents();
    for (auto _ : state) {
        view->startAnimation();
        view->stopAnimation();
        // The repaint happens here, on the main thread.
        QApplication::processEvents();
    }
    s.selection->deselect();
}
BENCHMARK(MarchStep100MP)->Arg(108)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

// range(0): scale x1000; range(1): 0 moves the rectangle, 1 drags a corner knob.
// Each step is one pointer move and the repaint it causes.
void DragStep100MP(benchmark::State& state) {
    Scene& s = scene();
    if (!s.place(state.range(0) / 1000.0)) {
        state.SkipWithError("the reduced copy never arrived");
        return;
    }
    s.select();
    OrvaneResizeView* view = s.selection->selectionView();
    const QRect shown = view->geometry();
    const QPointF start =
        state.range(1) == 0 ? QPointF(shown.center()) : QPointF(shown.topLeft()) + QPointF(5, 5);
    s.mouse(QEvent::MouseMove, start);
    s.mouse(QEvent::MouseButtonPress, start);
    QApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        const double d = (++step % 20) - 10;
        s.mouse(QEvent::MouseMove, start + QPointF(d * 3, d * 2));
        QApplication::processEvents();
    }
    s.mouse(QEvent::MouseButtonRelease, start);
    s.selection->deselect();
}
BENCHMARK(DragStep100MP)
    ->Args({108, 0})
    ->Args({108, 1})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({4000, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
