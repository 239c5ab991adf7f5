#include "platform/ImageEncoder.h"

#include "platform/Jpeg2000Encoder.h"
#include "platform/JpegEncoder.h"
#include "platform/TiffAlphaEncoder.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QImageWriter>
#include <QPainter>

#include <cmath>

namespace {

QImage onWhite(const QImage& image) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

QByteArray withQtWriter(QImage image, const char* format, QString* reason) {
    // What the viewer shows is sRGB; say so in the file where it can (an RGB
    // profile has no place in a grey file).
    if (!image.colorSpace().isValid() && !image.isGrayscale())
        image.setColorSpace(QColorSpace::SRgb);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (qstrcmp(format, "tiff") == 0)
        writer.setCompression(1); // LZW, lossless
    if (!writer.write(image)) {
        if (reason)
            *reason = writer.errorString();
        return QByteArray();
    }
    return bytes;
}

} // namespace

QByteArray ImageEncoder::encode(const QImage& image, ExportFormat format, float factor,
                                QString* reason) {
    if (image.isNull()) {
        if (reason)
            *reason = QCoreApplication::translate("ImageEncoder", "There is no image to write.");
        return QByteArray();
    }
    const int quality = ImageEncoder::quality(factor);
    QByteArray bytes;
    switch (format) {
    case ExportFormat::Jpeg:
        bytes = JpegEncoder::encode(image, quality);
        break;
    case ExportFormat::Jpeg2000:
        bytes = Jpeg2000Encoder::encode(image, quality);
        break;
    case ExportFormat::Png:
        bytes = withQtWriter(image, "png", reason);
        break;
    case ExportFormat::Tiff:
        if (image.hasAlphaChannel() && image.depth() <= 32 &&
            image.format() != QImage::Format_ARGB32_Premultiplied &&
            image.format() != QImage::Format_RGBA8888_Premultiplied)
            bytes = TiffAlphaEncoder::encode(image);
        else
            bytes = withQtWriter(image, "tiff", reason);
        break;
    case ExportFormat::Bmp: {
        const bool keep = !image.hasAlphaChannel() &&
                          (image.format() == QImage::Format_Indexed8 || image.depth() <= 32);
        bytes = withQtWriter(keep ? image : onWhite(image), "bmp", reason);
        break;
    }
    }
    if (bytes.isEmpty() && reason && reason->isEmpty())
        *reason = QCoreApplication::translate("ImageEncoder", "The image could not be encoded.");
    return bytes;
}

int ImageEncoder::quality(float factor) {
    return std::isfinite(factor) ? int(std::lround(std::clamp(factor, 0.0f, 1.0f) * 100)) : 100;
}
