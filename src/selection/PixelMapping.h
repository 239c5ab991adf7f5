#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

// Maps between content points (y up) and image pixels (origin at the image's
// bottom-left corner, y up) for one placement of the image. Pixels are whole
// numbers held in doubles; content rectangles are left unrounded, so that a
// rectangle mapped there and back lands on the same pixels.
class PixelMapping {
  public:
    PixelMapping() = default;
    // layout: the displayed image rectangle (imX, imY, imWidth, imHeight);
    // points: the image's size in points; pixels: its size in pixels.
    PixelMapping(const QRectF& layout, const QSizeF& points, const QSize& pixels);

    // Only a finite ratio above 0 maps anything; before an image is placed
    // the sizes can be 0.
    bool isValid() const;
    // Content points per image point.
    double ratio() const { return k; }
    // Pixels per image point, from the image itself so that it follows the
    // screen the image was loaded on.
    double backingScale() const { return s; }
    QRectF layout() const { return frame; }
    double pixelWidth() const { return pixels.width(); }
    double pixelHeight() const { return pixels.height(); }

    // Content rectangle to pixels, keeping its size.
    QRectF pixelsKeepingSize(const QRectF& r) const;
    // Content rectangle to pixels, each edge to its nearest pixel boundary.
    QRectF pixelsSnappingEdges(const QRectF& r) const;
    // Pixels to content, unrounded.
    QRectF contentRect(const QRectF& p) const;
    // Pixels to content with each term rounded to whole points.
    QRectF roundedContentRect(const QRectF& p) const;
    // The whole image, through the same rounding and clamping as a drag.
    QRectF allPixels() const { return pixelsKeepingSize(frame); }
    QPointF clampIntoImage(const QPointF& p) const;

    // Halves away from zero.
    static double round(double value);

  private:
    void clampSize(double x, double y, double& w, double& h) const;

    QRectF frame;
    QSize pixels;
    double k = 0;
    double s = 1;
};
