#include "geometry/GridLayout.h"

#include <gtest/gtest.h>

namespace {

// Ten tiles, four to a row in a view that shows two rows: rows 0-3, 4-7, 8-9.
const QSize view = GridLayout::sizeFor(4, 2) + QSize(20, 0);

TEST(GridLayout, KeysMoveTheSelectionWithinTheGrid) {
    const GridLayout grid(10, view.width(), view.height());
    ASSERT_EQ(grid.columns(), 4);
    const struct {
        qsizetype from;
        int key;
        qsizetype to;
    } cases[] = {
        {5, Qt::Key_Right, 6},  {3, Qt::Key_Right, 4},    {9, Qt::Key_Right, 9},
        {4, Qt::Key_Left, 3},   {0, Qt::Key_Left, 0},     {5, Qt::Key_Up, 1},
        {1, Qt::Key_Up, 1},     {1, Qt::Key_Down, 5},     {7, Qt::Key_Down, 9},
        {9, Qt::Key_Down, 9},   {1, Qt::Key_PageDown, 9}, {0, Qt::Key_PageDown, 8},
        {9, Qt::Key_PageUp, 1}, {6, Qt::Key_PageUp, 2},   {6, Qt::Key_Home, 0},
        {2, Qt::Key_End, 9},    {2, Qt::Key_A, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(grid.moved(c.from, c.key), c.to) << c.from << " key " << c.key;
    EXPECT_EQ(GridLayout(0, view.width(), view.height()).moved(0, Qt::Key_End), 0);
}

TEST(GridLayout, ScrollingShowsTheRowsInViewAndFindsTiles) {
    const GridLayout grid(10, view.width(), view.height());
    EXPECT_EQ(grid.visible(0), std::make_pair(qsizetype(0), qsizetype(7)));
    EXPECT_EQ(grid.visible(grid.maxScroll()), std::make_pair(qsizetype(4), qsizetype(9)));
    // Bringing the last row into view scrolls to the end; the first, back to 0.
    EXPECT_EQ(grid.scrollToShow(9, 0), grid.maxScroll());
    EXPECT_EQ(grid.scrollToShow(0, grid.maxScroll()), 0);
    EXPECT_EQ(grid.scrollToShow(5, 0), 0); // already whole in view
    for (const qsizetype index : {0, 6, 9}) {
        const QRect tile = grid.tileRect(index, grid.maxScroll());
        EXPECT_EQ(grid.indexAt(tile.center(), grid.maxScroll()), index);
    }
    // Between tiles, and past the short last row, is no tile.
    const QRect last = grid.tileRect(9, grid.maxScroll());
    EXPECT_EQ(grid.indexAt(last.center() + QPoint(GridLayout::tileSide, 0), grid.maxScroll()), -1);
    EXPECT_EQ(grid.indexAt(last.topRight() + QPoint(GridLayout::spacing / 2, 4), grid.maxScroll()),
              -1);
    // A folder of a hundred thousand still fits the integers it is scrolled by.
    const GridLayout huge(100000, view.width(), view.height());
    EXPECT_EQ(huge.visible(huge.maxScroll()).second, 99999);
}

} // namespace
