#pragma once

#include <QPointF>
#include <QRectF>

// The one place where y flips. The viewer's geometry works with the origin
// at the lower left and y upwards (screens and views alike); Qt works with
// y downwards. Screens are flipped about the main screen.
class Coordinates {
public:
    // mainScreen: the main screen's geometry in Qt's global coordinates.
    static QRectF screenFromQt(const QRectF& rect, const QRectF& mainScreen);
    static QRectF screenToQt(const QRectF& rect, const QRectF& mainScreen);
    static QPointF screenPointFromQt(const QPointF& point, const QRectF& mainScreen);
    // Within a view of the given height; the same formula both ways.
    static QRectF viewFlip(const QRectF& rect, double viewHeight);
};
