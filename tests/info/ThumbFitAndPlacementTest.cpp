#include "info/PanelPlacement.h"
#include "info/ThumbFit.h"

#include <gtest/gtest.h>

TEST(ThumbFitTest, FitsAndCentresAlongTheSpareSide) {
    EXPECT_EQ(ThumbFit::boundsRectToFitImage(QSize(128, 64), QRectF(0, 0, 100, 100)),
              QRectF(0, 25, 100, 50));
    EXPECT_EQ(ThumbFit::boundsRectToFitImage(QSize(64, 128), QRectF(0, 0, 100, 100)),
              QRectF(25, 0, 50, 100));
    // Rounded outward to whole units.
    EXPECT_EQ(ThumbFit::boundsRectToFitImage(QSize(3, 1), QRectF(0, 0, 100, 100)),
              QRectF(0, 33, 100, 34));
}

TEST(ThumbFitTest, NoSizeGivesAnEmptyRectangleNotNaN) {
    const QRectF none = ThumbFit::boundsRectToFitImage(QSize(128, 64), QRectF(0, 0, 0, 0));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_FALSE(std::isnan(none.x()) || std::isnan(none.y()));
    EXPECT_TRUE(ThumbFit::boundsRectToFitImage(QSize(), QRectF(0, 0, 100, 100)).isEmpty());
}

namespace {

// One screen of 1280 x 800 with a 32-point bar at the top (y upwards).
const QRectF visible(0, 0, 1280, 768);
const QList<QRectF> usable{visible};

} // namespace

TEST(PanelPlacementTest, FirstStartGoesTopRightTwentyFourIn) {
    EXPECT_EQ(PanelPlacement::place({}, visible, usable),
              QRectF(1280 - 240 - 24, 768 - 400 - 24, 240, 400));
}

TEST(PanelPlacementTest, ATooLowHeightDropsTheSavedOriginToo) {
    EXPECT_EQ(PanelPlacement::place({100, 100, 399}, visible, usable),
              PanelPlacement::defaultFrame(visible));
}

TEST(PanelPlacementTest, SavedGeometryIsKeptWithNegativeOriginsAsZero) {
    EXPECT_EQ(PanelPlacement::place({300, 50, 520}, visible, usable), QRectF(300, 50, 240, 520));
    EXPECT_EQ(PanelPlacement::place({-30, -5, 450}, visible, usable), QRectF(0, 0, 240, 450));
}

TEST(PanelPlacementTest, AnOriginOnNoScreenFallsBackAndTheHeightFitsTheScreen) {
    // The screen it was on has gone.
    EXPECT_EQ(PanelPlacement::place({3000, 100, 500}, visible, usable),
              PanelPlacement::defaultFrame(visible));
    // Taller than the usable height.
    EXPECT_EQ(PanelPlacement::place({10, 10, 5000}, visible, usable), QRectF(10, 10, 240, 768));
    // A second screen to the right counts.
    const QRectF right(1280, 0, 1920, 1080);
    EXPECT_EQ(PanelPlacement::place({2000, 100, 600}, visible, {visible, right}),
              QRectF(2000, 100, 240, 600));
}
