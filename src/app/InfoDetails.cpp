#include "app/InfoDetails.h"

#include "info/InfoSummary.h"
#include "platform/ImageSource.h"

#include <QFileInfo>
#include <QPainter>

namespace {

// Reading the file's type takes its bytes; decoding what is not needed is
// what this panel must never do.
constexpr int fallbackHistogramPixels = 1024;

} // namespace

QImage InfoDetails::reduced(const QImage& image, int bound) {
    if (image.isNull() || bound <= 0)
        return QImage();
    const QSize size = image.size();
    if (size.width() <= bound && size.height() <= bound)
        return image;
    const QSize target = size.scaled(bound, bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    // Sampled to four times the target first, so that a huge image costs no
    // more than the pixels drawn, then averaged down.
    const QSize step =
        size.scaled(bound * 4, bound * 4, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    QImage source = image;
    if (step.width() < size.width()) {
        QImage sampled(step, QImage::Format_ARGB32_Premultiplied);
        sampled.fill(Qt::transparent);
        QPainter painter(&sampled);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(step)), image);
        painter.end();
        source = sampled;
    }
    return source.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

InfoDetails InfoDetails::compute(const InfoRequest& request) {
    InfoDetails details;
    details.serial = request.serial;
    const std::unique_ptr<ImageSource> source = request.url.isEmpty()
                                                    ? ImageSource::createWithData(request.data)
                                                    : ImageSource::createWithURL(request.url);
    if (!source)
        return details;
    const QVariantMap properties = source->propertiesAtIndex(0);
    details.tree = PropertyTree::propTree(properties, &ImageSource::displayName);

    // The viewer's image of the same item when there is one: no second decode.
    QImage histogramImage = request.shown;
    if (!request.shown.isNull())
        details.thumbnail = reduced(request.shown, thumbnailPixels);
    else
        details.thumbnail = source->thumbnail(thumbnailPixels);
    if (details.thumbnail.isNull())
        return details; // no thumbnail, no details
    if (histogramImage.isNull())
        histogramImage = source->thumbnail(fallbackHistogramPixels);

    details.format = ImageSource::displayName(source->type());
    const QVariant fileSize = source->properties().value(QStringLiteral("FileSize"));
    qint64 bytes = 0;
    if (fileSize.isValid())
        bytes = fileSize.toLongLong();
    else if (!request.url.isEmpty())
        bytes = QFileInfo(request.url).size();
    else
        bytes = request.data.size();
    details.size = QStringLiteral("%1 bytes").arg(bytes);
    details.summary = InfoSummary::lines(properties, request.url, bytes);

    if (!histogramImage.isNull())
        details.histogram = HistogramView::readImage(histogramImage);
    details.ok = true;
    return details;
}
