#include "viewer/CopyContent.h"

#include "viewer/ImageMimeData.h"

QMimeData* CopyContent::forImage(const QImage& image) {
    return new ImageMimeData(image);
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
