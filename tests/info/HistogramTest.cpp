#include "info/Histogram.h"

#include <QThread>
#include <gtest/gtest.h>
#include <thread>

namespace {

float binTotal(const QList<ClsDrawPoint>& points) {
    float sum = 0;
    for (const ClsDrawPoint& p : points)
        sum += float(p.y);
    return sum;
}

QImage filled(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

} // namespace

TEST(HistogramTest, ATwoColourImageGivesTwoSpikesAtAnyScale) {
    struct Case {
        int width, height;
    };
    // Reduced, enlarged and narrowed: the copy counted holds only the image's colours.
    for (const Case& c : {Case{300, 200}, Case{1000, 500}, Case{2, 2}, Case{3, 5}, Case{4000, 3}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        QImage board(c.width, c.height, QImage::Format_RGB32);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x)
                board.setPixel(x, y, (x + y) % 2 ? 0xffffffff : 0xff000000);
        }
        const QImage counted = HistogramView::imageCompressForSize(board);
        const HistogramView::Bins bins = HistogramView::count(counted);
        const float pixels = float(counted.width()) * float(counted.height());
        EXPECT_GT(bins.luminance[0], 0.0f);
        EXPECT_GT(bins.luminance[255], 0.0f);
        EXPECT_EQ(bins.luminance[0] + bins.luminance[255], pixels) << "no grey in between";
        EXPECT_EQ(bins.red[0] + bins.red[255], pixels);
        EXPECT_EQ(bins.blue[0] + bins.blue[255], pixels);
    }
}

TEST(HistogramTest, GreyFallsIntoTheBinBelowForSomeValues) {
    for (int k : {1, 2, 4, 8, 11, 13, 16})
        EXPECT_EQ(HistogramView::luminanceBin(k, k, k), k - 1) << k;
    for (int k : {0, 3, 5, 255})
        EXPECT_EQ(HistogramView::luminanceBin(k, k, k), k) << k;
}

// Reduced or enlarged to 256 high (49 * (256 / 49) is just below 256); a zero side or more than
// 256 times taller than wide gives no raster.
TEST(HistogramTest, ReductionToTwoHundredFiftySixHighAndDegenerateSizes) {
    const std::pair<QSizeF, QSize> sizes[] = {{{1000, 500}, {512, 256}}, {{700, 256}, {700, 256}},
                                              {{49, 49}, {255, 255}},    {{2, 2}, {256, 256}},
                                              {{0, 100}, {0, 0}},        {{100, 0}, {0, 0}},
                                              {{1, 300}, {0, 256}}};
    for (const auto& [size, raster] : sizes) {
        const QSize got = HistogramView::rasterSize(size);
        EXPECT_TRUE(got == raster || (raster.isEmpty() && got.isEmpty())) << size.width();
    }
    const QImage redrawn = HistogramView::imageCompressForSize(filled(1000, 500, Qt::red));
    EXPECT_EQ(redrawn.size(), QSize(512, 256));
    EXPECT_EQ(redrawn.format(), QImage::Format_RGBA8888_Premultiplied);
    // Very wide and low: the upscaled raster is narrowed, not 2.4 GiB.
    const QSize wide = HistogramView::rasterSize(QSizeF(10000, 1));
    EXPECT_EQ(wide.height(), 256);
    EXPECT_LE(qint64(wide.width()) * wide.height(), qint64(1) << 24) << "16 M pixels at most";
    EXPECT_GE(wide.width(), 1);

    // Too few pixels for a mean bin: S is 0, every height 0, nothing infinite.
    const HistogramResult thin = HistogramView::readImage(filled(1, 161, Qt::white));
    for (const auto* list :
         {&thin.redpoints, &thin.greenpoints, &thin.bluepoints, &thin.whitepoints}) {
        ASSERT_EQ(list->size(), 256);
        EXPECT_EQ(binTotal(*list), 0.0f);
    }
    EXPECT_TRUE(HistogramView::imageCompressForSize(QImage()).isNull());
    EXPECT_EQ(binTotal(HistogramView::readImage(QImage()).whitepoints), 0.0f);
}

// N = 131,072 pixels, S = 8 * N / 256 = 4,096, and all of them in one bin: 3,200 high. Computed
// on several threads at once, each keeps its own bins.
TEST(HistogramTest, ThousandByFiveHundredNormalisesToThirtyTwoHundredOnAnyThread) {
    const QImage white = filled(1000, 500, Qt::white);
    const QImage black = filled(1000, 500, Qt::black);
    HistogramResult a, b;
    std::thread one([&] {
        for (int i = 0; i < 20; ++i)
            a = HistogramView::readImage(white);
    });
    std::thread two([&] {
        for (int i = 0; i < 20; ++i)
            b = HistogramView::readImage(black);
    });
    one.join();
    two.join();
    ASSERT_EQ(a.whitepoints.size(), 256);
    EXPECT_DOUBLE_EQ(a.whitepoints[255].y, 3200.0);
    EXPECT_DOUBLE_EQ(a.redpoints[255].y, 3200.0);
    EXPECT_DOUBLE_EQ(a.whitepoints[0].y, 0.0);
    EXPECT_DOUBLE_EQ(a.redpoints[0].y, 0.0);
    EXPECT_DOUBLE_EQ(b.whitepoints[0].y, 3200.0);
    EXPECT_DOUBLE_EQ(b.whitepoints[255].y, 0.0);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(a.bluepoints[i].x, i);
}
