#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

// One of the eight ways to turn and flip an image: an optional left-right
// mirror followed by a number of quarter turns clockwise (as seen on screen).
// Transforms compose, so any run of turn and flip commands is one of these,
// and the frames that arrive after the commands get the same one.
class ImageTransform {
  public:
    constexpr ImageTransform() = default;

    static constexpr ImageTransform rotateClockwise() { return {1, false}; }
    static constexpr ImageTransform rotateCounterClockwise() { return {3, false}; }
    static constexpr ImageTransform rotate180() { return {2, false}; }
    static constexpr ImageTransform flipHorizontally() { return {0, true}; }
    // A left-right mirror and a half turn make a top-bottom mirror.
    static constexpr ImageTransform flipVertically() { return {2, true}; }

    int quarterTurns() const { return turns; }
    bool isMirrored() const { return mirror; }
    bool isIdentity() const { return turns == 0 && !mirror; }
    // Width and height trade places.
    bool swapsSize() const { return turns % 2 == 1; }

    // This transform, then `next`.
    ImageTransform then(const ImageTransform& next) const;
    ImageTransform inverted() const;

    QSize mapSize(const QSize& size) const { return swapsSize() ? size.transposed() : size; }
    // Where pixel `p` (y down) of an image of `size` lands.
    QPoint mapPixel(const QPoint& p, const QSize& size) const;
    // A new image holding the transformed pixels in the source's format;
    // every pixel is moved, none resampled.
    QImage apply(const QImage& image) const;

    // The same work in pieces, so that several threads can share one large
    // image: `movable` is the source in a format whose pixels can be moved
    // whole, `blankResult` the image to fill, and `applyRows` fills rows
    // [top, bottom) of it. Distinct rows may be filled on different threads;
    // `out` is the result's bits(), taken once beforehand.
    static QImage movable(const QImage& image);
    QImage blankResult(const QImage& movableSource) const;
    void applyRows(const QImage& movableSource, uchar* out, qsizetype outBytesPerLine, int top,
                   int bottom) const;

    friend bool operator==(const ImageTransform&, const ImageTransform&) = default;

  private:
    constexpr ImageTransform(int turns, bool mirror) : turns(turns), mirror(mirror) {}

    int turns = 0;
    bool mirror = false;
};
