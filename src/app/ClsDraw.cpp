#include "app/ClsDraw.h"

#include <QPainter>
#include <QPainterPath>

ClsDraw::ClsDraw(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void ClsDraw::drawGraphForArray(const QList<ClsDrawPoint>& list) {
    points = list;
    for (qsizetype i = 0; i < points.size(); ++i)
        points[i].x = double(i);
    update();
}

void ClsDraw::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (background.alpha() > 0) {
        QPainterPath shape;
        shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
        painter.fillPath(shape, background);
    }
    if (!points.isEmpty()) {
        QPen pen(graphColor, 1.0);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        // The bins over the whole width: the panel is narrower than 256.
        const double scale = width() / 256.0;
        const double bottom = height();
        for (const ClsDrawPoint& point : points) {
            const double x = (point.x + 0.5) * scale;
            painter.drawLine(QPointF(x, bottom), QPointF(x, bottom - point.y));
        }
    }
    if (border.alpha() > 0) {
        painter.setPen(QPen(border, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds, cornerRadius, cornerRadius);
    }
}
