#include "viewer/ScaledImageCache.h"
#include "viewer/DNSImageView.h"

#include <QTest>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// One-pixel stripes on the left half and a zone plate on the right: the
// patterns that alias first when an image is reduced by sampling.
QImage moirePattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int v;
            if (x < w / 2) {
                v = (x % 2) ? 255 : 0;
            } else {
                const double dx = x - w * 0.75;
                const double dy = y - h * 0.5;
                v = int(
                    std::lround(127.5 + 127.5 * std::cos(M_PI * (dx * dx + dy * dy) / (w * 0.5))));
            }
            line[x] = qRgb(v, v, v);
        }
    }
    return image;
}

// The peak signal-to-noise ratio of the drawing against the mean of each
// block of `ratio` x `ratio` pixels, the exact area average.
double psnrAgainstBlockMeans(const QImage& shown, const QImage& image, int ratio) {
    double squared = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            double sum = 0;
            for (int by = 0; by < ratio; ++by)
                for (int bx = 0; bx < ratio; ++bx)
                    sum += qGray(image.pixel(x * ratio + bx, y * ratio + by));
            const double d = qGray(shown.pixel(x, y)) - sum / (ratio * ratio);
            squared += d * d;
        }
    }
    const double mse = squared / (double(shown.width()) * shown.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

TEST(ScaledImageCache, ReducedDrawingMatchesAnAreaAverageWithoutMoire) {
    const QImage pattern = moirePattern(6000, 4002);
    const int tw = 1000, th = 667;
    DNSImageView view;
    view.resize(tw, th);
    view.setImage(pattern);
    view.setImageRect(QRectF(0, 0, tw, th));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view.cache()->sourceFor(QSize(tw, th)).exact; }, 30000));
    QImage shown(tw, th, QImage::Format_RGB32);
    shown.fill(Qt::black);
    view.render(&shown);
    const double drawn = psnrAgainstBlockMeans(shown, pattern, 6);
    std::printf("PSNR of the reduced drawing against an area average: %.1f dB\n", drawn);
    EXPECT_GE(drawn, 35.0) << "plain smooth sampling of the full image stays below 30 dB";
}

TEST(ScaledImageCache, HalvingAveragesBlocksAndKeepsOddEdges) {
    QImage image(3, 3, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    image.setPixel(0, 0, qRgb(200, 100, 40));
    image.setPixel(2, 2, qRgb(255, 255, 255));
    const QImage half = ScaledImageCache::reduceByHalf(image);
    ASSERT_EQ(half.size(), QSize(1, 1));
    EXPECT_EQ(qRed(half.pixel(0, 0)), 50);
    EXPECT_EQ(qGreen(half.pixel(0, 0)), 25);
    EXPECT_EQ(ScaledImageCache::reduceByHalf(QImage(1, 1, QImage::Format_RGB32)).size(),
              QSize(1, 1));
}

TEST(ScaledImageCache, AScreenCopyServesItsSizeAtOnceAndOtherSizesAreStillMade) {
    ScaledImageCache cache;
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::green);
    QImage copy(200, 150, QImage::Format_RGB32);
    copy.fill(Qt::green);
    cache.setImage(image, copy);
    const auto served = cache.sourceFor(QSize(200, 150));
    EXPECT_TRUE(served.exact);
    EXPECT_EQ(served.image.cacheKey(), copy.cacheKey()) << "the copy itself, not a new one";
    // Drawn only at that size, the image holds no halvings.
    QTest::qWait(400);
    EXPECT_TRUE(cache.halvings().isEmpty());
    // Zooming asks for another size: halvings and an exact copy follow.
    ASSERT_TRUE(QTest::qWaitFor([&] { return cache.sourceFor(QSize(300, 225)).exact; }, 5000));
    EXPECT_EQ(cache.sourceFor(QSize(300, 225)).image.size(), QSize(300, 225));
    // The halvings for that zoom are made beside the copy, and may come after it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !cache.halvings().isEmpty(); }, 5000));
    EXPECT_EQ(ScaledImageCache::reducedTo(image, QSize(120, 90)).pixelColor(60, 45),
              QColor(Qt::green));
}

} // namespace
