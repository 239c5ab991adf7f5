#pragma once

#include "viewer/BackgroundTask.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>

// Reduced copies of the shown image, made off the main thread, so that
// drawing a reduced image never samples the full one (no moiré) and never
// rescales it on the main thread: a pyramid of halvings for moments of
// change, and one copy area-averaged to exactly the size on screen.
class ScaledImageCache : public QObject {
    Q_OBJECT
public:
    // Images up to this many pixels are reduced straight from the full image;
    // larger ones from the smallest halving at least twice the target.
    static constexpr qint64 directReductionPixels = 48'000'000;

    explicit ScaledImageCache(QObject* parent = nullptr);

    // `screenCopy`, when given, is the image already reduced (or, for a first
    // look, enlarged) to the size it is about to be drawn at, and serves as
    // the exact copy for that size.
    // Everything else is made when a paint first asks for it.
    void setImage(const QImage& image, const QImage& screenCopy = QImage());
    const QImage& image() const { return full; }

    struct Source {
        QImage image;       // what to draw from
        bool exact = false; // area-averaged to exactly the asked size
    };
    // The best copy for drawing the whole image at `deviceSize` pixels
    // (smaller than the image). Asks for the exact copy when it is missing.
    Source sourceFor(const QSize& deviceSize);
    bool isBuilding() const { return pyramidPending || exactPending; }
    // The copy for the size last drawn at; null when none is made yet.
    const QImage& exactCopy() const { return exact; }
    // The halvings made so far, largest first.
    const QList<QImage>& halvings() const { return pyramid; }

    // Halves both sides, each output pixel the mean of a 2x2 block (the last
    // row or column of an odd side is averaged with itself).
    static QImage reduceByHalf(const QImage& image);
    // Area-averaged reduction to `size`.
    static QImage areaAverage(const QImage& image, const QSize& size);
    // The exact copy of `image` for `size`, made in one go as the cache
    // would make it: huge images are halved first.
    static QImage reducedTo(const QImage& image, const QSize& size);

signals:
    void updated();

private:
    void buildPyramid();
    void buildExact(const QSize& size);
    QImage reductionSource(const QSize& size) const;

    QImage full;
    QList<QImage> pyramid; // halvings, largest first
    QImage exact;
    QSize wanted;
    quint64 generation = 0;
    bool pyramidPending = false; // wanted and not there yet
    bool pyramidStarted = false;
    bool exactPending = false;
    BackgroundTask tasks{this};
};
