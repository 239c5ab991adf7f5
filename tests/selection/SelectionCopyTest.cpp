#include "selection/SelectionCopy.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

// Each pixel's colour says where it is: red = column, green = row from the top.
QImage where(int w, int h, QImage::Format format = QImage::Format_ARGB32) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x, y, 7, 100 + (x + y) % 50));
    return image.convertToFormat(format);
}

TEST(SelectionCopyPixels, TakesTheRectangleCountedFromTheBottomAtFullPixelsCutToTheImage) {
    const QImage shown = where(100, 80);
    const QImage copy = SelectionCopy::imageInSelectionArea(shown, QRectF(10, 20, 30, 40), 2.0);
    ASSERT_EQ(copy.size(), QSize(30, 40));
    EXPECT_EQ(copy.deviceIndependentSize(), QSizeF(15, 20)) << "nominal size in points";
    // Row 20 from the bottom is the last row of the copy: 80 - 1 - 20 from the top.
    EXPECT_EQ(copy.pixel(0, 39), shown.pixel(10, 59));
    EXPECT_EQ(copy.pixel(29, 0), shown.pixel(39, 20));
    EXPECT_EQ(qAlpha(copy.pixel(3, 3)), qAlpha(shown.pixel(13, 23))) << "alpha kept";

    // A selection past the image is cut to it.
    const QImage cut = SelectionCopy::imageInSelectionArea(shown, QRectF(90, -5, 30, 15), 1.0);
    ASSERT_EQ(cut.size(), QSize(10, 10));
    EXPECT_EQ(cut.pixel(0, 9), shown.pixel(90, 79)) << "bottom-left stays at the image's corner";
    EXPECT_TRUE(SelectionCopy::imageInSelectionArea(shown, QRectF(110, 0, 10, 10), 1.0).isNull());
    EXPECT_TRUE(SelectionCopy::imageInSelectionArea(shown, QRectF(), 1.0).isNull());
    EXPECT_TRUE(SelectionCopy::imageInSelectionArea(QImage(), QRectF(0, 0, 5, 5), 1.0).isNull());
    const double inf = std::numeric_limits<double>::infinity();
    const QImage huge =
        SelectionCopy::imageInSelectionArea(shown, QRectF(-1e300, -1e300, inf, inf), 1);
    EXPECT_TRUE(huge.isNull() || huge.size() == shown.size());
}

TEST(SelectionCopyPixels, KeepsDepthAndUsesScaleOneForABadBackingScale) {
    const QImage deep = where(20, 20, QImage::Format_RGBA64);
    const QImage copy = SelectionCopy::imageInSelectionArea(deep, QRectF(0, 0, 5, 5), 0.0);
    EXPECT_EQ(copy.format(), QImage::Format_RGBA64);
    EXPECT_EQ(copy.devicePixelRatio(), 1.0);
    EXPECT_EQ(copy.pixelColor(0, 4), deep.pixelColor(0, 19));
    // The whole image at its own scale is the shown pixels, not a second copy of them.
    EXPECT_EQ(SelectionCopy::imageInSelectionArea(deep, QRectF(0, 0, 20, 20), 0.0).constBits(),
              deep.constBits());
    EXPECT_NE(SelectionCopy::imageInSelectionArea(deep, QRectF(0, 0, 20, 20), 2.0).constBits(),
              deep.constBits())
        << "another nominal size needs pixels of its own";
}

} // namespace
