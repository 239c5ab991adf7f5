#include "app/OVThumbView.h"

#include "info/ThumbFit.h"

#include <QPainter>

OVThumbView::OVThumbView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void OVThumbView::setImage(const QImage& image) {
    bitmap = image;
    update();
}

QRectF OVThumbView::boundsRectToFitImage() const {
    return ThumbFit::boundsRectToFitImage(bitmap.size(), QRectF(rect()));
}

void OVThumbView::paintEvent(QPaintEvent*) {
    const QRectF target = boundsRectToFitImage();
    if (bitmap.isNull() || target.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, bitmap);
}
