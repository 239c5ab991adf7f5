#pragma once

#include "geometry/ViewWindow.h"

#include <QPointer>
#include <QWidget>

// A widget and its top-level window as the geometry sees them. The widget
// may go first: the geometry then finds that it no longer exists.
class WidgetViewWindow : public ViewWindow {
  public:
    explicit WidgetViewWindow(QWidget* view) : view(view) {}

    bool exists() const override { return !view.isNull(); }
    QSize viewSize() const override { return view->size(); }
    QRect windowGeometry() const override { return view->window()->geometry(); }
    void setWindowGeometry(const QRect& frame) override { view->window()->setGeometry(frame); }
    void moveWindow(const QPoint& topLeft) override { view->window()->move(topLeft); }
    QList<QRect> otherWindowFrames() const override;
    QScreen* screen() const override { return view->window()->screen(); }
    bool isFullScreen() const override { return view->window()->isFullScreen(); }
    bool isMaximized() const override { return view->window()->isMaximized(); }
    bool isVisible() const override { return view->window()->isVisible(); }
    bool isActive() const override { return view->window()->isActiveWindow(); }
    void bringToFront() override;

  private:
    QPointer<QWidget> view;
};
