#pragma once

#include <QRectF>

// What the geometry places an image on: a view that draws the current image
// in a rectangle of its own (y-down) coordinates.
class ImageSurface {
public:
    virtual ~ImageSurface() = default;
    virtual void setImageRect(const QRectF& rect) = 0;
    // Nearest-neighbour sampling when zoomed in far, smooth otherwise.
    virtual void setNearestFilter(bool nearest) = 0;
    // Whether there is an image to place.
    virtual bool hasContents() const = 0;
};
