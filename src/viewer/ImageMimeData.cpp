#include "viewer/ImageMimeData.h"

#include <QBuffer>
#include <QImageWriter>

namespace {

const QString pngType = QStringLiteral("image/png");

} // namespace

ImageMimeData::ImageMimeData(const QImage& image) : image(image) {
    setImageData(image);
}

bool ImageMimeData::hasFormat(const QString& mimeType) const {
    return mimeType == pngType || QMimeData::hasFormat(mimeType);
}

QStringList ImageMimeData::formats() const {
    QStringList all = QMimeData::formats();
    if (!all.contains(pngType))
        all.append(pngType);
    return all;
}

QVariant ImageMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType != pngType)
        return QMimeData::retrieveData(mimeType, type);
    if (!encoded) {
        encoded = true;
        // Other programs ask X11 for a type by name; PNG keeps alpha and depth.
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setCompression(1); // quick: it is read back at once, not kept
        if (!writer.write(image))
            png.clear();
    }
    return png;
}
