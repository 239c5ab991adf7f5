#pragma once

#include "selection/ImageTransform.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <optional>

// Which part of an image shown from its overview to decode sharp, and how
// far reduced, for what the view shows of it. Areas are in the pixels of the
// full image, upright unless said otherwise.
class ImageSource;

class DetailRegion {
  public:
    struct Request {
        QRect area;
        int denominator = 1; // 1, 2, 4 or 8
        QRect inView;        // the part of the area the view shows
        friend bool operator==(const Request&, const Request&) = default;
    };

    // The part the view shows with a margin about it, so that a pan is
    // already covered: as wide again as the view on the left and on the
    // right (the rows above a part cost their decoding whatever its width,
    // so that a part's width is cheap and its height is not), and half as
    // high above and below. At the coarsest reduction that still
    // gives a pixel for each device pixel: `placement` is where the whole
    // image lies in a view of `view`, both in logical pixels, at `dpr`
    // device pixels to each. Without the margin where that would take more
    // than `maxPixels` reduced pixels. None when the overview already has
    // that many pixels, nothing of the image is in view, or even the part in
    // view takes more than `maxPixels`.
    static std::optional<Request> forView(QSize full, QSize overview, const QRectF& placement,
                                          const QRectF& view, double dpr, qint64 maxPixels);
    // Whether `have` serves what `want` asks without decoding again: the same
    // reduction, and the part in view inside it.
    static bool covers(const Request& have, const Request& want);

    // The stored image's area for `area` of the upright one, grown to whole
    // multiples of the denominator (clamped to the image) so that the
    // reduced pixels fall on the same grid whatever the area; `stored` is
    // the stored size and `upright` the transform that stands it up.
    static QRect storedArea(const QRect& area, QSize stored, const ImageTransform& upright,
                            int denominator);
    // `area` of the stored image, upright.
    static QRect uprightArea(const QRect& area, QSize stored, const ImageTransform& upright);
    // The transform for an EXIF orientation (1-8; others count as 1).
    static ImageTransform forOrientation(int orientation);
    // Decodes `area` of the upright image at 1/denominator from the source's
    // image 0, and says in `covered` the upright area the result covers
    // (grown to the reduction's grid). Null when it cannot be decoded.
    static QImage decode(ImageSource& source, const QRect& area, int denominator, QRect* covered);
};
