#pragma once

#include "platform/imagesource/ApngDecoder.h"
#include "platform/imagesource/EncodedImageSource.h"
#include "platform/imagesource/PngDecoder.h"

// Animated PNG: the composited frames of our own reader, with their delays
// in the "{PNG}" group. Still PNGs go to PngImageSource.
class ApngImageSource : public EncodedImageSource {
public:
    // Nothing unless the bytes are an animation the reader can play.
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);

    int count() const override { return decoder.frameCount(); }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("public.png"); }

protected:
    QVariantMap imageProperties(int index) override;
    QVariantMap containerProperties() override;

private:
    explicit ApngImageSource(const QByteArray& bytes);
    bool readHeader() override;
    ApngDecoder decoder;
    PngDecoder::Header header;
};
