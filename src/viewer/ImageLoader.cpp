#include "viewer/ImageLoader.h"

#include "platform/ImageSource.h"
#include "viewer/ImageOrientation.h"

ImageLoader::ImageLoader(QObject* parent) : QObject(parent) {}

ImageLoader::~ImageLoader() = default;

QImage ImageLoader::decodeFrame(ImageSource& source, int index) {
    const QImage decoded = source.imageAtIndex(index);
    if (decoded.isNull())
        return QImage();
    const QVariantMap properties = source.propertiesAtIndex(index);
    const QVariant orientation = properties.value(QStringLiteral("Orientation"));
    return ImageOrientation::CGImageCreateDecoded(decoded,
                                                  orientation.isValid() ? orientation.toInt() : 1);
}

LoadedItem ImageLoader::load(std::unique_ptr<ImageSource> source, const QString& path) {
    LoadedItem item;
    item.path = path;
    if (!source)
        return item;
    item.framesCount = source->count();
    item.image = decodeFrame(*source, 0);
    item.source = std::move(source);
    return item;
}

template <typename Make> quint64 ImageLoader::start(const QString& path, Make make) {
    const quint64 request = ++latest;
    pending = true;
    tasks.run([path, make]() { return load(make(), path); },
              [this, request](LoadedItem item) { deliver(request, std::move(item)); });
    return request;
}

void ImageLoader::deliver(quint64 request, LoadedItem item) {
    // A newer request supersedes this one: the last request wins.
    if (request != latest)
        return;
    pending = false;
    item.request = request;
    emit loaded(item);
}

quint64 ImageLoader::loadFile(const QString& path) {
    return start(path, [path]() { return ImageSource::createWithURL(path); });
}

quint64 ImageLoader::loadData(const QByteArray& bytes) {
    return start(QString(), [bytes]() { return ImageSource::createWithData(bytes); });
}
