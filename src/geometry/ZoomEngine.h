#pragma once

#include <QPointF>
#include <QRectF>

// The one zoom operation of a viewer window, as pure geometry: how large the
// image is drawn, where it lies in the content view and, in a window, how
// large the window is and where it stands. Lengths are points; rectangles are
// (x, y, width, height) with the origin at the lower left and y upwards, in
// screen coordinates for screens and windows and in content-view coordinates
// for the image. It reads the platform's answers as plain values and returns
// what to apply; it never touches an image.
class ZoomEngine {
public:
    static constexpr double zoomInFactor = 1.3333;
    static constexpr double zoomOutFactor = 0.75;
    static constexpr double minimumWindowSide = 400.0;
    static constexpr double maximumZoom = 10.0;
    static constexpr double minimumImageSide = 16.0;
    static constexpr double nearestAbove = 4.0;

    // What the platform says at the moment of the request.
    struct Environment {
        bool hasWindow = true;
        QRectF windowFrame;          // screen coordinates
        bool hasScreen = true;
        QRectF screenVisibleFrame;   // the screen less panels
        QRectF screenFrame;          // the whole screen
        bool windowFullScreenStyle = false;
        bool viewInFullScreenMode = false;
        QPointF mouseLocation;       // screen coordinates
        double viewWidth = 0;
        double viewHeight = 0;
        bool hasImage = false;       // the image view has contents
    };

    struct Request {
        bool hasEvent = false;       // a pinch gesture
        double magnification = 0;    // of the gesture
        double persents = 0;         // scale relative to actual size; 0 = none
        double delta = 0;            // factor of the displayed size; 0 = none
        QRectF userRect;             // an area to cover instead of the screen
        bool zoomToFill = false;
        bool zoomToExpand = false;
        bool animated = false;
        bool forceMouse = false;
        // A newly fitted image: where it is larger than the view, its centre
        // is shown, as the rectangle shown before belongs to another image.
        bool placeCentred = false;
    };

    enum class Outcome {
        Ignored,         // no image, or a zoom already under way
        NoChange,        // a gesture without magnification: refresh the selection only
        Refused,         // beyond a limit: refresh the menus only
        Accepted,         // apply at once
        AcceptedAnimated, // start the renderer animation
        Restoring         // animate back to saved frames; no limits, no menu refresh
    };

    struct Result {
        Outcome outcome = Outcome::Ignored;
        QRectF windowFrom;           // W
        QRectF windowTo;             // W'
        bool setWindowFrame = false; // not animated: apply W'
        QRectF imageFrom;            // the animation's start
        QRectF imageTo;              // the new image rectangle
    };

    // The viewing state of one window.
    double imageWidth = 400;
    double imageHeight = 400;
    QRectF imageInViewPort{0, 0, 1, 1};
    QRectF imageInViewAnimation;
    int ZoomingMode = 0;
    bool canZoomIn = false;
    bool canZoomOut = false;
    bool inMagnification = false;
    bool zoomMade = false;
    bool inFullScreenTransition = false;
    double blurImWidth = 0;
    double blurImHeight = 0;
    bool nearestFilter = false;
    // What smart zoom returns to.
    QRectF preZoomWindow;
    QRectF preZoomViewport;

    Result zoomImageWithEvent(const Request& request, const Environment& environment);
    // The area a live resize hands over: cover it, leave the window alone.
    Result zoomImageWithLiveResize(const QRectF& frame, const Environment& environment);
    // The request applied inside the window's frame as it stands, as full
    // screen applies it to the screen: for a size the user did not drag.
    Result zoomImageInWindow(const Request& request, const QRectF& frame, Environment environment);
    // The smart-magnify toggle: fill the screen, animated, saving the frames
    // shown; the next use, with no zoom in between, animates back to them.
    Result smartZoom(const Environment& environment);
    // The zoom commands: 1.3333 or 0.75 of the displayed size, animated.
    Result zoomWithMouse(bool mouse, bool out, const Environment& environment);
    // The request a zoom mode makes: 0 fit, 1 stretch, 2 fill, anything else actual size.
    static Request requestForMode(int mode);
    // Whether a request is one that requestForMode makes.
    static bool isModeRequest(const Request& request);
    // Resets the viewing state for a newly opened document.
    void resetForNewDocument();
    // The animation has landed (or was never started).
    void animationEnded() { inMagnification = false; }
};
