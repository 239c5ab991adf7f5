#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// The small box that shows the selection's place and size while it is being
// made: its two texts, and where it goes beside the selection. All in
// content points, y up.
class SelectionInfoBox {
  public:
    static constexpr double gap = 10;
    static constexpr double padding = 8;
    static constexpr double cornerRadius = 4;

    static QString positionText(const QRectF& pixels);
    static QString sizeText(const QRectF& pixels);
    // The box is as wide as its wider text plus the padding.
    static double boxWidth(double positionWidth, double sizeWidth);
    // The box's origin for a selection drawn at `selection` in a view of
    // `view`: to the right, inside the bottom-right corner, to the left or
    // below, the first that fits; to the right when none does.
    static QPointF place(const QRectF& selection, const QSizeF& box, const QSizeF& view);
};
