#include "geometry/ZoomEngine.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using Outcome = ZoomEngine::Outcome;

// A window on a 1440 x 900 visible frame, with the image view filling it.
ZoomEngine::Environment windowed(const QRectF& window, const QRectF& visible = {0, 0, 1440, 900}) {
    ZoomEngine::Environment env;
    env.windowFrame = window;
    env.screenVisibleFrame = visible;
    env.screenFrame = QRectF(0, 0, visible.width(), visible.height() + 25);
    env.viewWidth = window.width();
    env.viewHeight = window.height();
    env.hasImage = true;
    env.mouseLocation = window.center();
    return env;
}

ZoomEngine engineFor(double iw, double ih, const QRectF& shown = {0, 0, 1, 1}) {
    ZoomEngine engine;
    engine.imageWidth = iw;
    engine.imageHeight = ih;
    engine.imageInViewPort = shown;
    return engine;
}

// A NaN in the expected place is not checked.
void expectRect(const QRectF& actual, const QRectF& expected) {
    const double got[] = {actual.x(), actual.y(), actual.width(), actual.height()};
    const double want[] = {expected.x(), expected.y(), expected.width(), expected.height()};
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(got[i], std::isnan(want[i]) ? got[i] : want[i]) << "field " << i;
}

const double any = std::numeric_limits<double>::quiet_NaN();

ZoomEngine::Request pinchBy(double magnification) {
    ZoomEngine::Request pinch;
    pinch.hasEvent = true;
    pinch.magnification = magnification;
    return pinch;
}

TEST(ZoomEngineModes, EachModeSizesTheImageAndTheWindow) {
    const QRectF low(0, 0, 1440, 875), tall(0, 0, 1440, 900);
    // A small image gets the minimum window and is centred in it; one as high as the area shows
    // at actual size even from the placeholder; the small one filled has 85 points to pan.
    // clang-format off
    const struct Case {
        QSizeF image;
        int mode;
        QRectF window, visible, imageTo, windowTo;
        int zoomingMode;
    } cases[] = {
        {{100, 50}, 0, {100, 100, 800, 600}, tall, {150, 175, 100, 50}, {100, 100, 400, 400}, 0},
        {{300, 200}, 0, {200, 200, 600, 500}, low, {50, 100, 300, 200}, {200, 200, 400, 400}, 0},
        {{700, 900}, 0, {0, 0, 500, 500}, tall, {0, 0, 700, 900}, {0, 0, 700, 900}, 0},
        {{300, 200}, 1, {200, 200, 600, 500}, low, {0, 0, 1312.5, 875}, {0, 0, 1312.5, 875}, 0},
        {{300, 200}, 2, {200, 200, 600, 500}, low, {0, any, 1440, 960}, {0, 0, 1440, 875}, 1},
        {{3000, 1000}, 2, {0, 0, 800, 600}, tall, {any, any, 2700, 900}, {0, 0, 1440, 900}, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ZoomEngine engine = engineFor(c.image.width(), c.image.height());
        const auto r = engine.zoomImageWithEvent(ZoomEngine::requestForMode(c.mode),
                                                 windowed(c.window, c.visible));
        ASSERT_EQ(r.outcome, Outcome::Accepted);
        EXPECT_TRUE(r.setWindowFrame);
        expectRect(r.imageTo, c.imageTo);
        expectRect(r.windowTo, c.windowTo);
        EXPECT_EQ(engine.ZoomingMode, c.zoomingMode);
        EXPECT_FALSE(engine.inMagnification);
    }
}

TEST(ZoomEngineModes, ALargeImageFittedAnewShowsItsCentreAndAModeCommandKeepsTheCentrePoint) {
    ZoomEngine::Environment fullScreen = windowed({0, 0, 1440, 925});
    fullScreen.windowFullScreenStyle = true;
    fullScreen.screenFrame = fullScreen.windowFrame;
    const QRectF placeholder(0, 0, 1, 1);
    struct Case {
        const char* name;
        int mode;
        bool inFullScreen;
        QRectF shown;
        bool placeCentred;
        QRectF image;
    } cases[] = {
        {"actual size in a window", 3, false, placeholder, true, {-780, -550, 3000, 2000}},
        {"fill screen in a window", 2, false, placeholder, true, {0, -30, 1440, 960}},
        {"actual size in full screen", 3, true, placeholder, true, {-780, -537.5, 3000, 2000}},
        {"fill screen in full screen", 2, true, placeholder, true, {0, -17.5, 1440, 960}},
        // The image point under the view's centre stays there.
        {"actual size command", 3, true, {0, 0, 1500, 1000}, false, {-720, -462.5, 3000, 2000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZoomEngine engine = engineFor(3000, 2000, c.shown);
        ZoomEngine::Request request = ZoomEngine::requestForMode(c.mode);
        request.placeCentred = c.placeCentred;
        const auto r = engine.zoomImageWithEvent(
            request, c.inFullScreen ? fullScreen : windowed({0, 0, 800, 600}));
        ASSERT_EQ(r.outcome, Outcome::Accepted);
        expectRect(r.imageTo, c.image);
        EXPECT_EQ(engine.ZoomingMode, 1);
        if (!c.inFullScreen)
            expectRect(r.windowTo, {0, 0, 1440, 900});
    }
    EXPECT_EQ(ZoomEngine::requestForMode(7).persents, 1.0) << "unknown modes are actual size";
}

TEST(ZoomEngineLimits, RefusedZoomInRecoversAfterAZoomOutAndZoomOutStopsAtSixteenPoints) {
    // 100 x 100 shown at 950 x 950 (z 9.5) covering a 900 x 900 window area.
    ZoomEngine engine = engineFor(100, 100, {-25, -25, 950, 950});
    const auto env = windowed({0, 0, 900, 900}, {0, 0, 900, 900});
    auto r = engine.zoomWithMouse(false, false, env);
    EXPECT_EQ(r.outcome, Outcome::Refused) << "z would be about 12.67";
    EXPECT_FALSE(engine.canZoomIn);
    EXPECT_TRUE(engine.canZoomOut);
    EXPECT_FALSE(engine.inMagnification);
    r = engine.zoomWithMouse(false, true, env);
    EXPECT_EQ(r.outcome, Outcome::AcceptedAnimated);
    EXPECT_TRUE(engine.canZoomIn);
    EXPECT_DOUBLE_EQ(r.imageTo.width(), 950 * 0.75);
    EXPECT_TRUE(engine.nearestFilter) << "above four times";
    // Beyond ten times is fine while the image does not cover the area.
    ZoomEngine small = engineFor(10, 10, {0, 0, 100, 100});
    EXPECT_EQ(small.zoomWithMouse(false, false, env).outcome, Outcome::AcceptedAnimated);
    ZoomEngine exact = engineFor(100, 100, {0, 0, 300, 300});
    exact.zoomWithMouse(false, false, env);
    EXPECT_FALSE(exact.nearestFilter) << "399.99 points is not above 4x";

    // Zoom out stops at sixteen points unless the image is that small.
    ZoomEngine reduced = engineFor(200, 150, {0, 0, 20, 15});
    EXPECT_EQ(reduced.zoomWithMouse(false, true, env).outcome, Outcome::Refused);
    EXPECT_FALSE(reduced.canZoomOut);
    ZoomEngine tiny = engineFor(10, 10, {0, 0, 20, 20});
    r = tiny.zoomWithMouse(false, true, env);
    EXPECT_EQ(r.outcome, Outcome::AcceptedAnimated);
    EXPECT_DOUBLE_EQ(r.imageTo.width(), 15);
}

// Requests during an animation or without an image are dropped but counted; no magnification
// changes nothing.
TEST(ZoomEngineRequests, DroppedDuringAnAnimationOrWithoutAnImageAndInThenOutIsAlmostEven) {
    ZoomEngine engine = engineFor(2000, 2000, {0, 0, 500, 500});
    auto env = windowed({100, 100, 500, 500});
    ASSERT_EQ(engine.zoomWithMouse(false, false, env).outcome, Outcome::AcceptedAnimated);
    const QRectF after = engine.imageInViewPort;
    engine.zoomMade = false;
    EXPECT_EQ(engine.zoomWithMouse(false, true, env).outcome, Outcome::Ignored);
    EXPECT_EQ(engine.imageInViewPort, after) << "the size does not change twice";
    EXPECT_TRUE(engine.zoomMade);
    engine.animationEnded();
    engine.zoomWithMouse(false, true, env);
    EXPECT_DOUBLE_EQ(engine.imageInViewPort.width(), 500 * 1.3333 * 0.75);
    engine.animationEnded();
    EXPECT_EQ(engine.zoomImageWithEvent(pinchBy(0), env).outcome, Outcome::NoChange);
    EXPECT_FALSE(engine.inMagnification);
    env.hasImage = false;
    engine.zoomMade = false;
    EXPECT_EQ(engine.zoomImageWithEvent(ZoomEngine::requestForMode(0), env).outcome,
              Outcome::Ignored);
    EXPECT_TRUE(engine.zoomMade);
}

TEST(ZoomEngineAnchor, PinchKeepsThePointUnderTheMouseInsideTheVisibleFrame) {
    ZoomEngine engine = engineFor(600, 400, {0, 0, 600, 400});
    auto env = windowed({100, 100, 600, 400});
    env.mouseLocation = QPointF(400, 300); // view point (300, 200)
    const auto r = engine.zoomImageWithEvent(pinchBy(0.1), env);
    ASSERT_EQ(r.outcome, Outcome::Accepted);
    EXPECT_DOUBLE_EQ(r.imageTo.width(), 660);
    EXPECT_NEAR(r.windowTo.x(), 70, 1e-9);
    EXPECT_NEAR(r.windowTo.y(), 80, 1e-9);
    // The image point that was under the mouse is still under it.
    EXPECT_NEAR(r.windowTo.x() + r.imageTo.x() + 300 * 1.1, 400, 1e-9);
}

TEST(ZoomEngineLiveResize, CoversTheResizedWindowKeepsTheCentreAndOtherChangesKeepTheMode) {
    ZoomEngine engine = engineFor(1600, 1600, {0, -150, 900, 900});
    auto env = windowed({0, 0, 800, 600});
    auto r = engine.zoomImageWithLiveResize(QRectF(0, 0, 800, 600), env);
    ASSERT_EQ(r.outcome, Outcome::Accepted);
    EXPECT_FALSE(r.setWindowFrame) << "the user sizes the window";
    EXPECT_DOUBLE_EQ(r.imageTo.width(), 800);
    EXPECT_DOUBLE_EQ(r.imageTo.x(), 0);
    EXPECT_NEAR(r.imageTo.y(), -((300 + 150) * 800.0 / 900 - 300), 1e-9);
    engine.inFullScreenTransition = true;
    EXPECT_EQ(engine.zoomImageWithLiveResize(QRectF(0, 0, 700, 600), env).outcome,
              Outcome::Ignored);

    // Other size changes keep the mode, or the scale, inside the window: a 1600 x 1600 image
    // fitted into a 900 x 900 window, then maximised.
    const QRectF maximised(0, 0, 1440, 900);
    engine = engineFor(1600, 1600, {0, 0, 900, 900});
    env = windowed(maximised);
    r = engine.zoomImageInWindow(ZoomEngine::requestForMode(0), maximised, env);
    ASSERT_EQ(r.outcome, Outcome::Accepted);
    EXPECT_FALSE(r.setWindowFrame) << "the window stays as the window manager made it";
    expectRect(r.imageTo, {(1440 - 900) / 2.0, 0, 900, 900});
    EXPECT_EQ(engine.ZoomingMode, 0) << "whole, not cropped";

    // After a free zoom there is no mode to keep: the scale stays.
    ZoomEngine::Request keepScale;
    keepScale.delta = 1.0;
    engine.imageInViewPort = QRectF(-100, -100, 1200, 1200);
    r = engine.zoomImageInWindow(keepScale, maximised, env);
    ASSERT_EQ(r.outcome, Outcome::Accepted);
    EXPECT_DOUBLE_EQ(r.imageTo.width(), 1200);
    EXPECT_DOUBLE_EQ(r.imageTo.x(), (1440 - 1200) / 2.0);
    EXPECT_LE(r.imageTo.y(), 0);
    EXPECT_GE(r.imageTo.y(), 900 - 1200.0);
    for (int mode = 0; mode < 4; ++mode)
        EXPECT_TRUE(ZoomEngine::isModeRequest(ZoomEngine::requestForMode(mode))) << mode;
    EXPECT_FALSE(ZoomEngine::isModeRequest(keepScale));
}

TEST(ZoomEngineSmartZoom, TwoGesturesReturnExactlyAndAZoomBetweenFillsAgain) {
    ZoomEngine engine = engineFor(300, 200, {50, 100, 300, 200});
    engine.zoomMade = true;
    const auto env = windowed({500, 300, 400, 400}, {0, 0, 1440, 875});
    auto first = engine.smartZoom(env);
    ASSERT_EQ(first.outcome, Outcome::AcceptedAnimated);
    EXPECT_DOUBLE_EQ(first.imageTo.width(), 1440);
    EXPECT_FALSE(engine.zoomMade);
    engine.animationEnded();

    auto filled = windowed(first.windowTo, {0, 0, 1440, 875});
    const auto back = engine.smartZoom(filled);
    ASSERT_EQ(back.outcome, Outcome::Restoring);
    EXPECT_EQ(back.imageTo, QRectF(50, 100, 300, 200));
    EXPECT_EQ(back.windowTo, QRectF(500, 300, 400, 400));
    EXPECT_TRUE(engine.zoomMade);
    engine.animationEnded();

    // Fill again, then pinch: the next gesture fills instead of returning.
    engine.smartZoom(env);
    engine.animationEnded();
    engine.zoomImageWithEvent(pinchBy(-0.1), filled);
    EXPECT_EQ(engine.smartZoom(filled).outcome, Outcome::AcceptedAnimated);
}

} // namespace
