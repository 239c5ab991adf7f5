#pragma once

#include <QRectF>
#include <QSize>

// Where the panel's thumbnail is drawn: the bitmap fitted into the view,
// centred along the spare side, rounded outward to whole units.
class ThumbFit {
  public:
    // Empty while the view or the bitmap has no size (no NaN from 0 / 0).
    static QRectF boundsRectToFitImage(const QSize& bitmap, const QRectF& bounds);
};
