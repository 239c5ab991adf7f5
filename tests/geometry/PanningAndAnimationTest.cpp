#include "geometry/KeyMap.h"
#include "geometry/Panning.h"
#include "geometry/RendererAnimation.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(Panning, KeysStopAtTheImageEdges) {
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
}

TEST(Panning, FullScreenKeepsAFittingAxisCentred) {
    const QRectF image(220, -300, 1000, 1500);
    const QRectF moved = Panning::scroll(QPointF(500, 40), image, 1440, 900, true);
    EXPECT_DOUBLE_EQ(moved.x(), 220);
    EXPECT_DOUBLE_EQ(moved.y(), -340);
    EXPECT_DOUBLE_EQ(Panning::scroll(QPointF(500, 40), image, 1440, 900, false).x(),
                     1440 - 1000) << "in a window both axes clamp";
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

TEST(KeyMap, KeysByPositionWithAndWithoutModifiers) {
    using A = KeyMap::Action;
    const Qt::KeyboardModifiers none;
    const std::pair<quint32, A> plain[] = {{52, A::ZoomToolIn}, {65, A::HandTool}, {25, A::PanUp},
                                           {39, A::PanDown},    {38, A::PanLeft},  {40, A::PanRight},
                                           {9, A::CloseOrLeaveFullScreen}, {58, A::ToggleSelectionTool}};
    for (const auto& [code, action] : plain) {
        const auto d = KeyMap::keyDown(code, 0, none);
        EXPECT_EQ(d.action, action) << code;
        EXPECT_TRUE(d.consumed) << code;
    }
    for (quint32 code : {19u, 51u}) {
        const auto d = KeyMap::keyDown(code, 0, none);
        EXPECT_EQ(d.action, A::ActualSize);
        EXPECT_FALSE(d.consumed) << "Actual Size also reaches the menus";
    }
    EXPECT_EQ(KeyMap::keyDown(52, 0, Qt::ControlModifier | Qt::AltModifier).action, A::ZoomToolOut);
    EXPECT_EQ(KeyMap::keyDown(52, 0, Qt::ControlModifier).action, A::ZoomToolIn);
    EXPECT_EQ(KeyMap::keyDown(52, 0, Qt::ShiftModifier).action, A::ZoomToolIn) << "Shift is plain";
    EXPECT_FALSE(KeyMap::keyDown(40, 0, Qt::ControlModifier).consumed) << "Ctrl+D is not a pan";
    EXPECT_FALSE(KeyMap::keyDown(41, 0, none).consumed) << "F acts on key up";
    // A layout where the W position types Z still pans up.
    EXPECT_EQ(KeyMap::keyDown(25, Qt::Key_Z, none).action, A::PanUp);
    EXPECT_EQ(KeyMap::keyDown(0, Qt::Key_D, none).action, A::PanRight) << "no scan code";
}

TEST(KeyMap, ZoomKeysAndListEndsGoBySymbol) {
    using A = KeyMap::Action;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    // 21 is the position of = and + on a US layout; the symbol decides.
    EXPECT_EQ(KeyMap::keyDown(21, Qt::Key_Equal, ctrl).action, A::ZoomIn) << "Ctrl+= unshifted";
    EXPECT_EQ(KeyMap::keyDown(21, Qt::Key_Plus, ctrl | Qt::ShiftModifier).action, A::ZoomIn);
    EXPECT_EQ(KeyMap::keyDown(86, Qt::Key_Plus, ctrl | Qt::KeypadModifier).action, A::ZoomIn);
    EXPECT_EQ(KeyMap::keyDown(20, Qt::Key_Minus, ctrl).action, A::ZoomOut);
    EXPECT_TRUE(KeyMap::keyDown(21, Qt::Key_Equal, ctrl).consumed) << "no shortcut runs it twice";
    EXPECT_FALSE(KeyMap::keyDown(21, Qt::Key_Equal, {}).consumed) << "a plain = is not a zoom";
    EXPECT_FALSE(KeyMap::keyDown(21, Qt::Key_Equal, ctrl | Qt::AltModifier).consumed);

    EXPECT_EQ(KeyMap::keyDown(110, Qt::Key_Home, {}).action, A::FirstImage);
    EXPECT_EQ(KeyMap::keyDown(115, Qt::Key_End, {}).action, A::LastImage);
    EXPECT_EQ(KeyMap::keyDown(0, Qt::Key_End, {}).action, A::LastImage) << "no scan code";
    EXPECT_FALSE(KeyMap::keyDown(110, Qt::Key_Home, ctrl).consumed);
}

TEST(KeyMap, ReleasingTheToolKeyEndsTheToolWhateverIsStillHeld) {
    using U = KeyMap::KeyUpAction;
    EXPECT_EQ(KeyMap::keyUp(65, 0, {}), U::HandToolOff);
    EXPECT_EQ(KeyMap::keyUp(52, 0, {}), U::ZoomToolOff);
    // Ctrl+Z or Alt+Z with Z let go before the modifier: the tool must end.
    EXPECT_EQ(KeyMap::keyUp(52, 0, Qt::ControlModifier), U::ZoomToolOff);
    EXPECT_EQ(KeyMap::keyUp(52, Qt::Key_Z, Qt::AltModifier), U::ZoomToolOff);
    EXPECT_EQ(KeyMap::keyUp(65, 0, Qt::ControlModifier), U::HandToolOff);
    EXPECT_EQ(KeyMap::keyUp(41, 0, {}), U::ToggleFullScreen);
    EXPECT_EQ(KeyMap::keyUp(41, 0, Qt::ControlModifier), U::None) << "Ctrl+F is not full screen";
}

} // namespace
