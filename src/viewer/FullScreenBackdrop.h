#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>

// What lies behind the image in full screen, by the "BackgroundMode"
// setting: 0 nothing of our own, 1 a plain colour, 2 black under a blurred,
// screen-covering copy of the image. Also the blur itself, which works on a
// small reduced copy: at a radius of 80 points nothing of the detail a
// large copy holds survives, so a copy a sixteenth of the size loses nothing.
class FullScreenBackdrop {
  public:
    static constexpr double blurRadius = 80.0;
    // The blur's radius in pixels of the working copy; the copy is made as
    // small as this allows.
    static constexpr double workingRadius = 5.0;

    struct Layers {
        bool colored = false; // the plain colour layer
        QColor color = Qt::black;
        bool blurred = false; // the blurred copy over it
    };
    // `color` is the "BackgroundColor" setting as read (black when unusable).
    static Layers forMode(int backgroundMode, const QColor& color);

    // The blurred copy's rectangle in a view of `view` (y down): the size
    // the zoom engine gave it, centred, covering the view.
    static QRectF blurRect(const QSizeF& view, double blurWidth, double blurHeight);
    // The size of the working copy for a backdrop of `backdrop` points.
    static QSize workingSize(const QSizeF& backdrop);
    // The blurred working copy of `source` (any size; reduced first when
    // larger than the working size) for a backdrop of `backdrop` points.
    // Null for a null source or an empty backdrop. With `output` valid,
    // the result is enlarged smoothly to that many pixels, ready to draw.
    static QImage blurred(const QImage& source, const QSizeF& backdrop,
                          const QSize& output = QSize());
    // A Gaussian blur of standard deviation `sigma` pixels, approximated by
    // three box blurs per axis; edges repeat their last pixel.
    static QImage gaussianBlur(const QImage& image, double sigma);
};
