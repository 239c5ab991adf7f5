#include "selection/SelectionInfoBox.h"

#include <gtest/gtest.h>

namespace {

const QSizeF box(80, 40);
const QSizeF view(600, 400);

TEST(SelectionInfoBoxTexts, ShowWholePixels) {
    EXPECT_EQ(SelectionInfoBox::positionText(QRectF(12, 0, 5, 6)), QStringLiteral("X: 12, Y: 0"));
    EXPECT_EQ(SelectionInfoBox::sizeText(QRectF(0, 0, 640, 480.9)),
              QString::fromUtf8("640 \u00d7 480"));
    // The wider of the two texts sets the width, whichever it is.
    EXPECT_EQ(SelectionInfoBox::boxWidth(70, 64) - 70, SelectionInfoBox::boxWidth(50, 90) - 90);
}

TEST(SelectionInfoBoxPlace, TakesTheFirstPlaceThatFits) {
    using B = SelectionInfoBox;
    // Room on the right.
    EXPECT_EQ(B::place(QRectF(100, 100, 50, 50), box, view), QPointF(160, 100));
    // No room on the right, the selection is large: inside its corner.
    EXPECT_EQ(B::place(QRectF(400, 100, 195, 100), box, view), QPointF(505, 110));
    // No room on the right, small: on the left.
    EXPECT_EQ(B::place(QRectF(540, 100, 50, 50), box, view), QPointF(450, 100));
    // Too high for either side, room below.
    EXPECT_EQ(B::place(QRectF(530, 370, 60, 25), box, view), QPointF(510, 320));
    // Below would start at 60 - 80 + 70 = 50, on screen but less than a box's width from the
    // left edge: none fits, so to the right after all.
    EXPECT_EQ(B::place(QRectF(60, 370, 70, 25), box, QSizeF(150, 400)), QPointF(140, 370));
}

} // namespace
