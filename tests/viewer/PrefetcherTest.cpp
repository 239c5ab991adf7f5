#include "viewer/Prefetcher.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/ViewerWindowTest.h"
#include "viewer/DNSImageView.h"
#include "viewer/ImageLoader.h"
#include "viewer/ScaledImageCache.h"

#include <QFile>
#include <QSignalSpy>
#include <cmath>
#include <functional>

namespace {

using PrefetchTest = ViewerWindowTest;

TEST_F(PrefetchTest, NeighboursAreDecodedAheadAndStayWithinTheBudget) {
    Prefetcher prefetcher;
    QSignalSpy ready(&prefetcher, &Prefetcher::ready);
    prefetcher.prefetch(path("img10.gif"), {path("b.PNG"), path("a.jpg")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.size() == 2; }, 10000));
    ASSERT_TRUE(prefetcher.cached(path("a.jpg")));
    EXPECT_EQ(prefetcher.cached(path("a.jpg"))->image.size(), QSize(30, 40));
    // Moving on drops what is no longer next to the current image.
    prefetcher.prefetch(path("b.PNG"), {path("img10.gif"), path("img2.gif")});
    EXPECT_FALSE(prefetcher.cached(path("a.jpg")));
    EXPECT_TRUE(prefetcher.cached(path("b.PNG"))) << "the current image is kept";

    Prefetcher tight;
    tight.setBudget(100);
    QSignalSpy none(&tight, &Prefetcher::ready);
    tight.prefetch(QString(), {path("a.jpg")});
    EXPECT_FALSE(none.wait(500)) << "an image over the budget is not kept";
    EXPECT_EQ(tight.cachedBytes(), 0);

    // A file changed on disk is not served from the cache.
    TestImages::writeImage(path("b.PNG"), TestImages::asymmetric(50, 50), "PNG");
    QFile file(path("b.PNG"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    EXPECT_FALSE(prefetcher.cached(path("b.PNG")));
    // Until what it held is dropped, the changed file is not decoded again.
    prefetcher.dropChanged();
    prefetcher.prefetch(path("img10.gif"), {path("b.PNG")});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return prefetcher.cached(path("b.PNG")).has_value(); }, 10000));
    EXPECT_EQ(prefetcher.cached(path("b.PNG"))->image.size(), QSize(50, 50));
}

// The image just shown is kept by the stamp its file had before the decode:
// a file rewritten while it was decoded (still being written, say) is
// decoded again when the user comes back to it.
TEST_F(PrefetchTest, AnImageKeptAfterItsFileChangedIsNotServed) {
    const QString file = path("b.PNG");
    const auto decode = [&file] {
        LoadedItem item;
        ImageLoader::decodeFile(
            file, false, [](const QString& p) { return ImageSource::createWithURL(p); }, {},
            [&item](LoadedItem out) { item = std::move(out); });
        return item;
    };
    const LoadedItem before = decode();
    ASSERT_FALSE(before.image.isNull());
    ASSERT_TRUE(TestImages::writeImage(file, TestImages::asymmetric(41, 30), "PNG"));
    Prefetcher prefetcher;
    prefetcher.keep(file, before);
    EXPECT_FALSE(prefetcher.cached(file));
    prefetcher.keep(file, decode());
    ASSERT_TRUE(prefetcher.cached(file));
    EXPECT_EQ(prefetcher.cached(file)->image.size(), QSize(41, 30));
}

TEST_F(PrefetchTest, SteppingOnStillDecodesAheadWhenTwoNeighboursFitTheBudget) {
    // The image on screen shares its pixels with the display: only its
    // neighbours count against the budget, or every step forward after the
    // first would find the next image refused.
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files.append(dir.filePath(QStringLiteral("same%1.png").arg(i)));
        TestImages::writeImage(files.last(), TestImages::asymmetric(20, 20), "PNG");
    }
    Prefetcher prefetcher;
    QSignalSpy ready(&prefetcher, &Prefetcher::ready);
    prefetcher.prefetch(QString(), {files[0], files[1]});
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.size() == 2; }, 10000));
    prefetcher.setBudget(prefetcher.cachedBytes());
    prefetcher.prefetch(files[1], {files[2], files[0]});
    ASSERT_TRUE(ready.wait(10000));
    EXPECT_TRUE(prefetcher.cached(files[2]));
    EXPECT_TRUE(prefetcher.cached(files[1]));
    EXPECT_TRUE(prefetcher.cached(files[0]));
}

TEST_F(PrefetchTest, ADecodedNeighbourLargerThanTheScreenArrivesWithItsScreenCopy) {
    // The copy is made for the size the image will be placed at; if that
    // guess is off, the first paint after the step samples the full image.
    QTemporaryDir photos;
    const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i)
        TestImages::writeImage(photos.filePath(QStringLiteral("p%1.png").arg(i)),
                               filled(i == 1 ? 1500 : 2000, i == 1 ? 2400 : 1500, colours[i]),
                               "PNG");
    const std::pair<const char*, std::function<void()>> modes[] = {
        {"fit", [this] { vc->setFitToScreen(); }},
        {"stretch", [this] { vc->setStretchToFit(); }},
        {"fill", [this] { vc->setFillScreen(); }}};
    int reduced = 0;
    for (const auto& [mode, set] : modes) {
        set();
        vc->startWithFile(photos.filePath(QStringLiteral("p0.png")));
        for (int i = 1; i <= 3; ++i) {
            const QString next = photos.filePath(QStringLiteral("p%1.png").arg(i % 3));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return bool(vc->document()->prefetcher()->cached(next)); }, 10000));
            vc->showNextImage();
            ASSERT_EQ(vc->loadState(), ViewController::LoadState::Shown) << "no decode to wait for";
            // The image first opened was decoded by the loader, not ahead; it
            // is kept all the same, so stepping back decodes nothing again.
            EXPECT_TRUE(
                vc->document()->prefetcher()->cached(photos.filePath(QStringLiteral("p0.png"))));
            const QRectF placed = vc->imageView()->imageRect();
            const double dpr = vc->imageView()->devicePixelRatioF();
            const QSize drawn(int(std::round(placed.width() * dpr)),
                              int(std::round(placed.height() * dpr)));
            const QSize full = vc->imageView()->image().size();
            if (drawn.width() >= full.width() || drawn.height() >= full.height())
                continue; // not reduced: drawn from the image itself
            const auto source = vc->imageView()->cache()->sourceFor(drawn);
            ++reduced;
            EXPECT_TRUE(source.exact) << "mode " << mode << ", image " << i % 3 << " drawn at "
                                      << drawn.width() << "x" << drawn.height();
            EXPECT_EQ(source.image.pixelColor(drawn.width() / 2, drawn.height() / 2),
                      colours[i % 3]);
        }
    }
    EXPECT_GE(reduced, 6);
}

TEST_F(PrefetchTest, ACameraRawIsFirstShownFromItsOwnPreview) {
    // Demosaicing takes seconds on real files; the camera's preview of the
    // same shape stands in, sized as the full image. One of another shape
    // would make the picture jump, so it is not used.
    QImage raw(900, 600, QImage::Format_RGB32);
    raw.fill(Qt::red);
    struct Case {
        const char* name;
        QSize preview;
        bool used;
    };
    for (const Case& c : {Case{"same-shape.dng", QSize(720, 480), true},
                          Case{"square-preview.dng", QSize(640, 640), false},
                          Case{"tiny-preview.dng", QSize(160, 106), false}}) {
        QImage preview(c.preview, QImage::Format_RGB32);
        preview.fill(Qt::blue);
        const QString file = path(c.name);
        ASSERT_TRUE(TestImages::write(
            file,
            FormatFixtures::linearDng(raw, TestImages::encode(preview, "JPEG", 95), c.preview)));
        ImageLoader loader;
        QSignalSpy loaded(&loader, &ImageLoader::loaded);
        loader.loadFile(file, QSize(800, 600));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !loaded.isEmpty() && !loaded.last().first().value<LoadedItem>().preview; },
            10000))
            << c.name;
        const auto full = loaded.last().first().value<LoadedItem>();
        EXPECT_EQ(full.image.size(), QSize(900, 600)) << c.name;
        ASSERT_EQ(loaded.size(), c.used ? 2 : 1) << c.name;
        if (c.used) {
            const auto first = loaded.first().first().value<LoadedItem>();
            EXPECT_TRUE(first.preview);
            EXPECT_EQ(first.fullSize, QSize(900, 600));
            EXPECT_LE(std::abs(first.image.pixelColor(100, 100).blue() - 255), 8);
        }
    }
}

TEST_F(PrefetchTest, LargeJpegIsFirstShownReducedThenInFull) {
    const QString big = path("big.jpg");
    TestImages::write(big,
                      TestImages::jpegWithOrientation(QImage(2400, 1600, QImage::Format_RGB32), 6));
    QSize full;
    const QImage preview = ImageLoader::jpegPreview(big, QSize(800, 600), &full);
    EXPECT_EQ(full, QSize(1600, 2400)) << "upright";
    EXPECT_EQ(preview.size(), QSize(200, 300)) << "an eighth, upright";
    EXPECT_TRUE(ImageLoader::jpegPreview(path("a.jpg"), QSize(800, 600), &full).isNull())
        << "a small JPEG needs no preview";
    EXPECT_TRUE(ImageLoader::jpegPreview(path("b.PNG"), QSize(10, 10), &full).isNull());

    // The two decodes run side by side; a first look that loses the race
    // to the full image is not delivered after it. Both come with a copy at
    // the size they will be drawn at, so that neither paint scales.
    ImageLoader loader;
    QSignalSpy loaded(&loader, &ImageLoader::loaded);
    loader.loadFile(big, QSize(800, 600), [](const QSize& pixels) { return pixels / 4; });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !loaded.isEmpty() && !loaded.last().first().value<LoadedItem>().preview; },
        10000));
    QTest::qWait(100);
    ASSERT_LE(loaded.size(), 2);
    EXPECT_FALSE(loaded.last().first().value<LoadedItem>().preview)
        << "nothing after the full image";
    EXPECT_EQ(loaded.last().first().value<LoadedItem>().image.size(), QSize(1600, 2400));
    EXPECT_EQ(loaded.last().first().value<LoadedItem>().screenCopy.size(), QSize(400, 600));
    if (loaded.size() == 2) {
        const auto first = loaded[0].first().value<LoadedItem>();
        EXPECT_TRUE(first.preview);
        EXPECT_EQ(first.fullSize, QSize(1600, 2400));
        EXPECT_EQ(first.screenCopy.size(), QSize(400, 600)) << "enlarged from its 200 x 300";
    }
}

} // namespace
