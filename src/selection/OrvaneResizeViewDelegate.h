#pragma once

#include <QRectF>

// What the selection rectangle proposes to its owner and tells it. The owner
// snaps each proposed rectangle to image pixels and answers the one to use.
class OrvaneResizeViewDelegate {
  public:
    virtual ~OrvaneResizeViewDelegate() = default;
    virtual void selectionDidChanged(const QRectF& rect) = 0;
    virtual QRectF selectionWillChange(const QRectF& rect) = 0;
    virtual QRectF selectionWillMove(const QRectF& rect) = 0;
    virtual void interactionDidStarted() = 0;
    virtual void interactionDidEnded() = 0;
};
