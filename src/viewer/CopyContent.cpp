#include "viewer/CopyContent.h"

#include <QBuffer>
#include <QImageWriter>
#include <QMimeData>

QMimeData* CopyContent::forImage(const QImage& image) {
    auto* data = new QMimeData;
    data->setImageData(image);
    // Other programs ask X11 for a type by name; PNG keeps alpha and depth.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(1); // quick: it is read back at once, not kept
    if (writer.write(image))
        data->setData(QStringLiteral("image/png"), png);
    return data;
}

QMimeData* CopyContent::forCopy(const QImage& selected, const QString& openedURL, bool isZip,
                                bool isData, const QImage& shown) {
    if (!selected.isNull())
        return forImage(selected);
    if (!openedURL.isEmpty() && !isZip && !isData) {
        auto* data = new QMimeData;
        data->setText(openedURL);
        return data;
    }
    if (isZip && !shown.isNull())
        return forImage(shown);
    return nullptr;
}
