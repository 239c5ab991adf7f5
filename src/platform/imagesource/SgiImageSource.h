#pragma once

#include "platform/imagesource/EncodedImageSource.h"
#include "platform/imagesource/SgiDecoder.h"

// SGI images (.sgi, .rgb) through our own reader.
class SgiImageSource : public EncodedImageSource {
public:
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("com.sgi.sgi-image"); }

protected:
    QVariantMap imageProperties(int index) override;

private:
    explicit SgiImageSource(const QByteArray& bytes);
    bool readHeader() override;
    SgiDecoder::Header header;
};
