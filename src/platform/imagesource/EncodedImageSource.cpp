#include "platform/imagesource/EncodedImageSource.h"

#include "platform/imagesource/DecodeLimits.h"

#include <QBuffer>
#include <QImageReader>

EncodedImageSource::EncodedImageSource(const EncodedBytes& input)
    : input(input), bytes(input.head()) {}

QVariantMap EncodedImageSource::propertiesAtIndex(int index) {
    if (index < 0 || index >= count())
        return QVariantMap();
    QVariantMap map = imageProperties(index);
    metadata(index).addTo(map);
    return map;
}

QVariantMap EncodedImageSource::properties() {
    QVariantMap map = containerProperties();
    map.insert(QStringLiteral("FileSize"), qlonglong(input.size()));
    return map;
}

const ExifProperties& EncodedImageSource::metadata(int) {
    if (!fileMetadata)
        fileMetadata = ExifProperties::read(bytes);
    return *fileMetadata;
}

QImage EncodedImageSource::embeddedThumbnail() {
    const QByteArray& stored = metadata(0).thumbnail;
    if (stored.isEmpty())
        return QImage();
    QByteArray copy = stored;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!DecodeLimits::allows(size.width(), size.height(), 4))
        return QImage();
    return reader.read();
}

QVariantMap EncodedImageSource::describe(int width, int height, int depth, const QString& colorModel,
                                         bool hasAlpha) {
    return {
        {QStringLiteral("PixelWidth"), width},
        {QStringLiteral("PixelHeight"), height},
        {QStringLiteral("Depth"), depth},
        {QStringLiteral("ColorModel"), colorModel},
        {QStringLiteral("HasAlpha"), hasAlpha},
    };
}
