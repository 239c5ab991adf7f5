#include "selection/ResizeTracker.h"

#include "selection/OrvaneResizeViewDelegate.h"

#include <algorithm>
#include <cmath>

namespace {

// QRectF::contains would normalise a negative size; an empty area holds nothing.
bool inside(const QRectF& r, const QPointF& p) {
    return r.width() > 0 && r.height() > 0 && p.x() >= r.left() && p.x() <= r.right() &&
           p.y() >= r.top() && p.y() <= r.bottom();
}

} // namespace

bool ResizeTracker::setSelectedFrame(const QRectF& rect) {
    if (rect == selected)
        return false;
    selected = rect;
    return true;
}

bool ResizeTracker::setSelectableFrame(const QRectF& rect) {
    if (rect == selectable)
        return false;
    selectable = rect;
    return true;
}

QRectF ResizeTracker::viewFrame() const {
    const double half = knob / 2;
    return selected.adjusted(-half, -half, half, half);
}

void ResizeTracker::setRespectsProportion(bool on, const QPointF& mouse) {
    if (on == proportional)
        return;
    proportional = on;
    if (resizeOperation)
        updateOnResize(mouse);
}

void ResizeTracker::setSquareSelection(bool on, const QPointF& mouse) {
    if (on == square)
        return;
    square = on;
    if (resizeOperation)
        updateOnResize(mouse);
}

QRectF ResizeTracker::areaRect(Area area, const QSizeF& bounds) {
    const double c = knob;
    const double w = bounds.width();
    const double h = bounds.height();
    switch (area) {
    case Center:
        return QRectF(c, c, w - 2 * c, h - 2 * c);
    case BottomLeft:
        return QRectF(0, 0, c, c);
    case LeftTop:
        return QRectF(0, h - c, c, c);
    case BottomRight:
        return QRectF(w - c, 0, c, c);
    case RightTop:
        return QRectF(w - c, h - c, c, c);
    case Left:
        return QRectF(0, h / 2 - c / 2, c, c);
    case Right:
        return QRectF(w - c, h / 2 - c / 2, c, c);
    case Bottom:
        return QRectF(w / 2 - c / 2, 0, c, c);
    case Top:
        return QRectF(w / 2 - c / 2, h - c, c, c);
    case None:
        break;
    }
    return QRectF();
}

QRectF ResizeTracker::moveArea(const QSizeF& bounds) const {
    // Too small for knobs, the rectangle has no room for an inside between
    // them: all of it moves it, and nothing resizes.
    if (knobs().isEmpty())
        return QRectF(knob / 2, knob / 2, bounds.width() - knob, bounds.height() - knob);
    return areaRect(Center, bounds);
}

ResizeTracker::Area ResizeTracker::hitTest(const QPointF& at) const {
    const QSizeF bounds = viewFrame().size();
    if (inside(moveArea(bounds), at))
        return Center;
    if (knobs().isEmpty())
        return None;
    const bool sides = sideKnobsOffered();
    const struct {
        Area area;
        bool offered;
    } order[] = {{LeftTop, true}, {Top, sides},       {RightTop, true}, {Left, sides},
                 {Right, sides},  {BottomLeft, true}, {Bottom, sides},  {BottomRight, true}};
    for (const auto& entry : order) {
        if (entry.offered && inside(areaRect(entry.area, bounds), at))
            return entry.area;
    }
    return None;
}

ResizeTracker::Cursor ResizeTracker::cursorFor(Area area) const {
    switch (area) {
    case Center:
        return dragOperation ? Cursor::ClosedHand : Cursor::OpenHand;
    case LeftTop:
    case BottomRight:
        return Cursor::TopLeft;
    case RightTop:
    case BottomLeft:
        return Cursor::TopRight;
    case Top:
    case Bottom:
        return Cursor::UpDown;
    case Left:
    case Right:
        return Cursor::LeftRight;
    case None:
        break;
    }
    return Cursor::Arrow;
}

QList<ResizeTracker::Area> ResizeTracker::knobs() const {
    QList<Area> shown;
    const QSizeF frame = viewFrame().size();
    if (frame.width() < 2 * knob || frame.height() < 2 * knob)
        return shown;
    shown = {LeftTop, RightTop, BottomLeft, BottomRight};
    if (sideKnobsOffered()) {
        if (frame.height() >= 3 * knob)
            shown << Left << Right;
        if (frame.width() >= 3 * knob)
            shown << Bottom << Top;
    }
    return shown;
}

ResizeTracker::Cursor ResizeTracker::mouseMoved(const QPointF& at) {
    trackingArea = hitTest(at);
    resizeOperation = false;
    return cursorFor(trackingArea);
}

ResizeTracker::Cursor ResizeTracker::press(const QPointF& at) {
    if (delegate)
        delegate->interactionDidStarted();
    referenceSelectionRect = selected;
    lastDragPoint = at - selected.topLeft();
    // The area under the press itself: a first click on an inactive window
    // may come with no move before it.
    trackingArea = hitTest(local(at));
    const double x = selected.x(), y = selected.y();
    const double w = selected.width(), h = selected.height();
    switch (trackingArea) {
    case Center:
        dragOperation = true;
        resizeOperation = false;
        break;
    case None:
        dragOperation = false;
        resizeOperation = false;
        break;
    case LeftTop:
    case Top:
    case Left:
        resizeOperation = true;
        fromPoint = QPointF(x + w, y);
        break;
    case RightTop:
    case Right:
        resizeOperation = true;
        fromPoint = QPointF(x, y);
        break;
    case BottomLeft:
    case Bottom:
        resizeOperation = true;
        fromPoint = QPointF(x + w, y + h);
        break;
    case BottomRight:
        resizeOperation = true;
        fromPoint = QPointF(x, y + h);
        break;
    }
    return cursorFor(trackingArea);
}

void ResizeTracker::drag(const QPointF& at) {
    if (resizeOperation)
        updateOnResize(at);
    else
        updateOnDrag(at);
}

std::optional<ResizeTracker::Cursor> ResizeTracker::release(const QPointF& at) {
    if (delegate)
        delegate->interactionDidEnded();
    resizeOperation = false;
    dragOperation = false;
    if (inside(moveArea(viewFrame().size()), local(at)))
        return Cursor::OpenHand;
    return std::nullopt;
}

void ResizeTracker::updateOnDrag(const QPointF& q) {
    const QRectF F = selectable;
    double x = q.x() - lastDragPoint.x();
    double y = q.y() - lastDragPoint.y();
    const double width = selected.width();
    const double height = selected.height();
    if (x < F.x())
        x = F.x();
    if (x + width > F.x() + F.width())
        x = F.x() + F.width() - width;
    if (y < F.y())
        y = F.y();
    else if (y + height > F.y() + F.height())
        y = F.y() + F.height() - height;
    QRectF r(x, y, width, height);
    if (delegate) {
        r = delegate->selectionWillChange(r);
        r = delegate->selectionWillMove(r);
    }
    selectionChanged(r);
}

void ResizeTracker::updateOnResize(QPointF p) {
    if (trackingArea == Left || trackingArea == Right)
        p.setY(selected.y() + selected.height());
    else if (trackingArea == Top || trackingArea == Bottom)
        p.setX(selected.x());
    const QRectF F = selectable;
    p.setX(std::clamp(p.x(), F.x(), F.x() + std::max(0.0, F.width())));
    p.setY(std::clamp(p.y(), F.y(), F.y() + std::max(0.0, F.height())));
    double w = std::abs(fromPoint.x() - p.x());
    double h = std::abs(fromPoint.y() - p.y());
    QPointF origin(std::min(fromPoint.x(), p.x()), std::min(fromPoint.y(), p.y()));
    const QRectF R = referenceSelectionRect;
    // A rectangle drawn with no width or height has no proportion to keep.
    const bool keepRatio = proportional && R.width() > 0 && R.height() > 0;
    if (square || keepRatio) {
        double w2, h2;
        if (square) {
            w2 = h2 = std::min(w, h);
        } else {
            const double f = std::min(w / R.width(), h / R.height());
            w2 = f * R.width();
            h2 = f * R.height();
        }
        if (p.x() < fromPoint.x())
            origin.rx() -= w2 - w;
        if (p.y() < fromPoint.y())
            origin.ry() -= h2 - h;
        w = w2;
        h = h2;
    }
    QRectF r(origin, QSizeF(w, h));
    if (delegate)
        r = delegate->selectionWillChange(r);
    selectionChanged(r);
    resizeOperation = true;
}

void ResizeTracker::selectionChanged(const QRectF& rect) {
    setSelectedFrame(rect);
    if (delegate)
        delegate->selectionDidChanged(selected);
}
