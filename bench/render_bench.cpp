// What drawing costs: one 1920 x 1080 frame of the image view for a
// 100-megapixel image at several zooms (once the reduced copy for that zoom
// exists), and one call of the zoom engine.
#include "geometry/ZoomEngine.h"
#include "viewer/DNSImageView.h"
#include "viewer/ScaledImageCache.h"

#include <QApplication>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

DNSImageView& viewWithLargeImage() {
    static DNSImageView* view = [] {
        auto* v = new DNSImageView;
        v->resize(1920, 1080);
        QImage image(10000, 10000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb(x & 255, y & 255, (x ^ y) & 255);
        }
        v->setImage(image);
        return v;
    }();
    return *view;
}

// Scale in device pixels per image pixel, x1000.
void DrawFrame100MP(benchmark::State& state) {
    DNSImageView& view = viewWithLargeImage();
    const double scale = state.range(0) / 1000.0;
    const double side = 10000 * scale;
    // Centred on the view, as a zoom about the centre leaves it.
    view.setImageRect(QRectF((1920 - side) / 2, (1080 - side) / 2, side, side));
    view.setNearestFilter(scale > 4.0);
    QImage frame(1920, 1080, QImage::Format_RGB32);
    if (scale < 1.0) {
        const QSize device(int(std::round(side)), int(std::round(side)));
        if (!QTest::qWaitFor([&] { return view.cache()->sourceFor(device).exact; }, 60000))
            state.SkipWithError("the reduced copy never arrived");
    }
    for (auto _ : state) {
        frame.fill(Qt::black);
        view.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(DrawFrame100MP)
    ->Arg(108)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Arg(8000)
    ->Unit(benchmark::kMillisecond);

void ZoomEngineCall(benchmark::State& state) {
    ZoomEngine::Environment env;
    env.windowFrame = QRectF(100, 100, 1200, 800);
    env.screenVisibleFrame = QRectF(0, 0, 1920, 1050);
    env.screenFrame = QRectF(0, 0, 1920, 1080);
    env.viewWidth = 1200;
    env.viewHeight = 800;
    env.hasImage = true;
    env.mouseLocation = QPointF(700, 500);
    ZoomEngine::Request pinch;
    pinch.hasEvent = true;
    for (auto _ : state) {
        ZoomEngine engine;
        engine.imageWidth = 10000;
        engine.imageHeight = 10000;
        engine.imageInViewPort = QRectF(0, 0, 1000, 1000);
        pinch.magnification = 0.05;
        benchmark::DoNotOptimize(engine.zoomImageWithEvent(pinch, env));
    }
}
BENCHMARK(ZoomEngineCall);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
