#include "geometry/ZoomEngine.h"

#include <algorithm>

namespace {

// Per-axis pieces of the computation, shared by x and y.
struct Axis {
    double area;       // A.width
    double areaOrigin; // A.x
    double newSize;    // Nw
    double oldOrigin;  // O.x
    double oldSize;    // O.width
    double image;      // IW
    double anchor;     // a.x
};

double visibleSize(double area, double newSize) {
    return std::max(ZoomEngine::minimumWindowSide, std::min(area, newSize));
}

// How far the new image's edge lies beyond the view's edge when the image
// pixel under the anchor stays under it, kept within what covering allows.
double anchorOffset(const Axis& a, double visible, bool fixedWindow, bool tooSmall,
                    bool placeCentred) {
    const double oldScale = a.oldSize / a.image;
    const double newScale = a.newSize / a.image;
    double k = placeCentred ? (a.newSize - visible) * 0.5
                            : (a.anchor - a.oldOrigin) / oldScale * newScale - a.anchor;
    k = std::max(0.0, k);
    k = std::min(a.newSize - visible, k);
    if (!fixedWindow && !tooSmall && !(a.newSize > visible))
        k = 0;
    return k;
}

double newOrigin(const Axis& a, double visible, double k, bool fixedWindow, bool tooSmall) {
    if (fixedWindow)
        return a.area > a.newSize ? a.area * 0.5 - a.newSize * 0.5 : -k;
    if (tooSmall)
        return visible > a.newSize ? visible * 0.5 - a.newSize * 0.5 : -k;
    return -k;
}

// Exact comparison: QRectF's own operator is fuzzy.
bool sameRect(const QRectF& a, const QRectF& b) {
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

double clampIntoArea(double g, double origin, double size, double visible) {
    return std::min(origin + size - visible, std::max(origin, g));
}

} // namespace

void ZoomEngine::resetForNewDocument() {
    imageInViewPort = QRectF(0, 0, 1, 1);
}

ZoomEngine::Request ZoomEngine::requestForMode(int mode) {
    Request request;
    if (mode == 2)
        request.zoomToExpand = true;
    else if (mode == 1)
        request.zoomToFill = true;
    else if (mode != 0)
        request.persents = 1.0;
    return request;
}

bool ZoomEngine::isModeRequest(const Request& r) {
    return !r.hasEvent && r.delta == 0 && r.userRect.isEmpty() && !r.animated && !r.forceMouse &&
           (r.persents == 0 || r.persents == 1.0) && !(r.zoomToFill && r.zoomToExpand);
}

ZoomEngine::Result ZoomEngine::zoomWithMouse(bool mouse, bool out, const Environment& environment) {
    Request request;
    request.delta = out ? zoomOutFactor : zoomInFactor;
    request.animated = true;
    request.forceMouse = mouse;
    return zoomImageWithEvent(request, environment);
}

ZoomEngine::Result ZoomEngine::smartZoom(const Environment& environment) {
    if (zoomMade) {
        preZoomWindow = environment.hasWindow ? environment.windowFrame : QRectF();
        preZoomViewport = imageInViewPort;
        Request request;
        request.zoomToExpand = true;
        request.animated = true;
        Result result = zoomImageWithEvent(request, environment);
        zoomMade = false;
        return result;
    }
    imageInViewAnimation = imageInViewPort;
    Result result;
    result.outcome = Outcome::Restoring;
    result.imageFrom = imageInViewAnimation;
    result.imageTo = preZoomViewport;
    result.windowFrom = environment.hasWindow ? environment.windowFrame : QRectF();
    result.windowTo = preZoomWindow;
    inMagnification = true;
    zoomMade = true;
    return result;
}

ZoomEngine::Result ZoomEngine::zoomImageWithLiveResize(const QRectF& frame,
                                                       const Environment& environment) {
    if (inFullScreenTransition)
        return {};
    Request request;
    request.userRect = frame;
    return zoomImageWithEvent(request, environment);
}

ZoomEngine::Result ZoomEngine::zoomImageInWindow(const Request& request, const QRectF& frame,
                                                 Environment environment) {
    if (inFullScreenTransition)
        return {};
    environment.windowFullScreenStyle = true;
    environment.screenFrame = frame;
    return zoomImageWithEvent(request, environment);
}

ZoomEngine::Result ZoomEngine::zoomImageWithEvent(const Request& request,
                                                  const Environment& env) {
    Result result;
    zoomMade = true;
    if (!env.hasImage || inMagnification)
        return result;
    inMagnification = true;
    imageInViewAnimation = imageInViewPort;
    const QRectF O = imageInViewPort;
    const bool hasUserRect = request.userRect.width() > 0 && request.userRect.height() > 0;
    const double m = request.hasEvent ? request.magnification : 1.0;
    const double IW = imageWidth;
    const double IH = imageHeight;

    QRectF A;
    if (env.hasScreen)
        A = env.windowFullScreenStyle ? env.screenFrame : env.screenVisibleFrame;
    if (hasUserRect)
        A = request.userRect;
    const bool fixedWindow = env.windowFullScreenStyle || env.viewInFullScreenMode || hasUserRect;

    if (m == 0) {
        inMagnification = false;
        result.outcome = Outcome::NoChange;
        return result;
    }

    // The anchor: the mouse in view coordinates, or the view's centre.
    const QPointF s = env.mouseLocation;
    QPointF a = env.hasWindow ? QPointF(s.x() - env.windowFrame.x(), s.y() - env.windowFrame.y())
                              : QPointF(0, 0);
    if (!request.hasEvent && !request.forceMouse)
        a = QPointF(env.viewWidth * 0.5, env.viewHeight * 0.5);

    double Nw = 0;
    double Nh = 0;
    double f = 1;
    if (request.hasEvent) {
        Nw = (1 + m) * O.width();
        Nh = Nw * IH / IW;
        f = m;
    } else if (request.delta != 0) {
        Nw = O.width() * request.delta;
        Nh = Nw * IH / IW;
        f = request.delta;
    } else if (request.persents != 0) {
        Nw = IW * request.persents;
        Nh = IH * request.persents;
        f = request.persents * Nw / IW;
    } else if (request.zoomToExpand || hasUserRect) {
        const double rw = A.width() / IW;
        const double rh = A.height() / IH;
        if (rw > rh) {
            Nw = A.width();
            Nh = A.width() * IH / IW;
        } else {
            Nw = A.height() * IW / IH;
            Nh = A.height();
        }
        f = 1;
    } else if (IH <= A.height() && IW <= A.width()) {
        if (!request.zoomToFill) {
            Nw = IW;
            Nh = IH;
            f = 1;
        } else {
            const double rw = A.width() / IW;
            const double rh = A.height() / IH;
            if (rh > rw) {
                Nw = A.width();
                Nh = A.width() * IH / IW;
                f = rw;
            } else {
                Nw = A.height() * IW / IH;
                Nh = A.height();
                f = rh;
            }
        }
    } else {
        if (IH > A.height()) {
            Nw = A.height() / IH * IW;
            Nh = A.height();
        } else {
            Nw = A.width();
            Nh = A.width() / IW * IH;
        }
        if (Nw > A.width()) {
            Nw = A.width();
            Nh = A.width() / IW * IH;
        }
        if (Nh > A.height()) {
            Nw = A.height() / IH * IW;
            Nh = A.height();
        }
        f = Nw / O.width();
    }

    if (fixedWindow) {
        if (A.width() / IW > A.height() / IH) {
            blurImWidth = A.width();
            blurImHeight = IH * A.width() / IW;
        } else {
            blurImWidth = IW * A.height() / IH;
            blurImHeight = A.height();
        }
    }

    const double Vw = visibleSize(A.width(), Nw);
    const double Vh = visibleSize(A.height(), Nh);
    const bool tooSmall = std::min(A.width(), Nw) < minimumWindowSide ||
                          std::min(A.height(), Nh) < minimumWindowSide;

    const Axis ax{A.width(), A.x(), Nw, O.x(), O.width(), IW, a.x()};
    const Axis ay{A.height(), A.y(), Nh, O.y(), O.height(), IH, a.y()};
    const double kx = anchorOffset(ax, Vw, fixedWindow, tooSmall, request.placeCentred);
    const double ky = anchorOffset(ay, Vh, fixedWindow, tooSmall, request.placeCentred);
    const double x = newOrigin(ax, Vw, kx, fixedWindow, tooSmall);
    const double y = newOrigin(ay, Vh, ky, fixedWindow, tooSmall);

    const QRectF W = env.hasWindow ? env.windowFrame : QRectF();
    QRectF W2 = W;
    if (!fixedWindow) {
        QPointF g;
        const bool centred = !request.hasEvent && !request.forceMouse;
        if (centred && !tooSmall)
            g = QPointF(W.x() + W.width() * 0.5, W.y() + W.height() * 0.5) - a * f;
        else if (centred)
            g = W.topLeft();
        else if (tooSmall)
            g = s - a;
        else if (!request.forceMouse)
            g = s - a * (f + 1);
        else
            g = s - a * request.delta;
        g = QPointF(clampIntoArea(g.x(), A.x(), A.width(), Vw),
                    clampIntoArea(g.y(), A.y(), A.height(), Vh));
        W2 = QRectF(g, QSizeF(Vw, Vh));
    }

    const double z = Nw > Nh ? std::max(Nw, Nh) / IW : std::max(Nw, Nh) / IH;
    nearestFilter = z > nearestAbove;
    canZoomIn = true;
    canZoomOut = true;
    if (Nw >= A.width() && Nh >= A.height() && z > maximumZoom) {
        canZoomIn = false;
        inMagnification = false;
        result.outcome = Outcome::Refused;
        return result;
    }
    if ((Nw < minimumImageSide || Nh < minimumImageSide) && IW > Nw) {
        canZoomOut = false;
        inMagnification = false;
        result.outcome = Outcome::Refused;
        return result;
    }

    ZoomingMode = (A.width() < Nw || A.height() < Nh) ? 1 : 0;
    imageInViewPort = QRectF(x, y, Nw, Nh);
    result.windowFrom = W;
    result.windowTo = W2;
    result.imageFrom = imageInViewAnimation;
    result.imageTo = imageInViewPort;
    if (request.animated) {
        result.outcome = Outcome::AcceptedAnimated;
        return result;
    }
    result.outcome = Outcome::Accepted;
    result.setWindowFrame = !sameRect(W2, W) && !hasUserRect;
    inMagnification = false;
    return result;
}
