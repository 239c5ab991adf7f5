#include "platform/QtImageSource.h"

#include <QFileInfo>
#include <QHash>

namespace {

// EXIF orientation for the transformation a Qt reader reports.
int orientationFromTransformation(QImageIOHandler::Transformations t) {
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

QString typeForFormat(const QByteArray& format) {
    static const QHash<QByteArray, QString> types = {
        {"jpeg", QStringLiteral("public.jpeg")},  {"jpg", QStringLiteral("public.jpeg")},
        {"png", QStringLiteral("public.png")},    {"gif", QStringLiteral("com.compuserve.gif")},
        {"bmp", QStringLiteral("com.microsoft.bmp")}, {"ico", QStringLiteral("com.microsoft.ico")},
        {"cur", QStringLiteral("com.microsoft.cur")}, {"tiff", QStringLiteral("public.tiff")},
        {"tif", QStringLiteral("public.tiff")},   {"icns", QStringLiteral("com.apple.icns")},
        {"webp", QStringLiteral("org.webmproject.webp")}, {"tga", QStringLiteral("com.truevision.tga-image")},
        {"pbm", QStringLiteral("public.pbm")},    {"pgm", QStringLiteral("public.pgm")},
        {"ppm", QStringLiteral("public.ppm")},    {"xbm", QStringLiteral("public.xbitmap-image")},
        {"xpm", QStringLiteral("public.xpixmap-image")}, {"svg", QStringLiteral("public.svg-image")},
    };
    return types.value(format, QStringLiteral("public.image"));
}

} // namespace

std::unique_ptr<QtImageSource> QtImageSource::open(const QString& path, const QByteArray& bytes) {
    std::unique_ptr<QtImageSource> source(new QtImageSource);
    source->path = path;
    source->bytes = bytes;
    source->restart();
    // Content decides; a reader that only matched by name and cannot read the
    // header is no source at all.
    if (!source->reader->canRead())
        return nullptr;
    source->format = source->reader->format();
    if (source->format == "svg" || source->format == "svgz")
        return nullptr; // vector files are not among the viewer's images
    const int count = source->reader->imageCount();
    source->imageCount = count > 0 ? count : 1;
    source->fileSize = path.isEmpty() ? bytes.size() : QFileInfo(path).size();
    return source;
}

void QtImageSource::restart() {
    reader.reset();
    if (path.isEmpty()) {
        buffer.close();
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        reader = std::make_unique<QImageReader>(&buffer);
    } else {
        reader = std::make_unique<QImageReader>(path);
        // Sniff the content first so that a misnamed file still opens.
        reader->setDecideFormatFromContent(true);
    }
    reader->setAutoTransform(false);
    if (!format.isEmpty())
        reader->setFormat(format);
    position = 0;
}

bool QtImageSource::seek(int index) {
    if (index < 0 || index >= imageCount)
        return false;
    if (index == position)
        return true;
    if (reader->jumpToImage(index)) {
        position = index;
        return true;
    }
    // Sequential formats (GIF) only move forward: start again and read on.
    if (index < position)
        restart();
    while (position < index) {
        if (!reader->jumpToNextImage()) {
            QImage skipped;
            if (!reader->read(&skipped))
                return false;
        }
        ++position;
    }
    return true;
}

QImage QtImageSource::imageAtIndex(int index) {
    if (!seek(index))
        return QImage();
    QImage image;
    if (!reader->read(&image)) {
        restart();
        return QImage();
    }
    ++position;
    return image;
}

QVariantMap QtImageSource::propertiesAtIndex(int index) {
    QVariantMap map;
    if (!seek(index))
        return map;
    const QSize size = reader->size();
    if (size.isValid()) {
        map.insert(QStringLiteral("PixelWidth"), size.width());
        map.insert(QStringLiteral("PixelHeight"), size.height());
    }
    const int orientation = orientationFromTransformation(reader->transformation());
    map.insert(QStringLiteral("Orientation"), orientation);
    return map;
}

QVariantMap QtImageSource::properties() {
    return {{QStringLiteral("FileSize"), fileSize}};
}

QString QtImageSource::type() const {
    return typeForFormat(format);
}
