#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QScreen;

// The view an image is placed in and the window around it, as the geometry
// reads and moves them; the widgets implement it. Rectangles are in the
// toolkit's screen coordinates (y down).
class ViewWindow {
  public:
    virtual ~ViewWindow() = default;
    // False once the view is gone; nothing else is asked for then.
    virtual bool exists() const = 0;
    virtual QSize viewSize() const = 0;
    virtual QRect windowGeometry() const = 0;
    virtual void setWindowGeometry(const QRect& frame) = 0;
    virtual void moveWindow(const QPoint& topLeft) = 0;
    // The frames of the other viewer windows shown in a window (not full screen).
    virtual QList<QRect> otherWindowFrames() const = 0;
    // The screen the window is on; null when it is on none.
    virtual QScreen* screen() const = 0;
    virtual bool isFullScreen() const = 0;
    virtual bool isMaximized() const = 0;
    virtual bool isVisible() const = 0;
    virtual bool isActive() const = 0;
    // Shows, raises and activates the window.
    virtual void bringToFront() = 0;
};
