#include "viewer/ThumbnailMaker.h"

#include "platform/Cancellation.h"
#include "platform/ImageSource.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/PartialImage.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/ImageCollection.h"
#include "viewer/ImageOrientation.h"

namespace {

ThumbnailMaker::Result made(ImageSource* source, int pixels) {
    ThumbnailMaker::Result result;
    if (!source || Cancellation::requested())
        return result;
    result.image = ThumbnailMaker::make(*source, pixels);
    result.partial = PartialImage::isPartial(result.image);
    return result;
}

} // namespace

QImage ThumbnailMaker::make(ImageSource& source, int pixels) {
    if (pixels <= 0 || source.count() < 1)
        return QImage();
    const QSize bound(pixels, pixels);
    // A camera raw's own preview, or a JPEG XL's coarse pass, is far quicker
    // than any decode of the image, and as sharp as a thumbnail needs.
    QImage image = source.firstLook();
    if (image.isNull() || std::max(image.width(), image.height()) < pixels)
        image = source.overview(bound);
    if (image.isNull() || Cancellation::requested())
        return QImage();
    const bool partial = PartialImage::isPartial(image);
    image = ColorConversion::toSRGB(std::move(image));
    const QSize fit = AreaReducer::fitted(image.size(), bound);
    if (fit != image.size())
        image = AreaReducer::averaged(std::move(image), fit);
    const QVariant stated = source.propertiesAtIndex(0).value(QStringLiteral("Orientation"));
    QImage upright =
        ImageOrientation::CGImageCreateDecoded(image, stated.isValid() ? stated.toInt() : 1);
    if (partial)
        PartialImage::markCoarse(upright);
    return upright;
}

ThumbnailMaker::Result ThumbnailMaker::ofFile(const QString& path, int pixels) {
    const std::unique_ptr<ImageSource> source = ImageSource::createWithURL(path);
    Result result = made(source.get(), pixels);
    if (result.failed() && !Cancellation::requested())
        result.failure = DecodeFailure::ofFile(path, source.get());
    return result;
}

ThumbnailMaker::Result ThumbnailMaker::ofData(const QByteArray& bytes, const QString& extension,
                                              int pixels) {
    const std::unique_ptr<ImageSource> source = ImageSource::createWithData(bytes, extension);
    Result result = made(source.get(), pixels);
    if (result.failed() && !Cancellation::requested())
        result.failure = DecodeFailure::ofData(bytes, extension, source.get());
    return result;
}

ThumbnailMaker::Result ThumbnailMaker::ofItem(const QString& path, const Reader& read, int pixels) {
    if (!read && !ArchiveDocument::isSketch(path))
        return ofFile(path, pixels);
    const std::optional<QByteArray> bytes =
        read ? read() : ArchiveDocument::sketchPreviewAtPath(path);
    if (!bytes || bytes->isEmpty()) {
        Result none;
        none.failure = bytes ? DecodeFailure::NotAnImage : DecodeFailure::Damaged;
        return none;
    }
    return ofData(*bytes, ImageCollection::pathExtension(path), pixels);
}
