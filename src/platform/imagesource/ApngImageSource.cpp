#include "platform/imagesource/ApngImageSource.h"

#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/FrameDelay.h"
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
    map.insert(QStringLiteral("{PNG}"), FrameDelay::fromSeconds(decoder.delay(index)));
    return map;
}

QVariantMap ApngImageSource::containerProperties() {
    return {{QStringLiteral("{PNG}"), QVariantMap{{QStringLiteral("LoopCount"), decoder.loopCount()},
                                                  {QStringLiteral("FrameCount"), decoder.frameCount()},
                                                  {QStringLiteral("CanvasPixelWidth"), decoder.width()},
                                                  {QStringLiteral("CanvasPixelHeight"), decoder.height()}}}};
}
