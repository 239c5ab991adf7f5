#include "viewer/ToolModes.h"

#include <gtest/gtest.h>

namespace {

using Press = ToolModes::Press;
using Cursor = ToolModes::Cursor;
const QSizeF view(400, 300);
const QPointF middle(200, 150);

TEST(ToolModes, APressGoesToTheFirstToolThatIsOnThenToTheEdge) {
    ToolModes modes;
    EXPECT_EQ(modes.press(Qt::LeftButton, middle, view, true), Press::MoveWindow);
    EXPECT_EQ(modes.press(Qt::RightButton, middle, view, true), Press::Ignore);
    EXPECT_EQ(modes.press(Qt::LeftButton, QPointF(399, 150), view, true), Press::ResizeWindow);
    EXPECT_EQ(modes.press(Qt::LeftButton, QPointF(399, 150), view, false), Press::MoveWindow)
        << "a maximised window has no edge to drag";

    modes.canBeSelected(true);
    EXPECT_EQ(modes.press(Qt::LeftButton, middle, view, true), Press::Select);
    EXPECT_EQ(modes.press(Qt::LeftButton, QPointF(0, 0), view, true), Press::Select)
        << "a selection may start at the window's edge";
    modes.canBeScrolled(true);
    EXPECT_EQ(modes.press(Qt::LeftButton, middle, view, true), Press::Pan);
    modes.release(Qt::LeftButton);
    modes.canBeZoomed(true, false);
    EXPECT_EQ(modes.press(Qt::LeftButton, QPointF(0, 0), view, true), Press::Zoom);
    EXPECT_EQ(modes.cursor(QPointF(0, 0), view, true, false), Cursor::ZoomOut)
        << "the edge shows the tool it will use";
}

TEST(ToolModes, APlainDragPansOnlyWhereTheWindowCoversTheScreenAndTheImageIsLarger) {
    const QSizeF visible(1440, 870);
    struct Case {
        QSizeF frame;
        bool larger;
        bool pans;
    } cases[] = {
        {QSizeF(1440, 870), true, true},   // maximised
        {QSizeF(1440, 900), true, true},   // full screen
        {QSizeF(1439, 869), true, true},   // a window manager's border
        {QSizeF(1440, 870), false, false}, // the whole image is in view
        {QSizeF(1200, 870), true, false},  // the window can still grow
        {QSizeF(1440, 600), true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToolModes::dragPansImage(c.frame, visible, c.larger), c.pans) << c.frame.width();
    EXPECT_FALSE(ToolModes::dragPansImage(QSizeF(1440, 870), QSizeF(), true)) << "no screen";

    ToolModes modes;
    EXPECT_EQ(modes.press(Qt::LeftButton, middle, view, false, true), Press::Pan);
    EXPECT_EQ(modes.cursor(middle, view, false, true), Cursor::ClosedHand);
    EXPECT_EQ(modes.moveTo(middle + QPointF(-20, 5)), QPointF(-20, 5));
    EXPECT_FALSE(modes.windowMoveStarts(middle + QPointF(-40, 5), 10)) << "the window stays";
    EXPECT_TRUE(modes.release(Qt::LeftButton));
    EXPECT_EQ(modes.cursor(middle, view, false, false), Cursor::Arrow);
    EXPECT_EQ(modes.press(Qt::LeftButton, QPointF(399, 150), view, true, true), Press::ResizeWindow)
        << "an edge still resizes";
}

TEST(ToolModes, TheWindowMovesOnlyOnceADragPassesTheThreshold) {
    ToolModes modes;
    modes.press(Qt::LeftButton, middle, view, true);
    EXPECT_FALSE(modes.windowMoveStarts(middle + QPointF(2, 1), 10)) << "a click, not yet a drag";
    EXPECT_TRUE(modes.windowMoveStarts(middle + QPointF(8, 3), 10));
    EXPECT_FALSE(modes.windowMoveStarts(middle + QPointF(30, 3), 10)) << "started once";

    modes.press(Qt::LeftButton, middle, view, true);
    modes.release(Qt::LeftButton);
    EXPECT_FALSE(modes.windowMoveStarts(middle + QPointF(30, 3), 10)) << "the click is over";
    modes.canBeSelected(true);
    modes.press(Qt::LeftButton, middle, view, true);
    EXPECT_FALSE(modes.windowMoveStarts(middle + QPointF(30, 3), 10)) << "a tool's drag";
}

TEST(ToolModes, TheHandToolPansByEachStepOfTheDrag) {
    ToolModes modes;
    EXPECT_FALSE(modes.moveTo(middle)) << "no pan without the hand tool";
    EXPECT_TRUE(modes.canBeScrolled(true));
    EXPECT_FALSE(modes.canBeScrolled(true)) << "a repeating Space changes nothing";
    EXPECT_EQ(modes.cursor(middle, view, true, false), Cursor::OpenHand);
    modes.press(Qt::LeftButton, QPointF(100, 100), view, true);
    EXPECT_EQ(modes.cursor(middle, view, true, true), Cursor::ClosedHand);
    EXPECT_EQ(modes.moveTo(QPointF(110, 95)), QPointF(10, -5));
    EXPECT_EQ(modes.moveTo(QPointF(111, 95)), QPointF(1, 0));
    EXPECT_FALSE(modes.release(Qt::RightButton));
    EXPECT_TRUE(modes.release(Qt::LeftButton));
    EXPECT_FALSE(modes.moveTo(QPointF(120, 95)));
    EXPECT_EQ(modes.cursor(middle, view, true, false), Cursor::OpenHand);
}

TEST(ToolModes, CursorsShowTheEdgeWhenHoveringAndOtherwiseTheTool) {
    ToolModes modes;
    EXPECT_EQ(modes.cursor(middle, view, true, false), Cursor::Arrow);
    EXPECT_EQ(modes.cursor(QPointF(1, 1), view, true, false), Cursor::ResizeForwardDiagonal);
    EXPECT_EQ(modes.cursor(QPointF(399, 1), view, true, false), Cursor::ResizeBackwardDiagonal);
    EXPECT_EQ(modes.cursor(QPointF(1, 150), view, true, false), Cursor::ResizeHorizontal);
    EXPECT_EQ(modes.cursor(QPointF(200, 299), view, true, false), Cursor::ResizeVertical);
    EXPECT_EQ(modes.cursor(QPointF(1, 150), view, false, false), Cursor::Arrow);
    modes.canBeSelected(true);
    EXPECT_EQ(modes.cursor(middle, view, true, false), Cursor::Crosshair);
    modes.canBeZoomed(true, true);
    EXPECT_EQ(modes.cursor(middle, view, true, false), Cursor::ZoomIn);
    EXPECT_EQ(modes.cursor(QPointF(1, 150), view, true, true), Cursor::ZoomIn)
        << "a held button is no hover";
}

TEST(ToolModes, LosingTheKeyboardEndsTheHeldToolsButNotTheSelectionTool) {
    ToolModes modes;
    EXPECT_FALSE(modes.keysLost());
    modes.canBeScrolled(true);
    modes.press(Qt::LeftButton, middle, view, true);
    ASSERT_TRUE(modes.isPanning());
    modes.canBeZoomed(true, false);
    modes.canBeSelected(true);
    EXPECT_TRUE(modes.keysLost());
    EXPECT_FALSE(modes.inZooming());
    EXPECT_FALSE(modes.inDragging());
    EXPECT_FALSE(modes.isPanning());
    EXPECT_TRUE(modes.inSelecting()) << "toggled, not held";
    EXPECT_EQ(modes.press(Qt::LeftButton, middle, view, true), Press::Select);
}

TEST(ToolModes, ALiveResizeLastsUntilThePointerIsBackAfterTheWindowChangedSize) {
    ToolModes modes;
    modes.startLiveResize();
    modes.pointerSeen(true);
    EXPECT_TRUE(modes.inLiveResize()) << "the press's own drag, before the window system takes it";
    modes.viewResized();
    modes.viewResized();
    EXPECT_TRUE(modes.inLiveResize());
    modes.pointerSeen(true);
    EXPECT_FALSE(modes.inLiveResize()) << "the window system reports no release: a move will do";
    modes.viewResized();
    EXPECT_FALSE(modes.inLiveResize()) << "a later size change is not the user's";

    modes.startLiveResize();
    modes.pointerSeen(false);
    EXPECT_FALSE(modes.inLiveResize()) << "a click at the edge that never resized";
}

TEST(ToolModes, ADoubleClickMaximisesOnTheTopStripElsewhereTogglesFullScreenAndIsNoToolsClick) {
    using D = ToolModes::DoubleClick;
    const struct {
        double y;
        bool fullScreen;
        int tool; // 0 none, 1 zoom, 2 hand, 3 selection
        D does;
    } cases[] = {{10, false, 0, D::ToggleMaximized},
                 {21.5, false, 0, D::ToggleMaximized},
                 {22, false, 0, D::ToggleFullScreen},
                 {200, false, 0, D::ToggleFullScreen},
                 {10, true, 0, D::ToggleFullScreen},
                 {10, false, 1, D::None},
                 {200, false, 2, D::None},
                 {200, true, 3, D::None}};
    for (const auto& c : cases) {
        ToolModes modes;
        modes.canBeZoomed(c.tool == 1, true);
        modes.canBeScrolled(c.tool == 2);
        modes.canBeSelected(c.tool == 3);
        EXPECT_EQ(modes.doubleClick(c.y, c.fullScreen), c.does) << c.y << c.fullScreen << c.tool;
    }
}

TEST(ToolModes, ControlWithTheWheelZoomsAndThePlainWheelOnlyPans) {
    const auto plain = ToolModes::wheel(QPoint(0, 120), QPointF(), {});
    EXPECT_FALSE(plain.zoom);
    EXPECT_EQ(plain.pan, QPointF(0, 60));
    const auto touchpad = ToolModes::wheel(QPoint(0, 24), QPointF(3, 12), Qt::ShiftModifier);
    EXPECT_FALSE(touchpad.zoom);
    EXPECT_EQ(touchpad.pan, QPointF(3, 12)) << "touchpads pan by their pixels";

    const auto in = ToolModes::wheel(QPoint(0, 120), QPointF(), Qt::ControlModifier);
    const auto out = ToolModes::wheel(QPoint(0, -120), QPointF(), Qt::ControlModifier);
    EXPECT_TRUE(in.zoom);
    EXPECT_DOUBLE_EQ(in.magnification, 0.25);
    EXPECT_DOUBLE_EQ((1 + in.magnification) * (1 + out.magnification), 1.0)
        << "a notch out undoes a notch in";
    const auto smooth = ToolModes::wheel(QPoint(), QPointF(0, 30), Qt::ControlModifier);
    EXPECT_TRUE(smooth.zoom);
    EXPECT_GT(smooth.magnification, 0);
    EXPECT_LT(smooth.magnification, in.magnification) << "half a notch of pixels, half a step";
    EXPECT_FALSE(ToolModes::wheel(QPoint(120, 0), QPointF(), Qt::ControlModifier).zoom)
        << "sideways is no zoom";
}

} // namespace
