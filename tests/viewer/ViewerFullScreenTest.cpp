#include "viewer/ViewerFullScreen.h"

#include "core/Settings.h"
#include "geometry/ViewerGeometry.h"
#include "platform/TouchBar.h"
#include "support/TestImages.h"
#include "support/ViewerWindowTest.h"
#include "viewer/BlurBackdropView.h"
#include "viewer/MainToolbar.h"
#include "viewer/OrvaneResizeView.h"
#include "viewer/ViewerSelection.h"

#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using Phase = FullScreenTransition::Phase;

// A real window on the offscreen platform, which, like a window manager,
// gives a full-screen window the screen's size a moment after it is asked.
class ViewerFullScreenTest : public ViewerWindowTest {
  protected:
    void TearDown() override {
        QSettings().remove(QStringLiteral("BackgroundMode"));
        ViewerWindowTest::TearDown();
    }
    ViewerFullScreen* fs() const { return vc->fullScreen(); }
    ViewerGeometry* geometry() const { return vc->viewGeometry(); }
    bool reach(Phase phase) {
        return QTest::qWaitFor([this, phase] { return fs()->transition().phase() == phase; }, 5000);
    }
    bool toggleAndReach(Phase phase) {
        vc->fullScreen()->toggleFullScreen();
        return reach(phase);
    }
    void setBackground(int mode) {
        QSettings().setValue(QStringLiteral("BackgroundMode"), mode);
        vc->updateUI();
    }
    QWidget* coloredView() const {
        // The plain layer directly under the blurred copy.
        for (QObject* child : vc->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget && widget->autoFillBackground() && !widget->inherits("BlurBackdropView") &&
                widget->objectName().isEmpty())
                return widget;
        }
        return nullptr;
    }
    QString touchFullScreenImage() const {
        return controller->touchBar()->button(QStringLiteral("touchFullScreen"))->image;
    }
};

TEST_F(ViewerFullScreenTest, InAndOutReturnsToTheSameRectangleWithOrWithoutAnImage) {
    // With no image only the backdrop and the buttons switch.
    setBackground(1);
    const QRectF empty = geometry()->layout();
    ASSERT_TRUE(toggleAndReach(Phase::FullScreen));
    EXPECT_EQ(geometry()->layout(), empty);
    QWidget* colored = coloredView();
    ASSERT_TRUE(colored);
    EXPECT_TRUE(colored->isVisible());
    EXPECT_EQ(touchFullScreenImage(), QStringLiteral("touch-fullscreen-exit-Template"));
    ASSERT_TRUE(toggleAndReach(Phase::Windowed));
    EXPECT_EQ(geometry()->layout(), empty);
    EXPECT_FALSE(colored->isVisible());
    EXPECT_EQ(touchFullScreenImage(), QStringLiteral("touch-fullscreen-Template"));

    ASSERT_TRUE(openImage(filled(300, 200, Qt::darkRed)));
    const QRectF before = geometry()->layout();
    const QRect frame = window->geometry();
    ASSERT_TRUE(toggleAndReach(Phase::FullScreen));
    EXPECT_TRUE(vc->isFullscreen);
    EXPECT_FALSE(geometry()->zoom.inFullScreenTransition);
    EXPECT_EQ(fs()->preFullscreenImageFrame(), before);
    // Fit to screen: actual size, centred on the screen.
    const QRectF shown = geometry()->layout();
    EXPECT_EQ(shown.size(), QSizeF(300, 200));
    EXPECT_EQ(shown.center(), QRectF(vc->rect()).center());
    // Zoomed in far: larger than the screen, panning on.
    for (int i = 0; i < 8; ++i) {
        vc->zoomIn();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !geometry()->animation.isRunning(); }, 2000));
    }
    ASSERT_EQ(geometry()->zoom.ZoomingMode, 1);

    // Where the image lies when did-exit comes: will-exit put it at the
    // origin, and the window manager's resize in between must not move it.
    QRectF atDidExit;
    QObject::connect(&fs()->transition(), &FullScreenTransition::didExit, window,
                     [&] { atDidExit = geometry()->layout(); });
    vc->fullScreen()->toggleFullScreen();
    EXPECT_TRUE(geometry()->zoom.inFullScreenTransition) << "leaving is a transition";
    ASSERT_TRUE(reach(Phase::Windowed));
    EXPECT_EQ(atDidExit.topLeft(), QPointF(0, 0));
    EXPECT_FALSE(geometry()->zoom.inFullScreenTransition);
    EXPECT_FALSE(vc->isFullscreen);
    // Back to where it was, over a tenth of a second, and panning follows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return geometry()->layout() == before; }, 2000));
    EXPECT_EQ(window->geometry(), frame);
    EXPECT_EQ(geometry()->zoom.ZoomingMode, 0) << "the image fits the window again";
}

TEST_F(ViewerFullScreenTest, LeavingAfterASteppedImageRefitsTheWindowForIt) {
    ASSERT_TRUE(open(path("a.jpg")));
    ASSERT_TRUE(toggleAndReach(Phase::FullScreen));
    EXPECT_FALSE(vc->imageChanged) << "cleared on entering";
    vc->showNextImage();
    ASSERT_TRUE(settle());
    ASSERT_EQ(window->windowTitle(), QStringLiteral("b.PNG"));
    EXPECT_TRUE(vc->imageChanged);
    // The new image is centred on the screen too.
    EXPECT_EQ(geometry()->layout().center(), QRectF(vc->rect()).center());

    ASSERT_TRUE(toggleAndReach(Phase::Windowed));
    // A fresh fit for b.PNG (40 x 30), not a.jpg's old rectangle (30 x 40).
    EXPECT_EQ(geometry()->layout().size(), QSizeF(40, 30));
    QTest::qWait(200);
    EXPECT_EQ(geometry()->layout().size(), QSizeF(40, 30)) << "no return animation followed";
}

TEST_F(ViewerFullScreenTest, AVisibleSelectionHidesDuringEachTransitionAndComesBack) {
    ASSERT_TRUE(openImage(filled(600, 400, Qt::darkCyan)));
    vc->selectAll();
    ASSERT_TRUE(vc->selection()->isShownOnScreen());
    for (const Phase passing : {Phase::Entering, Phase::Leaving}) {
        vc->fullScreen()->toggleFullScreen();
        ASSERT_EQ(fs()->transition().phase(), passing);
        EXPECT_FALSE(vc->selection()->isShownOnScreen()) << "hidden in the transition";
        EXPECT_TRUE(vc->hasSelection()) << "hidden, not gone";
        EXPECT_TRUE(QTest::qWaitFor([this] { return vc->selection()->isShownOnScreen(); }, 5000));
        ASSERT_TRUE(reach(passing == Phase::Entering ? Phase::FullScreen : Phase::Windowed));
    }
    // Deselected during a transition, it stays away.
    vc->fullScreen()->toggleFullScreen();
    ASSERT_EQ(fs()->transition().phase(), Phase::Entering);
    vc->deselect();
    vc->selectAll(); // a new selection is shown as usual
    vc->deselect();
    ASSERT_TRUE(reach(Phase::FullScreen));
    EXPECT_FALSE(vc->selection()->isShownOnScreen());
    EXPECT_FALSE(vc->selection()->selectionView()->isVisible());
}

// The blurred backdrop is a copy of the image shown: it covers the screen
// whatever the image's shape, follows a flip, a half turn and a step, and
// nothing of it is kept in a window.
TEST_F(ViewerFullScreenTest, TheBlurredBackdropFollowsTheImageShown) {
    // Red on the left, blue on the right: the backdrop's left edge shows which.
    QImage image = filled(300, 200, Qt::red);
    for (int y = 0; y < 200; ++y)
        for (int x = 150; x < 300; ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    ASSERT_TRUE(TestImages::writeImage(path("z.png"), filled(200, 300, Qt::green), "png"));
    ASSERT_TRUE(openImage(image, "y.png"));
    setBackground(2);
    ASSERT_TRUE(toggleAndReach(Phase::FullScreen));
    EXPECT_EQ(vc->toolbar()->actionFullscreen->toolTip(), QStringLiteral("Exit Full Screen"));
    BlurBackdropView* blur = fs()->blurEffectImage();
    EXPECT_TRUE(blur->isVisible());
    EXPECT_TRUE(coloredView()->isVisible());
    auto leftIs = [blur](QRgb colour) {
        return QTest::qWaitFor(
            [&] {
                const QImage b = blur->blurred();
                return !b.isNull() &&
                       TestImages::channelDistance(b.pixel(0, b.height() / 2), colour) < 100;
            },
            5000);
    };
    EXPECT_TRUE(leftIs(qRgb(255, 0, 0)));
    EXPECT_TRUE(blur->geometry().contains(vc->rect()));
    vc->transforms()->flipHorizontally();
    EXPECT_TRUE(leftIs(qRgb(0, 0, 255))) << "still the unflipped backdrop";
    vc->transforms()->rotate180();
    EXPECT_TRUE(leftIs(qRgb(255, 0, 0))) << "still the backdrop from before the half turn";

    vc->showNextImage();
    ASSERT_TRUE(settle());
    ASSERT_EQ(window->windowTitle(), QStringLiteral("z.png"));
    EXPECT_TRUE(leftIs(qRgb(0, 255, 0))) << "still the copy of the image before";
    EXPECT_TRUE(blur->geometry().contains(vc->rect())) << "covers the screen for a tall image too";

    ASSERT_TRUE(toggleAndReach(Phase::Windowed));
    EXPECT_EQ(vc->toolbar()->actionFullscreen->toolTip(), QStringLiteral("Full Screen"));
    EXPECT_FALSE(blur->isVisible());
    EXPECT_TRUE(blur->blurred().isNull()) << "nothing of it is kept in a window";
}

TEST_F(ViewerFullScreenTest, AZoomUnderWayLandsBeforeTheTransitionZooms) {
    ASSERT_TRUE(openImage(filled(300, 200, Qt::darkGreen)));
    geometry()->animation.setManualTicks(true);
    vc->zoomIn();
    ASSERT_TRUE(geometry()->animation.isRunning());
    vc->fullScreen()->toggleFullScreen();
    EXPECT_FALSE(geometry()->animation.isRunning());
    EXPECT_FALSE(geometry()->zoom.inMagnification);
    EXPECT_FALSE(geometry()->windowAnimation);
    // The will-enter zoom was not dropped: fit to screen shows it at its size.
    EXPECT_EQ(geometry()->layout().size(), QSizeF(300, 200));
    ASSERT_TRUE(reach(Phase::FullScreen));

    vc->zoomIn();
    ASSERT_TRUE(geometry()->animation.isRunning());
    vc->fullScreen()->toggleFullScreen();
    EXPECT_FALSE(geometry()->animation.isRunning());
    EXPECT_FALSE(geometry()->zoom.inMagnification);
    ASSERT_TRUE(reach(Phase::Windowed));
}

} // namespace
