#pragma once

#include "geometry/RendererAnimation.h"
#include "geometry/ZoomEngine.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>

class ImageSurface;
class ViewWindow;

// Puts the zoom engine's answers on screen for one viewer: reads the window,
// screen and mouse as the engine needs them, applies the new window frame
// and image placement (at once or through the renderer animation), and
// carries the pan state.
class ViewerGeometry : public QObject {
    Q_OBJECT
public:
    // The surface is usually a QObject too; then the geometry stops using it
    // once it is destroyed.
    ViewerGeometry(std::unique_ptr<ViewWindow> view, ImageSurface* renderer,
                   QObject* parent = nullptr);
    ~ViewerGeometry() override;

    ZoomEngine zoom;
    RendererAnimation animation;
    // The four layout values of the image view (content coordinates, y up).
    QRectF layout() const { return placement; }
    bool windowAnimation = false;
    bool isFullscreen = false;
    // The user is dragging an edge of the window: only then does a new size
    // re-fit the image to cover the window.
    bool inLiveResize = false;

    // The mouse is asked for only when the request is anchored at it: asking
    // is a round trip to the display server.
    ZoomEngine::Environment environment(bool withMouse = true) const;
    void zoomImageWithEvent(const ZoomEngine::Request& request);
    void zoomWithMouse(bool mouse, bool out);
    void magnifyWithEvent(double magnification);
    void smartZoom();
    // Fits window and image to the image in the zoom mode; with show, brings
    // the window forward and centres it on its screen.
    void processWindow(bool show, int zoomMode);
    // The same for the message shown in place of an image that failed.
    void processMessageWindow(bool show);
    void setImageSize(double width, double height);
    // The size in device pixels at which a newly opened image of `pixels`
    // would be drawn in the zoom mode, as things stand now; invalid when it
    // would not be placed. Works on copies, so it may run on any thread.
    using DrawnSize = std::function<QSize(const QSize& pixels)>;
    DrawnSize drawnSizeForNewImage(int zoomMode, double devicePixelRatio) const;
    void resetForNewDocument();
    // The content view changed size: re-place the image. A user's live
    // resize re-fits it to cover the window; any other change (maximising,
    // the window manager's adjustments) fits it in the window as before:
    // in the zoom mode last applied, or at its scale after a free zoom.
    void viewResized();
    void moveImage(int direction);
    // Places the image at `rect` (layout values) without zooming.
    void placeImage(const QRectF& rect);
    // A running zoom or pan lands on its target now; see RendererAnimation.
    void landAnimation(bool withWindow);
    // The window's present size is the one asked for: a late report of it
    // is not a change to answer.
    void acceptWindowSize();
    // Panning follows the image as placed: on when it is larger than the view.
    void refreshZoomingMode();
    void scrollWheel(const QPointF& delta);
    void dragBy(const QPointF& delta);

signals:
    void updateMainMenuRequested();
    void selectableAreaChanged();

private:
    void apply(const ZoomEngine::Result& result);
    void placeRenderer(const QRectF& rect);
    void setWindowFrame(const QRectF& frame);
    QRectF windowFrame() const;
    QRectF mainScreen() const;
    void centreWindow();
    void bringForward();

    // The view while it exists.
    ViewWindow* liveView() const;

    std::unique_ptr<ViewWindow> view;
    // The surface while it exists.
    ImageSurface* surface() const;

    ImageSurface* renderer = nullptr;
    QPointer<QObject> rendererObject;
    bool rendererIsObject = false;
    QRectF placement;
    QSize requestedWindowSize;
    // The zoom mode's request while the image is shown in it; none after a
    // free zoom.
    std::optional<ZoomEngine::Request> modeRequest;
};
