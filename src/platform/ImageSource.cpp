#include "platform/ImageSource.h"

#include "platform/QtImageSource.h"

std::unique_ptr<ImageSource> ImageSource::createWithURL(const QString& path) {
    return QtImageSource::open(path, QByteArray());
}

std::unique_ptr<ImageSource> ImageSource::createWithData(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return nullptr;
    return QtImageSource::open(QString(), bytes);
}
