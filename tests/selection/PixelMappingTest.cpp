#include "selection/PixelMapping.h"

#include <gtest/gtest.h>

namespace {

// A 100 x 50 pixel image at backing scale 1, drawn twice its size at (10, 20).
PixelMapping twice() {
    return PixelMapping(QRectF(10, 20, 200, 100), QSizeF(100, 50), QSize(100, 50));
}

TEST(PixelMappingConversions, ADragOfElevenPointsAtRatioTwoCoversSixPixels) {
    const PixelMapping m = twice();
    ASSERT_TRUE(m.isValid());
    EXPECT_DOUBLE_EQ(m.ratio(), 2.0);
    const QRectF pixels = m.pixelsSnappingEdges(QRectF(10, 20, 11, 4));
    EXPECT_EQ(pixels, QRectF(0, 0, 6, 2)) << "5.5 rounds away from zero";
    const QRectF drawn = m.contentRect(pixels);
    EXPECT_EQ(drawn, QRectF(10, 20, 12, 4)) << "drawn on whole-pixel boundaries";
    EXPECT_EQ(m.pixelsKeepingSize(drawn), pixels) << "and back to the same pixels";
}

TEST(PixelMappingConversions, HalvesRoundAwayFromZeroAndPixelsAreClampedIntoTheImage) {
    const PixelMapping m = twice();
    // Edges at -2.5 and 5.5 pixels: -3 and 6, so 9 pixels from the unclamped
    // edges, starting at 0.
    EXPECT_EQ(m.pixelsSnappingEdges(QRectF(5, 20, 16, 2)), QRectF(0, 0, 9, 1));
    EXPECT_EQ(PixelMapping::round(-2.5), -3.0);
    EXPECT_EQ(PixelMapping::round(2.5), 3.0);
    EXPECT_EQ(m.pixelsKeepingSize(QRectF(0, 0, 100, 60)), QRectF(0, 0, 50, 30))
        << "the origin clamps to 0, the size does not grow with it";
    EXPECT_EQ(m.pixelsKeepingSize(QRectF(190, 100, 40, 40)), QRectF(90, 40, 10, 10))
        << "the far edges stop at the pixel width and height";
    EXPECT_EQ(m.contentRect(QRectF(-4, -4, 2, 2)).topLeft(), QPointF(10, 20));
}

TEST(PixelMappingConversions, OnlyTheDrawnRectangleIsRounded) {
    // 0.3 points per pixel: a large photo shown to fit.
    const PixelMapping m(QRectF(0.4, 0, 30, 15), QSizeF(100, 50), QSize(100, 50));
    const QRectF pixels(7, 3, 6, 6);
    const QRectF exact = m.contentRect(pixels);
    EXPECT_NEAR(exact.width(), 1.8, 1e-9);
    EXPECT_EQ(m.pixelsKeepingSize(exact), pixels);
    const QRectF rounded = m.roundedContentRect(pixels);
    EXPECT_EQ(rounded, QRectF(0.4 + 2, 1, 2, 2));
    EXPECT_NE(m.pixelsKeepingSize(rounded), pixels)
        << "a rounded rectangle does not map back: pixels must never come from it";
}

TEST(PixelMappingRatio, PortraitImagesTakeTheRatioFromTheirHeightAndNoImageNone) {
    const PixelMapping m(QRectF(0, 0, 50, 300), QSizeF(20, 100), QSize(20, 100));
    EXPECT_DOUBLE_EQ(m.ratio(), 3.0);
    // Nothing maps before an image is placed.
    for (const PixelMapping& m :
         {PixelMapping(), PixelMapping(QRectF(0, 0, 1, 1), QSizeF(0, 0), QSize(0, 0)),
          PixelMapping(QRectF(0, 0, 0, 0), QSizeF(400, 400), QSize(400, 400)),
          PixelMapping(QRectF(0, 0, 1e-320, 1), QSizeF(1e308, 1), QSize(10, 1))}) {
        EXPECT_FALSE(m.isValid());
        EXPECT_TRUE(m.allPixels().isNull());
        EXPECT_TRUE(m.pixelsSnappingEdges(QRectF(0, 0, 5, 5)).isNull());
        EXPECT_TRUE(m.contentRect(QRectF(0, 0, 5, 5)).isNull());
    }
}

TEST(PixelMappingSelectAll, GivesEveryPixelAtAnyZoomAndBackingScale) {
    const QSize pixels(333, 157);
    for (const double backing : {1.0, 2.0, 1.5}) {
        const QSizeF points(pixels.width() / backing, pixels.height() / backing);
        for (const double k : {0.0371, 0.25, 0.5, 1.0, 1.73, 2.0, 7.3}) {
            const PixelMapping m(QRectF(-13.25, 7.5, points.width() * k, points.height() * k),
                                 points, pixels);
            EXPECT_EQ(m.allPixels(), QRectF(0, 0, 333, 157)) << "backing " << backing << " k " << k;
        }
    }
}

TEST(PixelMappingSelectAll, TheBackingScaleComesFromTheImageNotTheScreen) {
    // Loaded on a 2x screen (50 x 25 points for 100 x 50 pixels), then shown
    // on a 1x screen: the image still has 100 x 50 pixels.
    const PixelMapping m(QRectF(0, 0, 50, 25), QSizeF(50, 25), QSize(100, 50));
    EXPECT_DOUBLE_EQ(m.backingScale(), 2.0);
    EXPECT_EQ(m.allPixels(), QRectF(0, 0, 100, 50));
    EXPECT_EQ(m.contentRect(QRectF(10, 10, 2, 2)), QRectF(5, 5, 1, 1));
}

} // namespace
