#include "viewer/DNSImageView.h"

#include "viewer/ScaledImageCache.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

DNSImageView::DNSImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    reduced = new ScaledImageCache(this);
    connect(reduced, &ScaledImageCache::updated, this, qOverload<>(&QWidget::update));
}

void DNSImageView::setImage(const QImage& image, const QImage& screenCopy) {
    reduced->setImage(image, screenCopy);
    detailImage = QImage();
    update();
}

void DNSImageView::setDetail(const QImage& detail, const QRect& area, QSize full) {
    if (detail.isNull() && detailImage.isNull())
        return;
    detailImage = detail;
    detailArea = area;
    detailFull = full;
    update();
}

const QImage& DNSImageView::image() const {
    return reduced->image();
}

void DNSImageView::setImageRect(const QRectF& rect) {
    if (rect == placement)
        return;
    placement = rect;
    update();
    emit placementChanged();
}

void DNSImageView::setNearestFilter(bool on) {
    if (on == nearest)
        return;
    nearest = on;
    update();
}

QRect DNSImageView::opaqueRect() const {
    const QImage& full = image();
    if (!isVisible() || alpha < 1.0 || full.isNull() || full.hasAlphaChannel() ||
        placement.isEmpty())
        return QRect();
    const double dpr = devicePixelRatioF();
    // The target as paintEvent rounds it, shrunk to whole logical pixels.
    const double left = std::round(placement.x() * dpr) / dpr;
    const double top = std::round(placement.y() * dpr) / dpr;
    const double right = left + std::round(placement.width() * dpr) / dpr;
    const double bottom = top + std::round(placement.height() * dpr) / dpr;
    const QRect inner(QPoint(int(std::ceil(left)), int(std::ceil(top))),
                      QPoint(int(std::floor(right)) - 1, int(std::floor(bottom)) - 1));
    return inner.intersected(rect());
}

void DNSImageView::setOpacity(double value) {
    if (value == alpha)
        return;
    alpha = value;
    update();
}

namespace {

// Draws `source` stretched over `target`, one part of the region at a time,
// each from the source's pixels under it: a thin band (a selection's outline
// marching) must not cost the whole rectangle around it.
void drawInParts(QPainter& painter, const QRegion& region, const QRectF& target,
                 const QImage& source) {
    const double sx = source.width() / target.width();
    const double sy = source.height() / target.height();
    for (const QRect& part : region) {
        const QRectF visible = target.intersected(QRectF(part));
        if (visible.isEmpty())
            continue;
        const QRectF from((visible.x() - target.x()) * sx, (visible.y() - target.y()) * sy,
                          visible.width() * sx, visible.height() * sy);
        painter.setClipRect(part);
        painter.drawImage(visible, source, from);
    }
}

} // namespace

void DNSImageView::paintEvent(QPaintEvent* event) {
    const QImage& full = image();
    if (full.isNull() || placement.isEmpty() || alpha <= 0.0)
        return;
    const double dpr = devicePixelRatioF();
    // Whole device pixels, so that a copy made for this size lands 1:1.
    const QRectF device(std::round(placement.x() * dpr), std::round(placement.y() * dpr),
                        std::round(placement.width() * dpr), std::round(placement.height() * dpr));
    const QSize deviceSize(int(device.width()), int(device.height()));
    QPainter painter(this);
    painter.setOpacity(alpha);
    const QRectF target(device.topLeft() / dpr, device.size() / dpr);
    if (target.intersected(QRectF(event->rect())).isEmpty())
        return;

    QImage source = full;
    if (deviceSize.width() < full.width() && deviceSize.height() < full.height())
        source = reduced->sourceFor(deviceSize).image;
    else if (!nearest && reduced->exactCopy().size() == deviceSize)
        source = reduced->exactCopy(); // a first look enlarged ahead to this size
    const bool oneToOne = source.size() == deviceSize;
    // Smooth drawing of a source more than twice the size on screen makes Qt
    // rescale it whole, on this thread; until a reduced copy exists, such a
    // frame is drawn plainly instead.
    const bool farTooLarge =
        source.width() > 2 * deviceSize.width() || source.height() > 2 * deviceSize.height();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !nearest && !oneToOne && !farTooLarge);
    drawInParts(painter, event->region(), target, source);
    if (detailImage.isNull() || detailFull.isEmpty())
        return;
    const double toView = target.width() / detailFull.width();
    const QRectF over(target.x() + detailArea.x() * toView, target.y() + detailArea.y() * toView,
                      detailArea.width() * toView, detailArea.height() * toView);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !nearest);
    drawInParts(painter, event->region(), over, detailImage);
}
