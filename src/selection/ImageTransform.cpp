#include "selection/ImageTransform.h"

#include <QColorSpace>
#include <QTransform>

ImageTransform ImageTransform::then(const ImageTransform& next) const {
    // A mirror after a turn is the opposite turn after the mirror.
    const int t = next.mirror ? next.turns - turns : next.turns + turns;
    return {((t % 4) + 4) % 4, mirror != next.mirror};
}

ImageTransform ImageTransform::inverted() const {
    // A mirroring element undoes itself; a pure turn is undone by the opposite turn.
    return mirror ? *this : ImageTransform{(4 - turns) % 4, false};
}

QPoint ImageTransform::mapPixel(const QPoint& p, const QSize& size) const {
    int x = mirror ? size.width() - 1 - p.x() : p.x();
    int y = p.y();
    int w = size.width();
    int h = size.height();
    for (int i = 0; i < turns; ++i) {
        // A clockwise quarter turn: (x, y) of a w x h image goes to (h - 1 - y, x).
        const int nx = h - 1 - y;
        y = x;
        x = nx;
        std::swap(w, h);
    }
    return {x, y};
}

namespace {

// Qt's lossless quarter-turn paths cover these depths; others (1-bit) are
// widened first, which keeps every pixel's colour.
QImage turnable(const QImage& image) {
    switch (image.depth()) {
    case 8:
    case 16:
    case 24:
    case 32:
    case 64:
    case 128:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                             : QImage::Format_RGB32);
    }
}

} // namespace

QImage ImageTransform::apply(const QImage& image) const {
    if (image.isNull() || isIdentity())
        return image;
    QImage out;
    if (turns == 0)
        out = image.mirrored(true, false);
    else if (turns == 2)
        // A half turn is both mirrors; with the left-right mirror, only the top-bottom one.
        out = image.mirrored(!mirror, true);
    else {
        const QImage source = turnable(image);
        // rotate(90) is a clockwise quarter turn on screen (y down).
        out = (mirror ? source.mirrored(true, false) : source)
                  .transformed(QTransform().rotate(turns * 90.0));
    }
    out.setDevicePixelRatio(image.devicePixelRatio());
    out.setColorSpace(image.colorSpace());
    return out;
}
