#pragma once

#include "viewer/ToolModes.h"

#include <QCursor>
#include <QObject>
#include <QPointer>

class QKeyEvent;
class QMouseEvent;
class QWidget;
class ViewerGeometry;
class ViewerSelection;

// The one way in for a viewer's input: the view's mouse, wheel, gestures and
// drops, and the keys its window controller hands over. What each does is
// decided by the tool modes; this class applies it to the geometry, the
// cursor and the window, and asks the view's controller for the rest.
class ViewerInput : public QObject {
    Q_OBJECT
public:
    ViewerInput(QWidget* view, ViewerGeometry* geometry);

    const ToolModes& tools() const { return modes; }
    // The selection the mouse and the modifier keys shape; none in tests
    // that need no selection.
    void setSelection(ViewerSelection* selection);
    // The tool switches of the keys and the menus.
    void canBeZoomed(bool on, bool zoomIn);
    void canBeScrolled(bool on);
    void canBeSelected(bool on);

    // A key pressed in the viewer's window; true when it is used up.
    bool keyDown(const QKeyEvent* event);
    void keyUp(const QKeyEvent* event);
    // Whether a key press is the viewer's, so that no shortcut takes it.
    static bool claims(const QKeyEvent* event);
    // The window system took over the pointer to resize the window.
    void liveResizeStarted();
    // The window's size is about to change by full screen, not by the user.
    void liveResizeEnded();

    QCursor cursorZoomIn;
    QCursor cursorZoomOut;

signals:
    void actualSizeRequested();
    void firstImageRequested();
    void lastImageRequested();
    // Page keys, Backspace and the mouse's back and forward buttons: +1 or -1.
    void stepRequested(int by);
    void filesDropped(const QStringList& paths);
    // F on key up, Escape in full screen, a double click on the image.
    void toggleFullScreenRequested();
    // Z or Space put their tool on: the chrome goes.
    void toolEngaged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mouseEvent(QEvent* event);
    bool mousePress(QMouseEvent* mouse, bool doubleClick);
    bool plainDragPans() const;
    void mouseRelease(QMouseEvent* mouse);
    void doubleClicked(QPointF at);
    QPointF contentPoint(QPointF at) const;
    bool windowResizable() const;
    void syncLiveResize();
    void updateCursor();
    void setCursor(ToolModes::Cursor cursor);
    void closeOrLeaveFullScreen();

    QPointer<QWidget> view;
    QPointer<ViewerGeometry> geometry;
    QPointer<ViewerSelection> selection;
    ToolModes modes;
    // The press under way is the second of a double click.
    bool secondClick = false;
};
