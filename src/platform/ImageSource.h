#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVariantMap>
#include <memory>

// A decoder over one file or one buffer of image bytes: how many images it
// holds, each image as decoded (orientation not applied), and their
// properties under the usual keys ("PixelWidth", "PixelHeight",
// "Orientation", ...). Created and used on one thread at a time.
class ImageSource {
public:
    virtual ~ImageSource() = default;

    // Nothing when the content is not an image any decoder recognises.
    static std::unique_ptr<ImageSource> createWithURL(const QString& path);
    static std::unique_ptr<ImageSource> createWithData(const QByteArray& bytes);

    virtual int count() const = 0;
    // A null image when the index is out of range or the data cannot be decoded.
    virtual QImage imageAtIndex(int index) = 0;
    virtual QVariantMap propertiesAtIndex(int index) = 0;
    virtual QVariantMap properties() = 0;
    // A UTI-like name of the format, "public.jpeg" and the like.
    virtual QString type() const = 0;
};
