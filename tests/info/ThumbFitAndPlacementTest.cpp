#include "info/PanelPlacement.h"
#include "info/ThumbFit.h"

#include <gtest/gtest.h>

TEST(ThumbFitTest, FitsAndCentresAlongTheSpareSideOrGivesAnEmptyRectangle) {
    const QRectF square(0, 0, 100, 100);
    EXPECT_EQ(ThumbFit::boundsRectToFitImage(QSize(128, 64), square), QRectF(0, 25, 100, 50));
    EXPECT_EQ(ThumbFit::boundsRectToFitImage(QSize(64, 128), square), QRectF(25, 0, 50, 100));
    // Rounded outward to whole units.
    EXPECT_EQ(ThumbFit::boundsRectToFitImage(QSize(3, 1), square), QRectF(0, 33, 100, 34));
    // No size: empty, not NaN.
    const QRectF none = ThumbFit::boundsRectToFitImage(QSize(128, 64), QRectF(0, 0, 0, 0));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_FALSE(std::isnan(none.x()) || std::isnan(none.y()));
    EXPECT_TRUE(ThumbFit::boundsRectToFitImage(QSize(), square).isEmpty());
}

// One screen of 1280 x 800 with a 32-point bar at the top (y upwards). The first start goes top
// right, 24 in; a saved origin is kept (negative as zero) unless the height is too low or it is on
// no screen (the one it was on has gone); a height taller than the screen is cut to it; a second
// screen to the right counts.
TEST(PanelPlacementTest, SavedGeometryIsKeptWhenItFitsAScreenElseTheDefault) {
    const QRectF visible(0, 0, 1280, 768), right(1280, 0, 1920, 1080);
    const QRectF standard = PanelPlacement::defaultFrame(visible);
    EXPECT_EQ(standard, QRectF(1280 - 240 - 24, 768 - 400 - 24, 240, 400));
    const struct {
        PanelPlacement::Saved saved;
        QList<QRectF> usable;
        QRectF placed;
    } cases[] = {
        {{}, {visible}, standard},
        {{100, 100, 399}, {visible}, standard},
        {{300, 50, 520}, {visible}, {300, 50, 240, 520}},
        {{-30, -5, 450}, {visible}, {0, 0, 240, 450}},
        {{3000, 100, 500}, {visible}, standard},
        {{10, 10, 5000}, {visible}, {10, 10, 240, 768}},
        {{2000, 100, 600}, {visible, right}, {2000, 100, 240, 600}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PanelPlacement::place(c.saved, visible, c.usable), c.placed) << c.placed.x();
}
