#include "viewer/ImageOrientation.h"

#include <QTransform>

bool ImageOrientation::CGImageContainsAlpha(const QImage& image) {
    return !image.isNull() && image.hasAlphaChannel();
}

QImage ImageOrientation::CGImageCreateDecoded(const QImage& image, int orientation) {
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return QImage();
    const QImage::Format format = CGImageContainsAlpha(image) ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32;
    QImage upright = image.convertToFormat(format);
    if (upright.isNull())
        return QImage();
    // Quarter turns and mirrors move whole pixels, so nothing is resampled.
    switch (orientation) {
    case 2: return upright.mirrored(true, false);
    case 3: return upright.mirrored(true, true);
    case 4: return upright.mirrored(false, true);
    case 5: return upright.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return upright.transformed(QTransform().rotate(90));
    case 7: return upright.transformed(QTransform().rotate(-90)).mirrored(true, false);
    case 8: return upright.transformed(QTransform().rotate(-90));
    default: return upright;
    }
}

int ImageOrientation::orientationOf(QImageIOHandler::Transformations t) {
    switch (int(t)) {
    case QImageIOHandler::TransformationMirror: return 2;
    case QImageIOHandler::TransformationRotate180: return 3;
    case QImageIOHandler::TransformationFlip: return 4;
    case QImageIOHandler::TransformationFlipAndRotate90: return 5;
    case QImageIOHandler::TransformationRotate90: return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90: return 7;
    case QImageIOHandler::TransformationRotate270: return 8;
    default: return 1;
    }
}
