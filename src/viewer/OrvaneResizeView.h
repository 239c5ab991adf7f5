#pragma once

#include "selection/ResizeTracker.h"

#include <QColor>
#include <QCursor>
#include <QRegion>
#include <QTimer>
#include <QWidget>

class OrvaneResizeViewDelegate;

// The selection rectangle on screen: a marching dashed outline with round
// knobs, moved by its inside and resized by its knobs. It lies over the image
// in its parent, the content view; the geometry it keeps is in the parent's
// y-up content points, and only this widget turns it into Qt's y-down
// raster, rounded to whole points.
class OrvaneResizeView : public QWidget {
    Q_OBJECT
  public:
    explicit OrvaneResizeView(QWidget* parent);

    void setDelegate(OrvaneResizeViewDelegate* delegate) { tracker.delegate = delegate; }
    QRectF selectedFrame() const { return tracker.selectedFrame(); }
    QRectF selectableFrame() const { return tracker.selectableFrame(); }
    void setSelectedFrame(const QRectF& rect);
    void setSelectableFrame(const QRectF& rect) { tracker.setSelectableFrame(rect); }
    bool respectsProportion() const { return tracker.respectsProportion(); }
    bool squareSelection() const { return tracker.squareSelection(); }
    void setRespectsProportion(bool on);
    void setSquareSelection(bool on);
    // The parent changed size: the same content rectangle lies elsewhere in
    // Qt's coordinates.
    void placeInParent();

    bool animated = true;
    QColor knobColor;
    double currentPhase() const { return phase; }
    const ResizeTracker& state() const { return tracker; }
    // What a march step repaints: the band about the outline, nothing inside.
    QRegion outlineBand() const;
    void startAnimation();
    void stopAnimation();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QPointF contentPoint(const QPointF& widgetPoint) const;
    QPointF mouseInContent() const;
    QRectF localToQt(const QRectF& local) const;
    // After a step of the tracker: the widget follows its rectangle.
    void followFrame(const QRectF& before);
    void setCursorShape(ResizeTracker::Cursor cursor);

    ResizeTracker tracker;
    double phase = 0;
    QTimer animationTimer;
    QCursor cursorTopLeft;
    QCursor cursorTopRight;
};
