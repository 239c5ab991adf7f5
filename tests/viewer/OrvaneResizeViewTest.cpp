#include "viewer/OrvaneResizeView.h"

#include <QPaintEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Collects the regions the view is asked to paint.
class PaintSpy : public QObject {
  public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

struct Shown {
    QWidget content;
    OrvaneResizeView* view;
    Shown() {
        content.resize(400, 300);
        view = new OrvaneResizeView(&content);
        view->setSelectableFrame(QRectF(0, 0, 400, 300));
        content.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&content));
    }
};

TEST(OrvaneResizeView, FlipsIntoQtsRasterGrownByHalfAKnobAndMarchesOnlyAboutTheOutline) {
    Shown s;
    s.view->setSelectedFrame(QRectF(100, 50, 80, 40));
    EXPECT_EQ(s.view->geometry(), QRect(95, 300 - 90 - 5, 90, 50));
    s.content.resize(400, 500);
    s.view->placeInParent();
    EXPECT_EQ(s.view->geometry().top(), 500 - 95) << "the content rectangle keeps its place";
    s.view->setSelectedFrame(QRectF(100.4, 50.3, 12.2, 6.2));
    EXPECT_EQ(s.view->selectedFrame(), QRectF(100.4, 50.3, 12.2, 6.2)) << "rounded only on screen";
    EXPECT_EQ(s.view->geometry().width(), 118 - 95) << "each edge to its nearest point";

    // The marching outline repaints only the band about the outline.
    s.view->stopAnimation();
    s.view->setSelectedFrame(QRectF(20, 20, 300, 200));
    s.view->show();
    QTest::qWait(50);
    PaintSpy spy;
    s.view->installEventFilter(&spy);
    const double before = s.view->currentPhase();
    s.view->startAnimation();
    s.view->stopAnimation();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !spy.painted.isEmpty(); }, 2000));
    EXPECT_NE(s.view->currentPhase(), before);
    ASSERT_FALSE(spy.painted.isEmpty());
    EXPECT_FALSE(spy.painted.contains(s.view->rect().center())) << "nothing inside is repainted";
    EXPECT_TRUE(spy.painted.contains(QPoint(5, 100))) << "the outline is";
    EXPECT_LE(spy.painted.boundingRect().width(), s.view->width());
    EXPECT_TRUE(s.view->outlineBand().contains(QPoint(5, 5)));
    EXPECT_FALSE(s.view->outlineBand().contains(QPoint(12, 12)));
}

} // namespace
