#include "viewer/BlurBackdropView.h"

#include <QPaintEvent>
#include <QPainter>

BlurBackdropView::BlurBackdropView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BlurBackdropView::setBlurred(const QImage& image) {
    small = image;
    scaled = QImage();
    update();
}

void BlurBackdropView::paintEvent(QPaintEvent* event) {
    if (small.isNull())
        return;
    const double dpr = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * dpr).toSize();
    if (scaled.size() != device)
        scaled = small.size() == device
                     ? small
                     : small.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(this);
    for (const QRect& part : event->region())
        painter.drawImage(QRectF(part), scaled,
                          QRectF(QPointF(part.topLeft()) * dpr, QSizeF(part.size()) * dpr));
}
