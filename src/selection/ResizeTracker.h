#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QtGlobal>
#include <optional>

class OrvaneResizeViewDelegate;

// The selection rectangle's behaviour without its widget: the knob areas,
// what lies under the pointer, and the move and resize steps. Points are
// content points (y up) unless named local, which are y-up points within the
// rectangle's own frame (the selection grown by half a knob on every side).
class ResizeTracker {
  public:
    enum Area : quint64 {
        None = 0,
        LeftTop = 1,
        RightTop = 2,
        Top = 3,
        Left = 4,
        Right = 5,
        BottomLeft = 6,
        Bottom = 7,
        BottomRight = 8,
        Center = 9,
    };
    enum class Cursor { Arrow, OpenHand, ClosedHand, TopLeft, TopRight, UpDown, LeftRight };

    static constexpr double knob = 10;

    OrvaneResizeViewDelegate* delegate = nullptr;

    QRectF selectedFrame() const { return selected; }
    QRectF selectableFrame() const { return selectable; }
    // Both answer whether anything changed.
    bool setSelectedFrame(const QRectF& rect);
    bool setSelectableFrame(const QRectF& rect);
    // The selection grown by half a knob on every side, so the knobs fit.
    QRectF viewFrame() const;

    bool respectsProportion() const { return proportional; }
    bool squareSelection() const { return square; }
    // A resize under way follows the new rule at once, at `mouse`.
    void setRespectsProportion(bool on, const QPointF& mouse);
    void setSquareSelection(bool on, const QPointF& mouse);

    static QRectF areaRect(Area area, const QSizeF& bounds);
    // The area under a local point, first match in the table's order.
    Area hitTest(const QPointF& local) const;
    Cursor cursorFor(Area area) const;
    // The knobs drawn at the current size and in the current mode.
    QList<Area> knobs() const;

    Area tracking() const { return trackingArea; }
    bool isResizing() const { return resizeOperation; }
    bool isMoving() const { return dragOperation; }
    // The corner or edge a resize under way holds still, in content points.
    QPointF anchor() const { return fromPoint; }

    Cursor mouseMoved(const QPointF& local);
    Cursor press(const QPointF& at);
    void drag(const QPointF& at);
    // The cursor to show after the release; none leaves it as it is.
    std::optional<Cursor> release(const QPointF& at);

    void updateOnDrag(const QPointF& q);
    void updateOnResize(QPointF p);

  private:
    void selectionChanged(const QRectF& rect);
    QPointF local(const QPointF& at) const { return at - viewFrame().topLeft(); }
    bool sideKnobsOffered() const { return !proportional && !square; }
    // Where a press moves the rectangle, in local points.
    QRectF moveArea(const QSizeF& bounds) const;

    QRectF selected;
    QRectF selectable;
    bool proportional = false;
    bool square = false;
    Area trackingArea = None;
    bool resizeOperation = false;
    bool dragOperation = false;
    QPointF fromPoint;
    QPointF lastDragPoint;
    QRectF referenceSelectionRect;
};
