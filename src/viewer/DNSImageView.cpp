#include "viewer/DNSImageView.h"

#include <QPainter>

DNSImageView::DNSImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DNSImageView::setImage(const QImage& image) {
    contents = image;
    reduced = QImage();
    reducedFor = QSize();
    update();
}

QRectF DNSImageView::imageRect() const {
    if (contents.isNull())
        return QRectF();
    const QSizeF pixels = QSizeF(contents.size()) / devicePixelRatioF();
    QSizeF shown = pixels;
    if (shown.width() > width() || shown.height() > height())
        shown = pixels.scaled(size(), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0),
                  shown);
}

void DNSImageView::paintEvent(QPaintEvent*) {
    if (contents.isNull())
        return;
    QPainter painter(this);
    const QRectF target = imageRect();
    const QSize devicePixels = (target.size() * devicePixelRatioF()).toSize();
    if (devicePixels == contents.size() || devicePixels.isEmpty()) {
        painter.drawImage(target, contents);
        return;
    }
    if (reducedFor != devicePixels) {
        reduced = contents.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        reduced.setDevicePixelRatio(devicePixelRatioF());
        reducedFor = devicePixels;
    }
    painter.drawImage(target.topLeft(), reduced);
}
