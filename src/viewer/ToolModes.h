#pragma once

#include <QPoint>
#include <QPointF>
#include <QSizeF>
#include <Qt>
#include <optional>

// The viewer's tool modes and what the mouse does in each. The zoom tool (Z)
// and the hand tool (Space) live while their key is held; the selection tool
// (M) until it is toggled off. They may be on together: a press goes to the
// first that is on, in the order zoom, hand, selection. With none on, a press
// at the edge of a normal window resizes it, and elsewhere a drag past the
// drag threshold moves the window, so that clicks still reach the viewer.
class ToolModes {
  public:
    enum class Press {
        Ignore,       // not the left button: the view's own handling
        ResizeWindow, // at an edge: the window system resizes the window
        Zoom,         // the zoom tool: in or out at the pointer
        Pan,          // the hand tool: a drag pans the image
        Select,       // the selection tool: the selection's own handling
        MoveWindow,   // a drag of the background may move the window, as a title bar would
    };
    enum class Cursor {
        Arrow,
        ZoomIn,
        ZoomOut,
        OpenHand,
        ClosedHand,
        Crosshair,
        ResizeHorizontal,
        ResizeVertical,
        ResizeForwardDiagonal,
        ResizeBackwardDiagonal,
    };
    // What the second click of a double click does once its button goes up.
    enum class DoubleClick {
        None,             // a tool is on: the click was the tool's
        ToggleFullScreen, // below the top strip, and anywhere in full screen
        ToggleMaximized,  // on the window's top strip, which acts as a title bar
    };
    // What the wheel asks for: a zoom by `magnification` (as a pinch gives
    // it: 0.25 is a quarter larger) or a pan by the scroll deltas `pan`.
    struct Wheel {
        bool zoom = false;
        double magnification = 0;
        QPointF pan;
    };

    static constexpr int grip = 6;            // points of an edge that resize
    static constexpr double wheelStep = 1.25; // zoom factor of one wheel notch
    static constexpr double panPerNotch = 60; // points one wheel notch pans
    static constexpr double titleStrip = 22;  // points at the top of the window

    bool inZooming() const { return zooming; }
    bool zoomOut() const { return out; }
    bool inDragging() const { return hand; }
    bool inSelecting() const { return selecting; }
    bool isPanning() const { return panning; }

    // The switches; each answers whether anything changed.
    bool canBeZoomed(bool on, bool zoomIn);
    bool canBeScrolled(bool on);
    bool canBeSelected(bool on);
    // The window lost the keyboard: keys that hold a tool will not be seen
    // going up, so their tools end, and so does a pan under way.
    bool keysLost();

    // A press at `at` in a view of `size`; `resizable` when the window is
    // neither maximised nor full screen; `dragPans` when a plain drag pans
    // the image instead of moving the window (see dragPansImage).
    Press press(Qt::MouseButton button, QPointF at, QSizeF size, bool resizable,
                bool dragPans = false);
    // A window that already covers the screen's visible area cannot grow or
    // usefully move: there a plain drag on an image larger than the view
    // pans it, as the hand tool does. Frames in screen points.
    static bool dragPansImage(QSizeF windowFrame, QSizeF visibleFrame, bool imageLargerThanView);
    // A move with the button held after a press on the background: true once,
    // when it first goes `threshold` or further from the press.
    bool windowMoveStarts(QPointF at, double threshold);
    // The pan step of a move while a pan is under way, in view points (y down).
    std::optional<QPointF> moveTo(QPointF at);
    // A left-button release: ends a pan (true when one ended) and any wait
    // for the window to move.
    bool release(Qt::MouseButton button);
    Cursor cursor(QPointF at, QSizeF size, bool resizable, bool buttonsHeld) const;
    // A double click at `yInWindow` points from the top of the window.
    DoubleClick doubleClick(double yInWindow, bool fullScreen) const;

    // The user's drag of a window edge, which the window system runs and of
    // which it reports no end: from the press at the edge until the pointer
    // shows up again after the window changed size, or with no button held.
    bool inLiveResize() const { return liveResize; }
    void startLiveResize() {
        liveResize = true;
        resizedSinceLiveResize = false;
    }
    void viewResized() { resizedSinceLiveResize = liveResize; }
    void pointerSeen(bool buttonsHeld);
    void endLiveResize() { liveResize = resizedSinceLiveResize = false; }

    static Qt::Edges resizeEdgesAt(QPointF at, QSizeF size, bool resizable);
    // Ctrl with the wheel zooms about the pointer; the plain wheel only pans.
    // Touchpads report pixels, a mouse wheel angles (120 per notch).
    static Wheel wheel(QPoint angleDelta, QPointF pixelDelta, Qt::KeyboardModifiers modifiers);

  private:
    bool zooming = false;
    bool out = false;
    bool hand = false;
    bool selecting = false;
    bool panning = false;
    QPointF lastPoint;
    bool windowMovePending = false;
    QPointF pressPoint;
    bool liveResize = false;
    bool resizedSinceLiveResize = false;
};
