#include "geometry/ViewerGeometry.h"

#include "geometry/Coordinates.h"
#include "geometry/ImageSurface.h"
#include "geometry/Panning.h"
#include "geometry/ViewWindow.h"
#include "geometry/WindowCascade.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

ViewerGeometry::ViewerGeometry(std::unique_ptr<ViewWindow> view, ImageSurface* renderer,
                               QObject* parent)
    : QObject(parent), view(std::move(view)), renderer(renderer),
      rendererObject(dynamic_cast<QObject*>(renderer)), rendererIsObject(rendererObject) {
    connect(&animation, &RendererAnimation::imageFrameChanged, this, [this](const QRectF& frame) {
        zoom.imageInViewPort = animation.imageInViewPort();
        placeRenderer(frame);
        emit selectableAreaChanged();
    });
    connect(&animation, &RendererAnimation::windowFrameChanged, this,
            [this](const QRectF& frame) { setWindowFrame(frame); });
    connect(&animation, &RendererAnimation::finished, this, [this] {
        windowAnimation = false;
        zoom.animationEnded();
    });
}

ViewerGeometry::~ViewerGeometry() = default;

ViewWindow* ViewerGeometry::liveView() const {
    return view && view->exists() ? view.get() : nullptr;
}

ImageSurface* ViewerGeometry::surface() const {
    return (!rendererIsObject || rendererObject) ? renderer : nullptr;
}

QRectF ViewerGeometry::mainScreen() const {
    QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->geometry()) : QRectF();
}

QRectF ViewerGeometry::windowFrame() const {
    const ViewWindow* window = liveView();
    if (!window)
        return QRectF();
    return Coordinates::screenFromQt(QRectF(window->windowGeometry()), mainScreen());
}

ZoomEngine::Environment ViewerGeometry::environment(bool withMouse) const {
    ZoomEngine::Environment env;
    const ViewWindow* window = liveView();
    env.hasWindow = window != nullptr;
    if (window)
        env.windowFrame = windowFrame();
    QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    env.hasScreen = screen != nullptr;
    if (screen) {
        env.screenVisibleFrame = Coordinates::screenFromQt(QRectF(screen->availableGeometry()), mainScreen());
        env.screenFrame = Coordinates::screenFromQt(QRectF(screen->geometry()), mainScreen());
    }
    env.windowFullScreenStyle = window && window->isFullScreen();
    env.viewInFullScreenMode = isFullscreen;
    if (withMouse)
        env.mouseLocation = Coordinates::screenPointFromQt(QPointF(QCursor::pos()), mainScreen());
    env.viewWidth = window ? window->viewSize().width() : 0;
    env.viewHeight = window ? window->viewSize().height() : 0;
    env.hasImage = surface() && surface()->hasContents();
    return env;
}

void ViewerGeometry::zoomImageWithEvent(const ZoomEngine::Request& request) {
    if (ZoomEngine::isModeRequest(request)) {
        // Later re-fits of the same image keep what the user looks at.
        modeRequest = request;
        modeRequest->placeCentred = false;
    } else {
        modeRequest.reset();
    }
    apply(zoom.zoomImageWithEvent(request, environment(request.hasEvent || request.forceMouse)));
}

void ViewerGeometry::zoomWithMouse(bool mouse, bool out) {
    modeRequest.reset();
    apply(zoom.zoomWithMouse(mouse, out, environment()));
}

void ViewerGeometry::magnifyWithEvent(double magnification) {
    ZoomEngine::Request request;
    request.hasEvent = true;
    request.magnification = magnification;
    zoomImageWithEvent(request);
}

void ViewerGeometry::apply(const ZoomEngine::Result& result) {
    switch (result.outcome) {
    case ZoomEngine::Outcome::Ignored:
        return;
    case ZoomEngine::Outcome::NoChange:
        emit selectableAreaChanged();
        return;
    case ZoomEngine::Outcome::Refused:
        if (ImageSurface* target = surface())
            target->setNearestFilter(zoom.nearestFilter);
        emit updateMainMenuRequested();
        return;
    case ZoomEngine::Outcome::AcceptedAnimated:
    case ZoomEngine::Outcome::Restoring:
        if (result.outcome == ZoomEngine::Outcome::AcceptedAnimated) {
            if (ImageSurface* target = surface())
                target->setNearestFilter(zoom.nearestFilter);
            emit updateMainMenuRequested();
        }
        windowAnimation = true;
        zoom.inMagnification = true;
        animation.animateRendererFrom(result.imageFrom, result.imageTo, result.windowFrom,
                                      result.windowTo);
        zoom.imageInViewPort = animation.imageInViewPort();
        emit selectableAreaChanged();
        return;
    case ZoomEngine::Outcome::Accepted:
        if (ImageSurface* target = surface())
            target->setNearestFilter(zoom.nearestFilter);
        emit updateMainMenuRequested();
        if (result.setWindowFrame)
            setWindowFrame(result.windowTo);
        placeRenderer(result.imageTo);
        emit selectableAreaChanged();
        return;
    }
}

void ViewerGeometry::setWindowFrame(const QRectF& frame) {
    ViewWindow* window = liveView();
    if (!window)
        return;
    const QRectF qt = Coordinates::screenToQt(frame, mainScreen());
    const QRect rounded(int(std::lround(qt.x())), int(std::lround(qt.y())),
                        int(std::lround(qt.width())), int(std::lround(qt.height())));
    requestedWindowSize = rounded.size();
    window->setWindowGeometry(rounded);
}

void ViewerGeometry::placeRenderer(const QRectF& rect) {
    placement = rect;
    if (ImageSurface* target = surface(); target && liveView())
        target->setImageRect(Coordinates::viewFlip(rect, liveView()->viewSize().height()));
}

void ViewerGeometry::setImageSize(double width, double height) {
    zoom.imageWidth = width;
    zoom.imageHeight = height;
}

ViewerGeometry::DrawnSize ViewerGeometry::drawnSizeForNewImage(int zoomMode,
                                                                double devicePixelRatio) const {
    ZoomEngine engine = zoom;
    engine.resetForNewDocument();
    ZoomEngine::Environment env = environment(false);
    env.hasImage = true; // the new image is in the view when it is placed
    const double dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    return [engine, env, zoomMode, dpr](const QSize& pixels) {
        ZoomEngine e = engine;
        e.imageWidth = pixels.width() / dpr;
        e.imageHeight = pixels.height() / dpr;
        const ZoomEngine::Result result = e.zoomImageWithEvent(ZoomEngine::requestForMode(zoomMode), env);
        if (result.outcome != ZoomEngine::Outcome::Accepted &&
            result.outcome != ZoomEngine::Outcome::AcceptedAnimated)
            return QSize();
        // Rounded as the view rounds its placement.
        return QSize(int(std::round(result.imageTo.width() * dpr)),
                     int(std::round(result.imageTo.height() * dpr)));
    };
}

void ViewerGeometry::resetForNewDocument() {
    zoom.resetForNewDocument();
}

void ViewerGeometry::processWindow(bool show, int zoomMode) {
    ZoomEngine::Request request = ZoomEngine::requestForMode(zoomMode);
    request.placeCentred = true;
    zoomImageWithEvent(request);
    if (show)
        bringForward();
}

void ViewerGeometry::processMessageWindow(bool show) {
    // Sized as a fitted image of the message's own 400 x 400, whatever the
    // window last held (a first look sized from a header, say); the image
    // state is left alone, as nothing is shown.
    ZoomEngine engine = zoom;
    engine.imageWidth = engine.imageHeight = ZoomEngine::minimumWindowSide;
    engine.imageInViewPort = QRectF(0, 0, 1, 1);
    engine.inMagnification = false;
    ZoomEngine::Environment env = environment(false);
    env.hasImage = true;
    ZoomEngine::Request request = ZoomEngine::requestForMode(0);
    request.placeCentred = true;
    const ZoomEngine::Result result = engine.zoomImageWithEvent(request, env);
    if (result.outcome == ZoomEngine::Outcome::Accepted && result.setWindowFrame)
        setWindowFrame(result.windowTo);
    if (show)
        bringForward();
}

void ViewerGeometry::bringForward() {
    ViewWindow* window = liveView();
    if (!window)
        return;
    // A window already in front is left as it is: raising it again costs
    // round trips to the display server on every step.
    if (!window->isVisible() || !window->isActive())
        window->bringToFront();
    centreWindow();
}

void ViewerGeometry::centreWindow() {
    ViewWindow* window = liveView();
    if (window->isFullScreen() || window->isMaximized())
        return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Horizontally centred, and a little above the middle, where the eye goes.
    const QRect area = screen->availableGeometry();
    const QSize size = window->windowGeometry().size();
    const QPoint centred(area.x() + (area.width() - size.width()) / 2,
                         area.y() + std::max(0, (area.height() - size.height()) / 3));
    // A second window of the same size would hide the first exactly.
    window->moveWindow(WindowCascade::avoid(window->otherWindowFrames(), centred, size, area));
}

void ViewerGeometry::viewResized() {
    const ViewWindow* window = liveView();
    if (!window)
        return;
    placeRenderer(placement);
    if (windowAnimation || !surface() || !surface()->hasContents())
        return;
    const QSize now = window->windowGeometry().size();
    // Our own frame changes arrive here too, some of them late; only a size
    // we did not ask for is the user's.
    if (now == requestedWindowSize || !window->isVisible())
        return;
    requestedWindowSize = now;
    // A maximised or full-screen window has no edge to drag.
    if (inLiveResize && !window->isMaximized() && !window->isFullScreen()) {
        apply(zoom.zoomImageWithLiveResize(windowFrame(), environment()));
        return;
    }
    ZoomEngine::Request keepScale;
    keepScale.delta = 1.0;
    apply(zoom.zoomImageInWindow(modeRequest.value_or(keepScale), windowFrame(), environment(false)));
}

void ViewerGeometry::smartZoom() {
    modeRequest.reset();
    apply(zoom.smartZoom(environment()));
}

void ViewerGeometry::moveImage(int direction) {
    const ViewWindow* window = liveView();
    if (zoom.ZoomingMode <= 0 || !window)
        return;
    zoom.imageInViewAnimation = zoom.imageInViewPort;
    const QSize viewSize = window->viewSize();
    const QRectF target = Panning::moveImage(direction, zoom.imageInViewPort, viewSize.width(),
                                             viewSize.height(), zoom.inFullScreenTransition || isFullscreen);
    // The window stays where it is: both frames empty.
    windowAnimation = true;
    zoom.inMagnification = true;
    animation.animateRendererFrom(zoom.imageInViewAnimation, target, QRectF(), QRectF());
    zoom.imageInViewPort = animation.imageInViewPort();
    emit selectableAreaChanged();
}

void ViewerGeometry::scrollWheel(const QPointF& delta) {
    const ViewWindow* window = liveView();
    if (!surface() || !surface()->hasContents() || !window)
        return;
    if (zoom.ZoomingMode > 0) {
        const QSize viewSize = window->viewSize();
        zoom.imageInViewPort = Panning::scroll(delta, zoom.imageInViewPort, viewSize.width(),
                                               viewSize.height(), isFullscreen);
        placeRenderer(QRectF(zoom.imageInViewPort.topLeft(), placement.size()));
    }
    emit selectableAreaChanged();
}

void ViewerGeometry::dragBy(const QPointF& delta) {
    const ViewWindow* window = liveView();
    if (zoom.ZoomingMode <= 0 || !window)
        return;
    const QSize viewSize = window->viewSize();
    const QPointF origin =
        Panning::clamp(zoom.imageInViewPort.topLeft() + delta, zoom.imageInViewPort,
                       viewSize.width(), viewSize.height(), isFullscreen);
    zoom.imageInViewPort.moveTopLeft(origin);
    placeRenderer(zoom.imageInViewPort);
    emit selectableAreaChanged();
}

void ViewerGeometry::placeImage(const QRectF& rect) {
    zoom.imageInViewPort = rect;
    placeRenderer(rect);
    emit selectableAreaChanged();
}

void ViewerGeometry::landAnimation(bool withWindow) {
    // finished() clears windowAnimation and inMagnification.
    animation.finishNow(withWindow);
    zoom.imageInViewPort = placement;
}

void ViewerGeometry::acceptWindowSize() {
    if (const ViewWindow* window = liveView())
        requestedWindowSize = window->windowGeometry().size();
}

void ViewerGeometry::refreshZoomingMode() {
    const ViewWindow* window = liveView();
    if (!window)
        return;
    const QRectF r = zoom.imageInViewPort;
    const QSize viewSize = window->viewSize();
    zoom.ZoomingMode = (viewSize.width() < r.width() || viewSize.height() < r.height()) ? 1 : 0;
}
