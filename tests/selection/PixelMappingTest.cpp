#include "selection/PixelMapping.h"

#include <gtest/gtest.h>

namespace {

// A 100 x 50 pixel image at backing scale 1, drawn twice its size at (10, 20).
PixelMapping twice() {
    return PixelMapping(QRectF(10, 20, 200, 100), QSizeF(100, 50), QSize(100, 50));
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

} // namespace
