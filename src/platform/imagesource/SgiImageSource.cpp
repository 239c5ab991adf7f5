#include "platform/imagesource/SgiImageSource.h"

SgiImageSource::SgiImageSource(const QByteArray& bytes, const SgiDecoder::Header& header)
    : EncodedImageSource(bytes), header(header) {}

std::unique_ptr<ImageSource> SgiImageSource::open(const QByteArray& bytes) {
    SgiDecoder::Header header;
    if (!SgiDecoder::readHeader(bytes, &header))
        return nullptr;
    return std::unique_ptr<ImageSource>(new SgiImageSource(bytes, header));
}

QImage SgiImageSource::imageAtIndex(int index) {
    if (index != 0)
        return QImage();
    return SgiDecoder::decode(bytes);
}

QVariantMap SgiImageSource::imageProperties(int) {
    const bool gray = header.channels <= 2;
    return describe(header.width, header.height, header.bytesPerChannel * 8,
                    gray ? QStringLiteral("Gray") : QStringLiteral("RGB"),
                    header.channels == 2 || header.channels == 4);
}
