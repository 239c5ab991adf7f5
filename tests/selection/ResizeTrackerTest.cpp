#include "selection/ResizeTracker.h"
#include "selection/OrvaneResizeViewDelegate.h"
#include "selection/SelectionModel.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

using Area = ResizeTracker::Area;
using Cursor = ResizeTracker::Cursor;

// Accepts every proposal as it is and notes the calls.
class Recorder : public OrvaneResizeViewDelegate {
  public:
    QStringList calls;
    void selectionDidChanged(const QRectF&) override { calls << "didChange"; }
    QRectF selectionWillChange(const QRectF& r) override {
        calls << "willChange";
        return r;
    }
    QRectF selectionWillMove(const QRectF& r) override {
        calls << "willMove";
        return r;
    }
    void interactionDidStarted() override { calls << "started"; }
    void interactionDidEnded() override { calls << "ended"; }
};

struct Tracker {
    Recorder recorder;
    ResizeTracker tracker;
    explicit Tracker(QRectF selected, QRectF selectable = QRectF(0, 0, 1000, 800)) {
        tracker.delegate = &recorder;
        tracker.setSelectableFrame(selectable);
        tracker.setSelectedFrame(selected);
    }
    // Presses on the middle of a knob area, then drags to `to`.
    void dragArea(Area area, QPointF to) {
        const QRectF frame = tracker.viewFrame();
        const QPointF at = ResizeTracker::areaRect(area, frame.size()).center() + frame.topLeft();
        tracker.press(at);
        tracker.drag(to);
    }
};

TEST(ResizeTrackerKnobs, ShowBySizeAndNotOnTheSidesInSquareMode) {
    Tracker small(QRectF(100, 100, 9, 9));
    EXPECT_TRUE(small.tracker.knobs().isEmpty()) << "a frame under 20 points has no knobs";
    Tracker flat(QRectF(100, 100, 40, 15));
    const QList<Area> knobs = flat.tracker.knobs();
    EXPECT_EQ(knobs.size(), 6);
    EXPECT_TRUE(knobs.contains(Area::Top) && knobs.contains(Area::Bottom));
    EXPECT_FALSE(knobs.contains(Area::Left) || knobs.contains(Area::Right))
        << "a frame under 30 points high has no left and right knobs";

    // Side knobs go in square mode and their place moves the rectangle.
    Tracker t(QRectF(100, 100, 200, 100));
    const QPointF leftKnob(t.tracker.viewFrame().left() + 5, t.tracker.viewFrame().center().y());
    EXPECT_EQ(t.tracker.mouseMoved(leftKnob - t.tracker.viewFrame().topLeft()), Cursor::LeftRight);
    t.tracker.setSquareSelection(true, QPointF());
    EXPECT_EQ(t.tracker.knobs().size(), 4);
    EXPECT_EQ(t.tracker.mouseMoved(leftKnob - t.tracker.viewFrame().topLeft()), Cursor::Arrow);
    t.tracker.press(leftKnob);
    EXPECT_FALSE(t.tracker.isResizing());
    t.tracker.drag(leftKnob + QPointF(20, 10));
    EXPECT_EQ(t.tracker.selectedFrame(), QRectF(120, 110, 200, 100)) << "moved, not resized";
}

TEST(ResizeTrackerHitTest, TheCornersWinOverTheEdgesAndTheBandMoves) {
    Tracker t(QRectF(100, 100, 200, 100));
    const QRectF frame = t.tracker.viewFrame();
    auto at = [&](double x, double y) { return t.tracker.hitTest(QPointF(x, y)); };
    EXPECT_EQ(at(5, frame.height() - 5), Area::LeftTop);
    EXPECT_EQ(at(frame.width() - 5, 5), Area::BottomRight);
    EXPECT_EQ(at(frame.width() / 2, 5), Area::Bottom);
    EXPECT_EQ(at(frame.width() / 2, frame.height() / 2), Area::Center);
    EXPECT_EQ(at(40, 3), Area::None) << "near the outline, between knobs";

    const QPointF band = frame.topLeft() + QPointF(40, 3);
    EXPECT_EQ(t.tracker.press(band), Cursor::Arrow);
    t.tracker.drag(band + QPointF(-30, 50));
    EXPECT_EQ(t.tracker.selectedFrame(), QRectF(70, 150, 200, 100));

    ResizeTracker empty;
    empty.setSelectedFrame(QRectF(0, 0, -30, -30));
    EXPECT_EQ(empty.hitTest(QPointF(-10, -10)), Area::None) << "an empty rectangle holds nothing";
}

// The top knob keeps x and width; a corner dragged across its anchor flips; the rectangle stays
// in the selectable frame; with proportions kept, the anchor is the opposite corner.
TEST(ResizeTrackerResize, AKnobMovesItsEdgesWithinTheSelectableFrame) {
    const QRectF all(0, 0, 1000, 800), sel(100, 100, 200, 100);
    // clang-format off
    const struct {
        QRectF selectable;
        bool proportion;
        Area area;
        QPointF to;
        QRectF result;
    } cases[] = {
        {all, false, Area::Top, {470, 260}, {100, 100, 200, 160}},
        {all, false, Area::LeftTop, {350, 60}, {300, 60, 50, 40}}, // past the anchor (300, 100)
        {{50, 50, 400, 300}, false, Area::RightTop, {900, 900}, {100, 100, 350, 250}},
        {all, true, Area::RightTop, {400, 220}, {100, 100, 240, 120}},
        {all, true, Area::BottomLeft, {0, 80}, {60, 80, 240, 120}}, // anchored at (300, 200)
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.area));
        Tracker t(sel, c.selectable);
        t.tracker.setRespectsProportion(c.proportion, QPointF());
        t.dragArea(c.area, c.to);
        EXPECT_EQ(t.tracker.selectedFrame(), c.result);
    }
    // Square mode follows at once during a resize.
    Tracker t(sel);
    t.dragArea(Area::RightTop, QPointF(400, 220));
    EXPECT_EQ(t.tracker.selectedFrame(), QRectF(100, 100, 300, 120));
    t.tracker.setSquareSelection(true, QPointF(400, 220));
    EXPECT_EQ(t.tracker.selectedFrame(), QRectF(100, 100, 120, 120));
}

// A rectangle wider than the area ends on its right edge.
TEST(ResizeTrackerMove, NeverLeavesTheSelectableFrame) {
    const QRectF area(50, 50, 400, 300);
    Tracker t(QRectF(100, 100, 100, 50), area);
    for (const QPointF to : {QPointF(-500, -500), QPointF(2000, 2000), QPointF(2000, -40),
                             QPointF(-40, 2000), QPointF(300, 200)}) {
        t.tracker.press(QPointF(150, 125));
        t.tracker.drag(to);
        t.tracker.release(to);
        EXPECT_TRUE(area.contains(t.tracker.selectedFrame())) << to.x() << "," << to.y();
    }
    Tracker wide(QRectF(100, 100, 500, 50), area);
    wide.tracker.press(QPointF(300, 125));
    wide.tracker.drag(QPointF(280, 125));
    EXPECT_EQ(wide.tracker.selectedFrame().right(), 450);
}

// The rectangle over a 400 x 200 pixel image shown at a display ratio, its
// proposals snapped to pixels as the viewer snaps them.
class Snapped : public OrvaneResizeViewDelegate {
  public:
    Snapped(double ratio, QRectF pixels)
        : k(ratio),
          mapping(QRectF(10, 20, 400 * ratio, 200 * ratio), QSizeF(400, 200), QSize(400, 200)) {
        tracker.delegate = this;
        tracker.setSelectableFrame(mapping.layout());
        model.selectedPixels = pixels;
        model.shown = true;
        tracker.setSelectedFrame(mapping.contentRect(pixels));
    }
    // Content point of a place given in pixels.
    QPointF at(QPointF pixel) const { return QPointF(10 + pixel.x() * k, 20 + pixel.y() * k); }

    void selectionDidChanged(const QRectF& r) override { model.didChange(r, tracker, mapping); }
    QRectF selectionWillChange(const QRectF& r) override {
        return model.willChange(r, tracker, mapping);
    }
    QRectF selectionWillMove(const QRectF& r) override {
        return SelectionModel::willMove(r, mapping);
    }
    void interactionDidStarted() override {}
    void interactionDidEnded() override {}

    double k;
    PixelMapping mapping;
    SelectionModel model;
    ResizeTracker tracker;
};

TEST(ResizeTrackerSnapping, OnlyTheEdgeUnderThePointerSnapsAndSmallRectanglesMove) {
    struct Case {
        const char* what;
        QRectF pixels;
        Area press; // the middle of a knob, or of the rectangle for Center
        bool square;
        QList<QPointF> drags; // pointer places, in pixels
        QRectF result;
    };
    const QRectF sel(80, 40, 120, 80);
    // Pointers on half pixels: half points at ratio 1, odd points at 2.
    // clang-format off
    const Case cases[] = {
        {"left knob, twice", sel, Area::Left, false, {{60.5, 0}, {40.5, 0}}, {40, 40, 160, 80}},
        {"bottom knob", sel, Area::Bottom, false, {{0, 20.5}}, {80, 20, 120, 100}},
        {"right knob", sel, Area::Right, false, {{250.5, 0}}, {80, 40, 171, 80}},
        {"square, bottom-left", sel, Area::BottomLeft, true, {{40.5, 20.5}}, {100, 20, 100, 100}},
        // 2 pixels are under 10 points at every ratio here: no knobs, and a press inside moves it.
        {"small", {100, 50, 2, 2}, Area::Center, false, {{111, 56}, {121, 63}}, {120, 62, 2, 2}},
    };
    // clang-format on
    for (const double k : {0.5, 1.0, 2.0, 4.0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << " at ratio " << k);
            Snapped t(k, c.pixels);
            t.tracker.setSquareSelection(c.square, QPointF());
            const QRectF frame = t.tracker.viewFrame();
            const QPointF press =
                c.press == Area::Center
                    ? t.tracker.selectedFrame().center()
                    : ResizeTracker::areaRect(c.press, frame.size()).center() + frame.topLeft();
            t.tracker.press(press);
            EXPECT_EQ(t.tracker.isMoving(), c.press == Area::Center);
            for (const QPointF& to : c.drags)
                t.tracker.drag(t.at(to));
            t.tracker.release(t.at(c.drags.back()));
            EXPECT_EQ(t.model.selectedPixels, c.result);
            EXPECT_EQ(t.tracker.selectedFrame(), t.mapping.contentRect(c.result));
        }
    }
}

TEST(ResizeTrackerDelegate, IsToldInOrder) {
    Tracker t(QRectF(100, 100, 200, 100));
    t.tracker.press(QPointF(200, 150));
    EXPECT_TRUE(t.tracker.isMoving());
    t.tracker.drag(QPointF(210, 150));
    EXPECT_EQ(t.tracker.release(QPointF(210, 150)), Cursor::OpenHand);
    EXPECT_EQ(t.recorder.calls,
              QStringList({"started", "willChange", "willMove", "didChange", "ended"}));
    t.recorder.calls.clear();
    t.dragArea(Area::BottomRight, QPointF(350, 90));
    EXPECT_EQ(t.recorder.calls, QStringList({"started", "willChange", "didChange"}))
        << "a resize is no move";
}

} // namespace
