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
    const std::pair<quint32, A> plain[] = {{52, A::ZoomToolIn}, {65, A::HandTool}, {25, A::PanUp},
                                           {39, A::PanDown},    {38, A::PanLeft},  {40, A::PanRight},
                                           {9, A::CloseOrLeaveFullScreen}, {58, A::ToggleSelectionTool}};
    for (const auto& [code, action] : plain) {
        const auto d = KeyMap::keyDown(code, 0, false, false);
        EXPECT_EQ(d.action, action) << code;
        EXPECT_TRUE(d.consumed) << code;
    }
    for (quint32 code : {19u, 51u}) {
        const auto d = KeyMap::keyDown(code, 0, false, false);
        EXPECT_EQ(d.action, A::ActualSize);
        EXPECT_FALSE(d.consumed) << "Actual Size also reaches the menus";
    }
    EXPECT_EQ(KeyMap::keyDown(52, 0, true, true).action, A::ZoomToolOut);
    EXPECT_EQ(KeyMap::keyDown(52, 0, true, false).action, A::ZoomToolIn);
    EXPECT_FALSE(KeyMap::keyDown(40, 0, true, false).consumed) << "Ctrl+D is not a pan";
    EXPECT_FALSE(KeyMap::keyDown(41, 0, false, false).consumed) << "F acts on key up";
    // A layout where the W position types Z still pans up.
    EXPECT_EQ(KeyMap::keyDown(25, Qt::Key_Z, false, false).action, A::PanUp);
    EXPECT_EQ(KeyMap::keyDown(0, Qt::Key_D, false, false).action, A::PanRight) << "no scan code";
}

TEST(KeyMap, ReleasesEndTheToolsAndToggleFullScreen) {
    EXPECT_EQ(KeyMap::keyUp(65, 0, false), KeyMap::KeyUpAction::HandToolOff);
    EXPECT_EQ(KeyMap::keyUp(52, 0, false), KeyMap::KeyUpAction::ZoomToolOff);
    EXPECT_EQ(KeyMap::keyUp(41, 0, false), KeyMap::KeyUpAction::ToggleFullScreen);
    EXPECT_EQ(KeyMap::keyUp(52, 0, true), KeyMap::KeyUpAction::None)
        << "released with Control held, the tool stays on";
}

} // namespace
