#include "viewer/ViewerInput.h"

#include "geometry/KeyMap.h"
#include "geometry/ViewerGeometry.h"
#include "viewer/ViewerSelection.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace {

QCursor cursorFrom(const char* name) {
    const QIcon icon(QStringLiteral(":/%1.svg").arg(QString::fromLatin1(name)));
    return QCursor(icon.pixmap(QSize(32, 32)), 6, 6);
}

} // namespace

ViewerInput::ViewerInput(QWidget* view, ViewerGeometry* geometry)
    : QObject(view), view(view), geometry(geometry) {
    cursorZoomIn = cursorFrom("cursor-zoom-in");
    cursorZoomOut = cursorFrom("cursor-zoom-out");
    view->setAcceptDrops(true);
    view->setMouseTracking(true);
    view->installEventFilter(this);
}

void ViewerInput::canBeZoomed(bool on, bool zoomIn) {
    if (modes.canBeZoomed(on, zoomIn))
        updateCursor();
}

void ViewerInput::canBeScrolled(bool on) {
    if (modes.canBeScrolled(on))
        updateCursor();
}

void ViewerInput::setSelection(ViewerSelection* shaped) {
    selection = shaped;
}

void ViewerInput::canBeSelected(bool on) {
    if (!on && selection)
        selection->hideHelper();
    if (modes.canBeSelected(on))
        updateCursor();
}

bool ViewerInput::claims(const QKeyEvent* event) {
    return KeyMap::keyDown(event->nativeScanCode(), event->key(), event->modifiers()).consumed;
}

bool ViewerInput::keyDown(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Shift && selection)
        selection->modifiersChanged(true);
    const KeyMap::Decision decision =
        KeyMap::keyDown(event->nativeScanCode(), event->key(), event->modifiers());
    using Action = KeyMap::Action;
    switch (decision.action) {
    case Action::None:
        break;
    case Action::ZoomToolIn:
    case Action::ZoomToolOut:
        if (!event->isAutoRepeat() && !modes.inZooming())
            emit toolEngaged();
        canBeZoomed(true, decision.action == Action::ZoomToolIn);
        break;
    case Action::HandTool:
        if (!event->isAutoRepeat() && !modes.inDragging())
            emit toolEngaged();
        canBeScrolled(true);
        break;
    case Action::PanUp:
        geometry->moveImage(0);
        break;
    case Action::PanDown:
        geometry->moveImage(1);
        break;
    case Action::PanLeft:
        geometry->moveImage(2);
        break;
    case Action::PanRight:
        geometry->moveImage(3);
        break;
    case Action::ActualSize:
        emit actualSizeRequested();
        break;
    case Action::CloseOrLeaveFullScreen:
        closeOrLeaveFullScreen();
        break;
    case Action::ToggleSelectionTool:
        canBeSelected(!modes.inSelecting());
        break;
    case Action::ZoomIn:
        geometry->zoomWithMouse(false, false);
        break;
    case Action::ZoomOut:
        geometry->zoomWithMouse(false, true);
        break;
    case Action::FirstImage:
        emit firstImageRequested();
        break;
    case Action::LastImage:
        emit lastImageRequested();
        break;
    case Action::NextImage:
        emit stepRequested(1);
        break;
    case Action::PreviousImage:
        emit stepRequested(-1);
        break;
    }
    return decision.consumed;
}

void ViewerInput::keyUp(const QKeyEvent* event) {
    // A held key repeats as release-press pairs; only the real release counts.
    if (event->isAutoRepeat())
        return;
    if (selection) {
        if (event->key() == Qt::Key_Shift)
            selection->modifiersChanged(false);
        else
            selection->keyReleased();
    }
    switch (KeyMap::keyUp(event->nativeScanCode(), event->key(), event->modifiers())) {
    case KeyMap::KeyUpAction::HandToolOff:
        canBeScrolled(false);
        break;
    case KeyMap::KeyUpAction::ZoomToolOff:
        canBeZoomed(false, true);
        break;
    case KeyMap::KeyUpAction::ToggleFullScreen:
        emit toggleFullScreenRequested();
        break;
    case KeyMap::KeyUpAction::None:
        break;
    }
}

void ViewerInput::liveResizeStarted() {
    modes.startLiveResize();
    syncLiveResize();
}

void ViewerInput::syncLiveResize() {
    geometry->inLiveResize = modes.inLiveResize();
}

void ViewerInput::liveResizeEnded() {
    modes.endLiveResize();
    syncLiveResize();
}

void ViewerInput::closeOrLeaveFullScreen() {
    // A selection, or the tool to make one, goes first: Escape again closes.
    if (modes.inSelecting() || (selection && selection->hasSelection())) {
        if (modes.inSelecting())
            canBeSelected(false);
        if (selection)
            selection->deselect();
        return;
    }
    QWidget* window = view->window();
    // Leaving goes through the toggle, so that its steps run.
    if (window->isFullScreen())
        emit toggleFullScreenRequested();
    else
        window->close();
}

bool ViewerInput::windowResizable() const {
    const QWidget* window = view->window();
    return !window->isFullScreen() && !window->isMaximized();
}

bool ViewerInput::plainDragPans() const {
    const ZoomEngine::Environment env = geometry->environment(false);
    return env.hasWindow && env.hasScreen &&
           ToolModes::dragPansImage(env.windowFrame.size(), env.screenVisibleFrame.size(),
                                    geometry->zoom.ZoomingMode > 0);
}

bool ViewerInput::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view || !geometry)
        return false;
    bool used = false;
    switch (event->type()) {
    case QEvent::NativeGesture: {
        const auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            geometry->magnifyWithEvent(gesture->value());
            used = true;
        } else if (gesture->gestureType() == Qt::SmartZoomNativeGesture) {
            geometry->smartZoom();
            used = true;
        }
        break;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const ToolModes::Wheel asked =
            ToolModes::wheel(wheel->angleDelta(), wheel->pixelDelta(), wheel->modifiers());
        if (asked.zoom)
            geometry->magnifyWithEvent(asked.magnification);
        else if (!asked.pan.isNull())
            geometry->scrollWheel(asked.pan);
        wheel->accept();
        used = true;
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        used = mouseEvent(event);
        break;
    case QEvent::Enter:
        modes.pointerSeen(false);
        break;
    case QEvent::Resize:
        modes.viewResized();
        break;
    case QEvent::WindowDeactivate:
        // Keys let go in another window never come here.
        if (modes.keysLost())
            updateCursor();
        if (selection)
            selection->keysLost();
        break;
    case QEvent::DragEnter: {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (drag->mimeData()->hasUrls())
            drag->acceptProposedAction();
        used = true;
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
        }
        if (!paths.isEmpty()) {
            drop->acceptProposedAction();
            emit filesDropped(paths);
        }
        used = true;
        break;
    }
    default:
        break;
    }
    syncLiveResize();
    return used;
}

QPointF ViewerInput::contentPoint(QPointF at) const {
    return QPointF(at.x(), view->height() - at.y());
}

bool ViewerInput::mouseEvent(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPointF at = mouse->position();
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        return mousePress(mouse, event->type() == QEvent::MouseButtonDblClick);
    if (event->type() == QEvent::MouseButtonRelease) {
        mouseRelease(mouse);
        return false;
    }
    const bool held = mouse->buttons() != Qt::NoButton;
    modes.pointerSeen(held);
    if (held && (mouse->buttons() & Qt::LeftButton) && selection)
        selection->drag(contentPoint(at));
    if (const auto step = modes.moveTo(at)) {
        // The view is y-down, the geometry y-up.
        geometry->dragBy(QPointF(step->x(), -step->y()));
        return true;
    }
    if (held && modes.windowMoveStarts(at, QApplication::startDragDistance())) {
        // The window system takes the pointer from here: no release follows.
        if (QWindow* handle = view->window()->windowHandle())
            handle->startSystemMove();
        return true;
    }
    setCursor(modes.cursor(at, view->size(), windowResizable(), held));
    return false;
}

bool ViewerInput::mousePress(QMouseEvent* mouse, bool doubleClick) {
    if (mouse->button() == Qt::BackButton || mouse->button() == Qt::ForwardButton) {
        emit stepRequested(mouse->button() == Qt::ForwardButton ? 1 : -1);
        return true;
    }
    const QPointF at = mouse->position();
    // Any press means the window system's resize, if any, is over.
    modes.endLiveResize();
    const ToolModes::Press press =
        modes.press(mouse->button(), at, view->size(), windowResizable(), plainDragPans());
    if (press == ToolModes::Press::Ignore)
        return false;
    secondClick = doubleClick;
    if (selection)
        selection->press(contentPoint(at), press == ToolModes::Press::Select);
    switch (press) {
    case ToolModes::Press::Ignore:
        return false;
    case ToolModes::Press::ResizeWindow:
        if (QWindow* handle = view->window()->windowHandle();
            handle && handle->startSystemResize(
                          ToolModes::resizeEdgesAt(at, view->size(), windowResizable())))
            liveResizeStarted();
        return true;
    case ToolModes::Press::Zoom:
        geometry->zoomWithMouse(true, modes.zoomOut());
        return true;
    case ToolModes::Press::Pan:
        updateCursor();
        return true;
    case ToolModes::Press::Select:
    case ToolModes::Press::MoveWindow:
        return true;
    }
    return true;
}

void ViewerInput::mouseRelease(QMouseEvent* mouse) {
    modes.endLiveResize();
    const bool left = mouse->button() == Qt::LeftButton;
    if (left && secondClick)
        doubleClicked(mouse->position());
    if (left)
        secondClick = false;
    if (modes.release(mouse->button()))
        updateCursor();
    if (!left)
        return;
    if (selection)
        selection->release(modes.inZooming() || modes.inDragging());
    // The selection tool is one-shot.
    if (modes.inSelecting())
        canBeSelected(false);
}

void ViewerInput::doubleClicked(QPointF at) {
    QWidget* window = view->window();
    switch (modes.doubleClick(view->mapTo(window, at).y(), window->isFullScreen())) {
    case ToolModes::DoubleClick::None:
        break;
    case ToolModes::DoubleClick::ToggleFullScreen:
        emit toggleFullScreenRequested();
        break;
    case ToolModes::DoubleClick::ToggleMaximized:
        if (window->isMaximized())
            window->showNormal();
        else
            window->showMaximized();
        break;
    }
}

void ViewerInput::updateCursor() {
    // Away from the edges: the tool's own cursor.
    setCursor(modes.cursor(QPointF(), QSizeF(), false, false));
}

void ViewerInput::setCursor(ToolModes::Cursor cursor) {
    using C = ToolModes::Cursor;
    switch (cursor) {
    case C::Arrow:
        view->unsetCursor();
        break;
    case C::ZoomIn:
        view->setCursor(cursorZoomIn);
        break;
    case C::ZoomOut:
        view->setCursor(cursorZoomOut);
        break;
    case C::OpenHand:
        view->setCursor(Qt::OpenHandCursor);
        break;
    case C::ClosedHand:
        view->setCursor(Qt::ClosedHandCursor);
        break;
    case C::Crosshair:
        view->setCursor(Qt::CrossCursor);
        break;
    case C::ResizeHorizontal:
        view->setCursor(Qt::SizeHorCursor);
        break;
    case C::ResizeVertical:
        view->setCursor(Qt::SizeVerCursor);
        break;
    case C::ResizeForwardDiagonal:
        view->setCursor(Qt::SizeFDiagCursor);
        break;
    case C::ResizeBackwardDiagonal:
        view->setCursor(Qt::SizeBDiagCursor);
        break;
    }
}
