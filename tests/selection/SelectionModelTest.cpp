#include "selection/SelectionModel.h"

#include <gtest/gtest.h>

namespace {

// 100 x 50 pixels drawn at twice their size, at (10, 20).
const PixelMapping twice(QRectF(10, 20, 200, 100), QSizeF(100, 50), QSize(100, 50));

QRectF drag(SelectionModel& model, QPointF from, QPointF to, bool square = false) {
    model.press(from, true);
    model.dragWasPerformed = true;
    return model.updateOnSelecting(to, square, twice);
}

// Pixels count from the image's bottom-left corner; corners outside the image are clamped into it.
TEST(SelectionDrag, PixelsCountFromTheBottomLeftAndCornersAreClampedIntoTheImage) {
    SelectionModel model;
    EXPECT_EQ(drag(model, QPointF(0, 300), QPointF(400, 0)), QRectF(10, 20, 200, 100));
    EXPECT_EQ(model.selectedPixels, QRectF(0, 0, 100, 50));
    EXPECT_TRUE(model.hasSelection());
    drag(model, QPointF(30, 20), QPointF(50, 30));
    EXPECT_EQ(model.selectedPixels, QRectF(10, 0, 10, 5));
    model.updateOnSelecting(QPointF(50, 120), false, twice);
    EXPECT_EQ(model.selectedPixels, QRectF(10, 0, 10, 50)) << "up to the top edge";
}

TEST(SelectionDrag, ShiftGivesASquareAnchoredWhereTheDragBegan) {
    const QPointF start(110, 70);
    struct Case {
        QPointF to;
        QRectF drawn;
    };
    // 30 points across and 20 up or down, or 20 across and 40 down: a side of 20 from the start.
    const Case cases[] = {
        {QPointF(140, 90), QRectF(110, 70, 20, 20)},
        {QPointF(80, 90), QRectF(90, 70, 20, 20)},
        {QPointF(140, 50), QRectF(110, 50, 20, 20)},
        {QPointF(90, 30), QRectF(90, 50, 20, 20)},
    };
    for (const Case& c : cases) {
        SelectionModel model;
        EXPECT_EQ(drag(model, start, c.to, true), c.drawn) << c.to.x() << "," << c.to.y();
        EXPECT_EQ(model.selectedPixels.width(), 10);
        EXPECT_EQ(model.selectedPixels.height(), 10);
    }
}

// A plain click hides the selection, but not with the zoom or hand tool, and not the press on
// the rectangle (Select All leaves no drag behind; the move's press goes to the rectangle, never
// to the viewer). An empty rectangle is no selection.
TEST(SelectionRelease, APlainClickHidesTheSelection) {
    for (const bool tool : {false, true}) {
        SelectionModel model;
        model.selectAll(twice);
        model.press(QPointF(50, 50), false);
        EXPECT_EQ(model.release(tool), !tool) << tool;
        EXPECT_EQ(model.hasSelection(), tool) << tool;
    }
    SelectionModel moved;
    moved.press(QPointF(50, 50), false);
    moved.selectAll(twice);
    moved.pressOnSelection();
    EXPECT_FALSE(moved.release(false));
    EXPECT_TRUE(moved.hasSelection());

    SelectionModel empty;
    drag(empty, QPointF(30, 30), QPointF(30.4, 80));
    EXPECT_EQ(empty.selectedPixels.width(), 0);
    EXPECT_FALSE(empty.hasSelection());
    EXPECT_TRUE(empty.release(false));
    EXPECT_FALSE(empty.shown);
}

TEST(SelectionMove, KeepsThePixelSizeAndStaysInTheImage) {
    const PixelMapping fit(QRectF(0, 0, 30, 15), QSizeF(100, 50), QSize(100, 50));
    SelectionModel model;
    model.selectedPixels = QRectF(80, 10, 6, 4);
    model.shown = true;
    // Moved hard against the right edge: 28.3 / 0.3 rounds to 94, and 6
    // pixels must still fit.
    EXPECT_EQ(model.movedPixels(QRectF(28.35, 3, 1.8, 1.2), fit), QRectF(94, 10, 6, 4));
    EXPECT_EQ(model.movedPixels(QRectF(-5, -5, 1.8, 1.2), fit), QRectF(0, 0, 6, 4));
}

TEST(SelectionSelectAll, NeedsAPlacedImage) {
    SelectionModel model;
    EXPECT_FALSE(model.selectAll(PixelMapping()));
    EXPECT_FALSE(model.hasSelection());
    EXPECT_TRUE(model.selectAll(twice));
    EXPECT_EQ(model.selectedPixels, QRectF(0, 0, 100, 50));
    model.deselect();
    EXPECT_FALSE(model.hasSelection());
}

} // namespace
