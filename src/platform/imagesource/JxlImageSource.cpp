#include "platform/imagesource/JxlImageSource.h"

#include "platform/imagesource/FrameDelay.h"
#include "platform/imagesource/JxlBoxes.h"

bool JxlImageSource::claims(const QByteArray& bytes) {
    return JxlBoxes::isCodestream(bytes) || JxlBoxes::isContainer(bytes);
}

JxlImageSource::JxlImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

JxlImageSource::~JxlImageSource() = default;

std::unique_ptr<ImageSource> JxlImageSource::open(const QByteArray& bytes) {
    return claims(bytes) ? opened(new JxlImageSource(bytes)) : nullptr;
}

bool JxlImageSource::readHeader() {
    const std::optional<JxlFrameDecoder::Info> scanned = JxlFrameDecoder::scan(bytes);
    if (!scanned)
        return false;
    info = *scanned;
    decoder = std::make_unique<JxlFrameDecoder>(bytes, info);
    return true;
}

QImage JxlImageSource::imageAtIndex(int index) {
    if (index < 0 || index >= count())
        return QImage();
    return decoder->frame(index);
}

QImage JxlImageSource::firstLook() {
    if (info.animated || qint64(info.width) * info.height < firstLookPixels)
        return QImage();
    return decoder->dcPass();
}

QVariantMap JxlImageSource::imageProperties(int index) {
    QVariantMap map =
        describe(info.width, info.height, info.bitsPerSample,
                 info.gray ? QStringLiteral("Gray") : QStringLiteral("RGB"), info.hasAlpha);
    // Sizes are of the image as displayed: the orientation is applied.
    map.insert(QStringLiteral("Orientation"), 1);
    if (info.isFloat)
        map.insert(QStringLiteral("IsFloat"), true);
    if (!info.profileName.isEmpty())
        map.insert(QStringLiteral("ProfileName"), info.profileName);
    if (info.animated)
        map.insert(QStringLiteral("{JXL}"), FrameDelay::dictionary(info.delays.at(index)));
    return map;
}

QVariantMap JxlImageSource::containerProperties() {
    if (!info.animated)
        return QVariantMap();
    return {
        {QStringLiteral("{JXL}"), QVariantMap{{QStringLiteral("LoopCount"), info.loopCount},
                                              {QStringLiteral("FrameCount"), count()},
                                              {QStringLiteral("CanvasPixelWidth"), info.width},
                                              {QStringLiteral("CanvasPixelHeight"), info.height}}}};
}

const ExifProperties& JxlImageSource::metadata(int) {
    if (!boxMetadata) {
        const JxlBoxes boxes = JxlBoxes::read(bytes);
        boxMetadata = ExifProperties::readBlocks(boxes.exif, boxes.xmp);
    }
    return *boxMetadata;
}
