#pragma once

#include <QImage>
#include <QRectF>

// The selected pixels as an image of their own, for Copy.
namespace SelectionCopy {

// `selected` is in whole pixels, origin at the image's bottom-left corner
// (y up). The rectangle is first cut to the image, so a selection that
// reaches past an edge never reads outside it; nothing left gives a null
// image. The result holds exactly those pixels, alpha and depth included,
// with a nominal size of its pixels divided by `backingScale` (1 when not
// above 0).
QImage imageInSelectionArea(const QImage& shown, const QRectF& selected, double backingScale);

} // namespace SelectionCopy
