#include "platform/imagesource/ApngImageSource.h"

#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/PngImageSource.h"

ApngImageSource::ApngImageSource(const QByteArray& bytes)
    : EncodedImageSource(bytes), decoder(bytes) {}

std::unique_ptr<ImageSource> ApngImageSource::open(const QByteArray& bytes) {
    return opened(new ApngImageSource(bytes));
}

bool ApngImageSource::readHeader() {
    return PngDecoder::readHeader(bytes, &header) && decoder.isValid();
}

QImage ApngImageSource::imageAtIndex(int index) {
    // The frames carry the colour space of the file's chunks (cICP included).
    return ColorConversion::toSRGB(decoder.frame(index));
}

QVariantMap ApngImageSource::imageProperties(int index) {
    QVariantMap map = PngImageSource::headerProperties(bytes, header);
    const double unclamped = decoder.delay(index);
    // As for GIF: delays of 10 ms and less play at 100 ms elsewhere.
    const double clamped = unclamped < 0.011 ? 0.1 : unclamped;
    map.insert(QStringLiteral("{PNG}"), QVariantMap{{QStringLiteral("DelayTime"), clamped},
                                                    {QStringLiteral("UnclampedDelayTime"), unclamped}});
    return map;
}

QVariantMap ApngImageSource::containerProperties() {
    return {{QStringLiteral("{PNG}"), QVariantMap{{QStringLiteral("LoopCount"), decoder.loopCount()},
                                                  {QStringLiteral("FrameCount"), decoder.frameCount()},
                                                  {QStringLiteral("CanvasPixelWidth"), decoder.width()},
                                                  {QStringLiteral("CanvasPixelHeight"), decoder.height()}}}};
}
