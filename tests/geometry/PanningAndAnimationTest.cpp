#include "geometry/KeyMap.h"
#include "geometry/Panning.h"
#include "geometry/RendererAnimation.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace {

TEST(Panning, KeysStopAtTheImageEdgesAndFullScreenKeepsAFittingAxisCentred) {
    QRectF image(-780, -562.5, 3000, 2000);
    image = Panning::moveImage(3, image, 1440, 875, false);
    EXPECT_DOUBLE_EQ(image.x(), -1130);
    for (int i = 0; i < 5; ++i)
        image = Panning::moveImage(3, image, 1440, 875, false);
    EXPECT_DOUBLE_EQ(image.x(), 1440 - 3000);
    image.moveLeft(-100);
    EXPECT_DOUBLE_EQ(Panning::moveImage(2, image, 1440, 875, false).x(), 0) << "not +250";
    EXPECT_DOUBLE_EQ(Panning::moveImage(0, image, 1440, 875, false).y(), -562.5 - 350);
    EXPECT_DOUBLE_EQ(Panning::moveImage(1, image, 1440, 875, false).y(), -212.5);

    // Full screen keeps a fitting axis centred.
    image = QRectF(220, -300, 1000, 1500);
    const QRectF moved = Panning::scroll(QPointF(500, 40), image, 1440, 900, true);
    EXPECT_DOUBLE_EQ(moved.x(), 220);
    EXPECT_DOUBLE_EQ(moved.y(), -340);
    EXPECT_DOUBLE_EQ(Panning::scroll(QPointF(500, 40), image, 1440, 900, false).x(), 1440 - 1000)
        << "in a window both axes clamp";
}

class RendererAnimationTest : public ::testing::Test {
  protected:
    void SetUp() override { animation.setManualTicks(true); }
    RendererAnimation animation;
};

TEST_F(RendererAnimationTest, TenSingleScaleStepsThenAnExactLanding) {
    QSignalSpy frames(&animation, &RendererAnimation::imageFrameChanged);
    QSignalSpy windows(&animation, &RendererAnimation::windowFrameChanged);
    const QRectF target(-50, -37.5, 533.32, 399.99);
    animation.animateRendererFrom(QRectF(0, 0, 400, 300), target, QRectF(), QRectF());
    EXPECT_EQ(animation.record().diffX, 5.0f);
    EXPECT_EQ(animation.record().diffY, 3.75f);
    EXPECT_EQ(animation.record().diffW, float(-13.332));
    EXPECT_EQ(animation.record().diffH, float(-9.999));
    for (int i = 0; i < 10; ++i)
        animation.updateRendererFrame();
    EXPECT_TRUE(animation.isRunning());
    EXPECT_DOUBLE_EQ(animation.imageInViewPort().x(), -50);
    animation.updateRendererFrame();
    EXPECT_FALSE(animation.isRunning());
    ASSERT_EQ(frames.size(), 11);
    EXPECT_EQ(frames.last().first().toRectF(), target);
    EXPECT_EQ(windows.size(), 0) << "empty window frames leave the window alone";
}

TEST_F(RendererAnimationTest, WindowStepsKeepTheMinimumAndLandOnTheTarget) {
    QSignalSpy windows(&animation, &RendererAnimation::windowFrameChanged);
    const QRectF from(0, 0, 500, 500);
    const QRectF to(10, 10, 300, 800);
    animation.animateRendererFrom(QRectF(0, 0, 1, 1), QRectF(0, 0, 2, 2), from, to);
    for (int i = 0; i < 11; ++i)
        animation.updateRendererFrame();
    ASSERT_EQ(windows.size(), 11);
    for (int i = 0; i < 10; ++i)
        EXPECT_GE(windows[i].first().toRectF().width(), 400);
    EXPECT_EQ(windows.last().first().toRectF(), to) << "the final tick sets the target unchanged";
}

TEST_F(RendererAnimationTest, ASecondStartContinuesFromWhereTheFirstStopped) {
    animation.animateRendererFrom(QRectF(0, 0, 100, 100), QRectF(-350, 0, 100, 100), {}, {});
    for (int i = 0; i < 4; ++i)
        animation.updateRendererFrame();
    const QRectF partWay = animation.imageInViewPort();
    EXPECT_DOUBLE_EQ(partWay.x(), -140);
    animation.animateRendererFrom(partWay, QRectF(-490, 0, 100, 100), {}, {});
    EXPECT_EQ(animation.record().step, 10);
    EXPECT_EQ(animation.record().diffX, 35.0f);
}

TEST_F(RendererAnimationTest, RealTimersFinishOnTheirOwn) {
    animation.setManualTicks(false);
    QSignalSpy finished(&animation, &RendererAnimation::finished);
    animation.animateRendererFrom(QRectF(0, 0, 10, 10), QRectF(5, 5, 10, 10), {}, {});
    EXPECT_TRUE(finished.wait(2000));
}

TEST(KeyMap, KeysDownByPositionOrBySymbol) {
    using A = KeyMap::Action;
    const Qt::KeyboardModifiers none, ctrl = Qt::ControlModifier;
    // Actual Size (19, 51) also reaches the menus; Shift is plain; Ctrl+D is no pan; F acts on key
    // up. A layout where the W position types Z still pans up; with no scan code the symbol
    // decides, as it does for = and + (both at 21 on a US layout), plain or with Control (no
    // shortcut runs a zoom twice), and for the page keys and Backspace.
    // clang-format off
    const struct Case {
        quint32 code;
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<A> action;
        std::optional<bool> consumed;
    } cases[] = {
        {52, 0, none, A::ZoomToolIn, true}, {65, 0, none, A::HandTool, true},
        {25, 0, none, A::PanUp, true}, {39, 0, none, A::PanDown, true},
        {38, 0, none, A::PanLeft, true}, {40, 0, none, A::PanRight, true},
        {9, 0, none, A::CloseOrLeaveFullScreen, true}, {58, 0, none, A::ToggleSelectionTool, true},
        {19, 0, none, A::ActualSize, false}, {51, 0, none, A::ActualSize, false},
        {52, 0, ctrl | Qt::AltModifier, A::ZoomToolOut, {}}, {52, 0, ctrl, A::ZoomToolIn, {}},
        {52, 0, Qt::ShiftModifier, A::ZoomToolIn, {}}, {40, 0, ctrl, {}, false},
        {41, 0, none, {}, false}, {25, Qt::Key_Z, none, A::PanUp, {}},
        {0, Qt::Key_D, none, A::PanRight, {}}, {21, Qt::Key_Equal, ctrl, A::ZoomIn, true},
        {21, Qt::Key_Plus, ctrl | Qt::ShiftModifier, A::ZoomIn, {}},
        {20, Qt::Key_Minus, ctrl, A::ZoomOut, {}}, {21, Qt::Key_Equal, none, A::ZoomIn, true},
        {20, Qt::Key_Minus, none, A::ZoomOut, true}, {117, Qt::Key_PageDown, none, A::NextImage, true},
        {112, Qt::Key_PageUp, none, A::PreviousImage, true},
        {22, Qt::Key_Backspace, none, A::PreviousImage, true},
        {21, Qt::Key_Equal, ctrl | Qt::AltModifier, {}, false},
        {110, Qt::Key_Home, none, A::FirstImage, {}}, {115, Qt::Key_End, none, A::LastImage, {}},
        {110, Qt::Key_Home, ctrl, {}, false}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " key " << c.key << " mods " << c.modifiers);
        const auto d = KeyMap::keyDown(c.code, c.key, c.modifiers);
        EXPECT_EQ(d.action, c.action.value_or(d.action));
        EXPECT_EQ(d.consumed, c.consumed.value_or(d.consumed));
    }
}

TEST(KeyMap, ReleasingTheToolKeyEndsTheToolWhateverIsStillHeld) {
    using U = KeyMap::KeyUpAction;
    // Ctrl+Z or Alt+Z with Z let go before the modifier: the tool must end. Ctrl+F is not full
    // screen.
    // clang-format off
    const std::tuple<quint32, int, Qt::KeyboardModifiers, U> cases[] = {
        {65, 0, {}, U::HandToolOff}, {52, 0, {}, U::ZoomToolOff},
        {52, 0, Qt::ControlModifier, U::ZoomToolOff}, {65, 0, Qt::ControlModifier, U::HandToolOff},
        {52, Qt::Key_Z, Qt::AltModifier, U::ZoomToolOff}, {41, 0, {}, U::ToggleFullScreen},
        {41, 0, Qt::ControlModifier, U::None}};
    // clang-format on
    for (const auto& [code, key, modifiers, action] : cases)
        EXPECT_EQ(KeyMap::keyUp(code, key, modifiers), action) << code << " " << modifiers;
}

} // namespace
