#include "selection/SelectionInfoBox.h"

#include <algorithm>

namespace {

// Truncated, as the texts show whole pixels.
int whole(double value) {
    return int(value);
}

} // namespace

QString SelectionInfoBox::positionText(const QRectF& p) {
    return QString::asprintf("X: %i, Y: %i", whole(p.x()), whole(p.y()));
}

QString SelectionInfoBox::sizeText(const QRectF& p) {
    return QString::asprintf("%i × %i", whole(p.width()), whole(p.height()));
}

double SelectionInfoBox::boxWidth(double positionWidth, double sizeWidth) {
    return std::max(positionWidth, sizeWidth) + padding;
}

QPointF SelectionInfoBox::place(const QRectF& S, const QSizeF& box, const QSizeF& view) {
    const double W = box.width();
    const double H = box.height();
    const QPointF right(S.x() + S.width() + gap, S.y());
    if (right.x() + W < view.width() && S.y() + H < view.height())
        return right;
    if (S.width() > W + 2 * gap && S.height() > H + 2 * gap)
        return QPointF(S.x() + S.width() - gap - W, S.y() + gap);
    if (S.x() - gap > W && S.y() + H < view.height())
        return QPointF(S.x() - gap - W, S.y());
    // Its left edge must leave room for a box's width, not merely stay on screen.
    if (S.y() > H + gap && S.x() + S.width() - W > W)
        return QPointF(S.x() + S.width() - W, S.y() - H - gap);
    return right;
}
