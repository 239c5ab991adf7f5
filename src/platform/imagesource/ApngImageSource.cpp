#include "platform/imagesource/ApngImageSource.h"

#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/PngChunks.h"

ApngImageSource::ApngImageSource(const QByteArray& bytes) : EncodedImageSource(bytes), decoder(bytes) {}

std::unique_ptr<ImageSource> ApngImageSource::open(const QByteArray& bytes) {
    std::unique_ptr<ApngImageSource> source(new ApngImageSource(bytes));
    if (!source->decoder.isValid())
        return nullptr;
    return source;
}

QImage ApngImageSource::imageAtIndex(int index) {
    QImage frame = decoder.frame(index);
    int primaries = 0, transfer = 0;
    if (!frame.isNull() && PngChunks::cicp(bytes, PngChunks::read(bytes), &primaries, &transfer)) {
        const QColorSpace space = ColorConversion::fromCicp(primaries, transfer);
        if (space.isValid())
            frame.setColorSpace(space);
    }
    return ColorConversion::toSRGB(std::move(frame));
}

QVariantMap ApngImageSource::imageProperties(int index) {
    QVariantMap map = describe(decoder.width(), decoder.height(), decoder.bitDepth(), QStringLiteral("RGB"),
                               decoder.hasAlpha());
    const QList<PngChunks::Chunk> chunks = PngChunks::read(bytes);
    const double dpiX = PngChunks::dpi(bytes, chunks, false), dpiY = PngChunks::dpi(bytes, chunks, true);
    if (dpiX > 0.0 && dpiY > 0.0) {
        map.insert(QStringLiteral("DPIWidth"), dpiX);
        map.insert(QStringLiteral("DPIHeight"), dpiY);
    }
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
