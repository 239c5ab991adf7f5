#pragma once

#include "platform/ImageSource.h"

#include <QBuffer>
#include <QImageReader>

// Qt's own readers and the image-format plugins behind the ImageSource interface.
class QtImageSource : public ImageSource {
public:
    // Nothing when no Qt reader recognises the content.
    static std::unique_ptr<QtImageSource> open(const QString& path, const QByteArray& bytes);

    int count() const override { return imageCount; }
    QImage imageAtIndex(int index) override;
    QVariantMap propertiesAtIndex(int index) override;
    QVariantMap properties() override;
    QString type() const override;

private:
    QtImageSource() = default;
    bool seek(int index);
    void restart();

    QString path;
    QByteArray bytes;
    QBuffer buffer;
    std::unique_ptr<QImageReader> reader;
    QByteArray format;
    int imageCount = 0;
    int position = 0;
    qint64 fileSize = 0;
};
