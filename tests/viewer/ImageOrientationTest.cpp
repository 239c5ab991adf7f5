#include "viewer/ImageOrientation.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

namespace {

// Where each stored pixel (x, y) of a w x h image lands when shown upright,
// as the EXIF orientations define it.
QPoint shownAt(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
    case 2:
        return {w - 1 - x, y};
    case 3:
        return {w - 1 - x, h - 1 - y};
    case 4:
        return {x, h - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {h - 1 - y, x};
    case 7:
        return {h - 1 - y, w - 1 - x};
    case 8:
        return {y, w - 1 - x};
    default:
        return {x, y};
    }
}

TEST(ImageOrientation, EveryOrientationMovesEachPixelExactlyKeepingAlphaWhenThereIsSome) {
    const QImage stored = TestImages::asymmetric(3, 2);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QImage shown = ImageOrientation::CGImageCreateDecoded(stored, orientation);
        const bool turned = orientation >= 5;
        ASSERT_EQ(shown.size(), turned ? QSize(2, 3) : QSize(3, 2)) << orientation;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                const QPoint p = shownAt(orientation, x, y, 3, 2);
                EXPECT_EQ(shown.pixel(p), stored.pixel(x, y))
                    << "orientation " << orientation << " pixel " << x << "," << y;
            }
        }
    }
    // Alpha is kept only when there is some; an unknown orientation is upright.
    for (int orientation : {0, 9, -1, 1000})
        EXPECT_EQ(ImageOrientation::CGImageCreateDecoded(stored, orientation), stored);
    QImage withAlpha(4, 2, QImage::Format_ARGB32);
    withAlpha.fill(QColor(10, 20, 30, 128));
    EXPECT_TRUE(ImageOrientation::CGImageContainsAlpha(withAlpha));
    EXPECT_EQ(ImageOrientation::CGImageCreateDecoded(withAlpha, 6).format(),
              QImage::Format_ARGB32_Premultiplied);
    QImage grey(4, 2, QImage::Format_Grayscale8);
    grey.fill(7);
    EXPECT_FALSE(ImageOrientation::CGImageContainsAlpha(grey));
    EXPECT_EQ(ImageOrientation::CGImageCreateDecoded(grey, 1).format(), QImage::Format_RGB32);
    EXPECT_TRUE(ImageOrientation::CGImageCreateDecoded(QImage(), 6).isNull());
    EXPECT_FALSE(ImageOrientation::CGImageContainsAlpha(QImage()));
}

} // namespace
