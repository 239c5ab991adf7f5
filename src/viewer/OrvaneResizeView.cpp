#include "viewer/OrvaneResizeView.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

constexpr double knob = ResizeTracker::knob;

QCursor cursorFrom(const char* name) {
    const QIcon icon(QStringLiteral(":/%1.svg").arg(QString::fromLatin1(name)));
    return QCursor(icon.pixmap(QSize(16, 16)), 8, 8);
}

} // namespace

OrvaneResizeView::OrvaneResizeView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    knobColor = palette().color(QPalette::Highlight);
    cursorTopLeft = cursorFrom("cursor-topleft");
    cursorTopRight = cursorFrom("cursor-topright");
    if (parent)
        tracker.setSelectableFrame(QRectF(QPointF(), QSizeF(parent->size())));
    animationTimer.setSingleShot(true);
    animationTimer.setInterval(50);
    connect(&animationTimer, &QTimer::timeout, this, &OrvaneResizeView::startAnimation);
}

void OrvaneResizeView::setSelectedFrame(const QRectF& rect) {
    if (tracker.setSelectedFrame(rect))
        placeInParent();
}

void OrvaneResizeView::placeInParent() {
    const QWidget* content = parentWidget();
    if (!content)
        return;
    // Whole points, each edge rounded on its own so that the size follows
    // the edges; the rectangle itself stays unrounded.
    const QRectF frame = tracker.viewFrame();
    const double left = std::round(frame.left());
    const double right = std::round(frame.right());
    const double top = std::round(content->height() - frame.bottom());
    const double bottom = std::round(content->height() - frame.top());
    setGeometry(QRect(int(left), int(top), int(right - left), int(bottom - top)));
}

void OrvaneResizeView::followFrame(const QRectF& before) {
    if (tracker.selectedFrame() != before)
        placeInParent();
}

void OrvaneResizeView::setRespectsProportion(bool on) {
    if (on == tracker.respectsProportion())
        return;
    const QRectF before = tracker.selectedFrame();
    tracker.setRespectsProportion(on, mouseInContent());
    followFrame(before);
    update();
}

void OrvaneResizeView::setSquareSelection(bool on) {
    if (on == tracker.squareSelection())
        return;
    const QRectF before = tracker.selectedFrame();
    tracker.setSquareSelection(on, mouseInContent());
    followFrame(before);
    // The side knobs come and go.
    update();
}

QPointF OrvaneResizeView::contentPoint(const QPointF& at) const {
    const QWidget* content = parentWidget();
    const QPointF inParent = mapToParent(at);
    return QPointF(inParent.x(), (content ? content->height() : 0) - inParent.y());
}

QPointF OrvaneResizeView::mouseInContent() const {
    return contentPoint(mapFromGlobal(QCursor::pos()));
}

QRectF OrvaneResizeView::localToQt(const QRectF& local) const {
    // Knob areas are y-up within the frame, the painter is y-down.
    return QRectF(local.x(), height() - local.y() - local.height(), local.width(), local.height());
}

QRegion OrvaneResizeView::outlineBand() const {
    // The outline's line and its antialiasing, a point either side of it.
    const int half = int(knob / 2);
    const QRect outer = rect().adjusted(half - 2, half - 2, -(half - 2), -(half - 2));
    const QRect inner = rect().adjusted(half + 2, half + 2, -(half + 2), -(half + 2));
    QRegion band(outer);
    if (inner.isValid())
        band -= QRegion(inner);
    return band;
}

void OrvaneResizeView::startAnimation() {
    phase -= 1.0;
    if (phase < 1.0)
        phase = 10.0;
    // Only the outline moves; the image beneath it is not repainted.
    update(outlineBand());
    animationTimer.start();
}

void OrvaneResizeView::stopAnimation() {
    animationTimer.stop();
}

void OrvaneResizeView::showEvent(QShowEvent* event) {
    if (animated && !tracker.isResizing() && !tracker.isMoving())
        animationTimer.start();
    QWidget::showEvent(event);
}

void OrvaneResizeView::hideEvent(QHideEvent* event) {
    // Nothing to march while nobody sees it.
    stopAnimation();
    QWidget::hideEvent(event);
}

void OrvaneResizeView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        knobColor = palette().color(QPalette::Highlight);
    QWidget::changeEvent(event);
}

void OrvaneResizeView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const double c = knob;
    const QRectF outline(c / 2, c / 2, width() - c, height() - c);
    // Half a point in, so that a 1-point line covers whole pixels.
    const QRectF line = outline.adjusted(0.5, 0.5, -0.5, -0.5);
    QPen pen(QColor(0, 0, 0, 153), 1.0);
    pen.setDashPattern({5.0, 5.0});
    pen.setDashOffset(phase);
    painter.setPen(pen);
    painter.drawRect(line);
    pen.setColor(QColor(255, 255, 255, 204));
    pen.setDashOffset(phase + 5.0);
    painter.setPen(pen);
    painter.drawRect(line);

    const QList<ResizeTracker::Area> knobs = tracker.knobs();
    if (knobs.isEmpty())
        return;
    QPainterPath path;
    for (ResizeTracker::Area area : knobs)
        path.addEllipse(localToQt(ResizeTracker::areaRect(area, QSizeF(size()))));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, knobColor);
    painter.setClipPath(path, Qt::IntersectClip);
    painter.strokePath(path, QPen(Qt::white, 2.0));
}

void OrvaneResizeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    stopAnimation();
    setCursorShape(tracker.press(contentPoint(event->position())));
    event->accept();
}

void OrvaneResizeView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = contentPoint(event->position());
    if (event->buttons() & Qt::LeftButton) {
        const QRectF before = tracker.selectedFrame();
        tracker.drag(at);
        followFrame(before);
    } else {
        const QPointF local(at - tracker.viewFrame().topLeft());
        setCursorShape(tracker.mouseMoved(local));
    }
    event->accept();
}

void OrvaneResizeView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (const auto cursor = tracker.release(contentPoint(event->position())))
        setCursorShape(*cursor);
    if (animated && isVisible())
        animationTimer.start();
    // The viewer sees the release too.
    event->ignore();
}

void OrvaneResizeView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    unsetCursor();
}

void OrvaneResizeView::setCursorShape(ResizeTracker::Cursor cursor) {
    using C = ResizeTracker::Cursor;
    switch (cursor) {
    case C::Arrow:
        setCursor(Qt::ArrowCursor);
        break;
    case C::OpenHand:
        setCursor(Qt::OpenHandCursor);
        break;
    case C::ClosedHand:
        setCursor(Qt::ClosedHandCursor);
        break;
    case C::TopLeft:
        setCursor(cursorTopLeft);
        break;
    case C::TopRight:
        setCursor(cursorTopRight);
        break;
    case C::UpDown:
        setCursor(Qt::SizeVerCursor);
        break;
    case C::LeftRight:
        setCursor(Qt::SizeHorCursor);
        break;
    }
}
