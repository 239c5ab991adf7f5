#include "viewer/ToolModes.h"

#include <cmath>

bool ToolModes::canBeZoomed(bool on, bool zoomIn) {
    const bool wasOut = out;
    if (on)
        out = !zoomIn;
    const bool changed = zooming != on || out != wasOut;
    zooming = on;
    return changed;
}

bool ToolModes::canBeScrolled(bool on) {
    if (hand == on)
        return false;
    hand = on;
    if (!on)
        panning = false;
    return true;
}

bool ToolModes::canBeSelected(bool on) {
    if (selecting == on)
        return false;
    selecting = on;
    return true;
}

bool ToolModes::keysLost() {
    const bool changed = zooming || hand || panning;
    zooming = hand = panning = false;
    return changed;
}

Qt::Edges ToolModes::resizeEdgesAt(QPointF at, QSizeF size, bool resizable) {
    Qt::Edges edges;
    if (!resizable)
        return edges;
    if (at.x() < grip)
        edges |= Qt::LeftEdge;
    if (at.x() >= size.width() - grip)
        edges |= Qt::RightEdge;
    if (at.y() < grip)
        edges |= Qt::TopEdge;
    if (at.y() >= size.height() - grip)
        edges |= Qt::BottomEdge;
    return edges;
}

ToolModes::Press ToolModes::press(Qt::MouseButton button, QPointF at, QSizeF size, bool resizable,
                                  bool dragPans) {
    windowMovePending = false;
    if (button != Qt::LeftButton)
        return Press::Ignore;
    // The tools first: a window edge is only an edge when no tool is on.
    if (zooming)
        return Press::Zoom;
    if (hand) {
        panning = true;
        lastPoint = at;
        return Press::Pan;
    }
    if (selecting)
        return Press::Select;
    if (resizeEdgesAt(at, size, resizable))
        return Press::ResizeWindow;
    if (dragPans) {
        panning = true;
        lastPoint = at;
        return Press::Pan;
    }
    windowMovePending = true;
    pressPoint = at;
    return Press::MoveWindow;
}

bool ToolModes::windowMoveStarts(QPointF at, double threshold) {
    if (!windowMovePending || (at - pressPoint).manhattanLength() < threshold)
        return false;
    windowMovePending = false;
    return true;
}

std::optional<QPointF> ToolModes::moveTo(QPointF at) {
    if (!panning)
        return std::nullopt;
    const QPointF step = at - lastPoint;
    lastPoint = at;
    return step;
}

bool ToolModes::release(Qt::MouseButton button) {
    if (button == Qt::LeftButton)
        windowMovePending = false;
    if (button != Qt::LeftButton || !panning)
        return false;
    panning = false;
    return true;
}

ToolModes::Cursor ToolModes::cursor(QPointF at, QSizeF size, bool resizable,
                                    bool buttonsHeld) const {
    const bool toolOn = zooming || hand || selecting;
    if (!buttonsHeld && !toolOn) {
        const Qt::Edges edges = resizeEdgesAt(at, size, resizable);
        if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
            return Cursor::ResizeForwardDiagonal;
        if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
            return Cursor::ResizeBackwardDiagonal;
        if (edges & (Qt::LeftEdge | Qt::RightEdge))
            return Cursor::ResizeHorizontal;
        if (edges)
            return Cursor::ResizeVertical;
    }
    if (zooming)
        return out ? Cursor::ZoomOut : Cursor::ZoomIn;
    if (hand || panning)
        return panning ? Cursor::ClosedHand : Cursor::OpenHand;
    if (selecting)
        return Cursor::Crosshair;
    return Cursor::Arrow;
}

bool ToolModes::dragPansImage(QSizeF windowFrame, QSizeF visibleFrame, bool imageLargerThanView) {
    // Window managers may keep a pixel or two of a maximised window's edge.
    constexpr double slack = 2;
    return imageLargerThanView && !visibleFrame.isEmpty() &&
           windowFrame.width() + slack >= visibleFrame.width() &&
           windowFrame.height() + slack >= visibleFrame.height();
}

void ToolModes::pointerSeen(bool buttonsHeld) {
    // Before the window has changed size, a move with the button still down
    // is the press's own drag on its way to the window system.
    if (liveResize && (resizedSinceLiveResize || !buttonsHeld))
        endLiveResize();
}

ToolModes::Wheel ToolModes::wheel(QPoint angleDelta, QPointF pixelDelta,
                                  Qt::KeyboardModifiers modifiers) {
    Wheel result;
    if (modifiers & Qt::ControlModifier) {
        const double notches =
            angleDelta.y() != 0 ? angleDelta.y() / 120.0 : pixelDelta.y() / panPerNotch;
        result.zoom = notches != 0;
        // Powers of one step, so that a notch out undoes a notch in exactly.
        result.magnification = std::pow(wheelStep, notches) - 1.0;
        return result;
    }
    result.pan = pixelDelta.isNull() ? QPointF(angleDelta) / 120.0 * panPerNotch : pixelDelta;
    return result;
}

ToolModes::DoubleClick ToolModes::doubleClick(double yInWindow, bool fullScreen) const {
    if (zooming || hand || selecting)
        return DoubleClick::None;
    if (fullScreen || yInWindow >= titleStrip)
        return DoubleClick::ToggleFullScreen;
    return DoubleClick::ToggleMaximized;
}
