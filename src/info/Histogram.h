#pragma once

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>
#include <array>

// One point of a graph: x is the bin, y its height in percent of eight times
// the mean bin.
struct ClsDrawPoint {
    double x = 0.0;
    double y = 0.0;
};

// The four graphs of one computation, 256 points each.
struct HistogramResult {
    QList<ClsDrawPoint> redpoints;
    QList<ClsDrawPoint> greenpoints;
    QList<ClsDrawPoint> bluepoints;
    QList<ClsDrawPoint> whitepoints; // luminance
};

// The histogram of an image, counted on a copy reduced to 256 pixels high.
// Every computation has its own bins, so any number may run at once on
// different threads.
class HistogramView {
  public:
    static constexpr double targetHeight = 256.0;
    // The reduction scales up as well as down: a very wide, low image would
    // become gigabytes. Rasters are narrowed to stay within this many pixels.
    static constexpr qint64 maxRasterPixels = qint64(1) << 24;

    struct Bins {
        std::array<float, 256> red{};
        std::array<float, 256> green{};
        std::array<float, 256> blue{};
        std::array<float, 256> luminance{};
    };

    // The whole computation: reduce, count, normalise.
    static HistogramResult readImage(const QImage& image);

    // The size the image is redrawn at (about 256 high), in its own units.
    static QSizeF compressedSize(const QSizeF& size);
    // The pixel raster for that size, narrowed to maxRasterPixels; empty when
    // a side comes out below one pixel.
    static QSize rasterSize(const QSizeF& size);
    // The image sampled (nearest pixel, no blending) into a zero-filled
    // premultiplied RGBA raster of rasterSize; null when there is no raster.
    static QImage imageCompressForSize(const QImage& image);

    // Counts every pixel of a premultiplied RGBA8888 raster.
    static Bins count(const QImage& raster);
    // Normalised to points; every y is 0 when nothing was counted.
    static HistogramResult makeArrays(const Bins& bins);
    // The luminance bin of one pixel.
    static int luminanceBin(int red, int green, int blue);

    // The selector's index 0 shows the luminance graph alone, any other the
    // red, green and blue graphs together.
    static bool showsLuminanceOnly(int selectorIndex) { return selectorIndex < 1; }
};
