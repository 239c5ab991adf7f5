#pragma once

#include "platform/imagesource/EncodedImageSource.h"

// OpenEXR images through the library's RGBA interface (luminance and
// chroma files included), tone-mapped to 8 bits. OpenEXR's exceptions end
// here: a damaged file decodes to nothing.
class ExrImageSource : public EncodedImageSource {
public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("com.ilm.openexr-image"); }

protected:
    QVariantMap imageProperties(int index) override;

private:
    explicit ExrImageSource(const QByteArray& bytes);
    bool readHeader() override;

    int width = 0;
    int height = 0;
    int depth = 16;
    bool hasAlpha = false;
};
