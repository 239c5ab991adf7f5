#pragma once

#include <QImage>
#include <QSizeF>

// Rounded-rectangle masks for the translucent panels of the viewer.
class RoundedMask {
public:
    // A bitmap of trunc(w * scale) by trunc(h * scale) pixels: the rounded
    // rectangle filled opaque black on a transparent background, carrying
    // the scale as its device pixel ratio so that it measures (w, h) points.
    static QImage maskedImageForSize(const QSizeF& size, double radius, double scale);
};
