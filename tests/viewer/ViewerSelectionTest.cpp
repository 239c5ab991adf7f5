#include "viewer/ViewerSelection.h"

#include "geometry/ViewerGeometry.h"
#include "menus/MenuItem.h"
#include "support/TestImages.h"
#include "support/ViewerWindowTest.h"
#include "viewer/MainToolbar.h"
#include "viewer/OrvaneResizeView.h"
#include "viewer/SelectionHelperView.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerFullScreen.h"
#include "viewer/ViewerInput.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A viewer with an image on screen, its selection driven with the mouse.
class ViewerSelectionTest : public ViewerWindowTest {
  protected:
    void SetUp() override {
        ViewerWindowTest::SetUp();
        selection = vc->selection();
    }
    bool open(const QImage& image) { return openImage(image) && shown() && settle(); }
    bool open(const QString& file) { return ViewerWindowTest::open(file); }
    QImage big() const { return filled(2400, 1600, Qt::darkCyan); }
    // Content points (y up) to the view's raster.
    QPoint raster(QPointF content) const {
        return QPoint(int(std::lround(content.x())), int(std::lround(vc->height() - content.y())));
    }
    QPointF imageAt(double fx, double fy) const {
        const QRectF r = vc->viewGeometry()->layout();
        return QPointF(r.x() + fx * r.width(), r.y() + fy * r.height());
    }
    void dragWithTool(QPointF from, QPointF to) {
        vc->selectionTool();
        QTest::mousePress(vc, Qt::LeftButton, {}, raster(from));
        QTest::mouseMove(vc, raster((from + to) / 2));
        QTest::mouseMove(vc, raster(to));
    }
    // Presses, drags and lets go on the rectangle itself, at points of the
    // content view.
    void dragRectangle(QPoint from, QPoint to) {
        OrvaneResizeView* view = selection->selectionView();
        QTest::mouseMove(view, view->mapFrom(vc, from));
        QTest::mousePress(view, Qt::LeftButton, {}, view->mapFrom(vc, from));
        QTest::mouseMove(view, view->mapFrom(vc, (from + to) / 2));
        QTest::mouseMove(view, view->mapFrom(vc, to));
        QTest::mouseRelease(view, Qt::LeftButton, {}, view->mapFrom(vc, to));
    }
    bool enabled(MenuItem item) const { return vc->commands()->item(item)->isEnabled(); }

    ViewerSelection* selection = nullptr;
};

TEST_F(ViewerSelectionTest, ARectangleMovedOrResizedAfterSelectAllStays) {
    ASSERT_TRUE(open(big()));
    EXPECT_TRUE(enabled(MenuItem::SelectAll));
    EXPECT_FALSE(enabled(MenuItem::Deselect));
    vc->selectAll();
    ASSERT_TRUE(vc->hasSelection());
    EXPECT_EQ(selection->selectedPixels(), QRectF(0, 0, 2400, 1600));
    EXPECT_TRUE(enabled(MenuItem::Deselect));

    // The top-left knob pulled inwards, then the middle dragged: neither
    // press reaches the viewer, and neither release may count as a click.
    const QRect view = selection->selectionView()->geometry();
    dragRectangle(view.topLeft() + QPoint(5, 5), view.topLeft() + QPoint(105, 85));
    ASSERT_TRUE(vc->hasSelection()) << "a resize is no plain click";
    const QRectF resized = selection->selectedPixels();
    EXPECT_LT(resized.width(), 2400);
    EXPECT_EQ(resized.x() + resized.width(), 2400) << "the opposite corner stays";

    const QPoint middle = selection->selectionView()->geometry().center();
    dragRectangle(middle, middle - QPoint(60, -30));
    ASSERT_TRUE(vc->hasSelection()) << "a move is no plain click";
    const QRectF moved = selection->selectedPixels();
    EXPECT_EQ(moved.size(), resized.size()) << "a move keeps the pixel size";
    EXPECT_LT(moved.x(), resized.x());
    EXPECT_EQ(moved.y(), 0) << "held at the image's bottom edge";

    ASSERT_TRUE(open(path("a.jpg")));
    EXPECT_FALSE(vc->hasSelection()) << "a new image has none";
    EXPECT_TRUE(selection->selectionView()->isHidden());
}

// The box while the button is held and a plain click are the end-to-end script's.
TEST_F(ViewerSelectionTest,
       TheToolDrawsWholePixelsOnceAndTheRectangleFollowsTheImageWithoutDrifting) {
    ASSERT_TRUE(open(big()));
    ASSERT_LT(selection->mapping().ratio(), 0.5) << "a large photo is shown reduced";
    dragWithTool(imageAt(0.3, 0.3), imageAt(0.3031, 0.3047));
    const QRectF made = selection->selectedPixels();
    EXPECT_NEAR(made.x(), 720, 4);
    EXPECT_NEAR(made.y(), 480, 4);
    EXPECT_EQ(selection->selectionHelperView()->sizeText(),
              QString::asprintf("%i × %i", int(made.width()), int(made.height())));
    QTest::mouseRelease(vc, Qt::LeftButton, {}, raster(imageAt(0.3031, 0.3047)));
    ASSERT_TRUE(vc->hasSelection());
    EXPECT_FALSE(vc->input()->tools().inSelecting()) << "the tool is one-shot";
    EXPECT_EQ(selection->selectedPixels(), made);

    // Clicks of the zoom tool zoom about the pointer; their releases must not
    // take the pixels back from the rounded drawing at any of the ratios.
    vc->input()->canBeZoomed(true, true);
    for (int click = 0; click < 3; ++click) {
        QTest::mouseClick(vc, Qt::LeftButton, {}, raster(imageAt(0.5, 0.5)));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !vc->viewGeometry()->windowAnimation; }, 5000));
        EXPECT_EQ(selection->selectedPixels(), made) << "after click " << click;
    }
    vc->input()->canBeZoomed(false, true);
    EXPECT_TRUE(vc->hasSelection());
    EXPECT_EQ(selection->selectedPixels(), made);
    const PixelMapping now = selection->mapping();
    const QRectF expected = now.contentRect(made);
    const QRectF drawn = selection->selectionView()->selectedFrame();
    EXPECT_NEAR(drawn.x(), expected.x(), 1e-9) << "the rectangle follows the image";
    EXPECT_NEAR(drawn.width(), expected.width(), 1e-9);
}

// Which click does what is the tool modes' rule; here, that the window follows it.
TEST_F(ViewerSelectionTest, ADoubleClickOnTheTopStripMaximisesAndBelowItTogglesFullScreen) {
    ASSERT_TRUE(open(big()));
    auto doubleClick = [this](int y) {
        QTest::mouseDClick(vc, Qt::LeftButton, {}, QPoint(vc->width() / 2, y));
        QTest::mouseRelease(vc, Qt::LeftButton, {}, QPoint(vc->width() / 2, y));
    };
    doubleClick(10);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->isMaximized(); }, 2000));
    doubleClick(200);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->isFullScreen(); }, 2000));
}

} // namespace
