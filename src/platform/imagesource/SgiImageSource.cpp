#include "platform/imagesource/SgiImageSource.h"

SgiImageSource::SgiImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

std::unique_ptr<ImageSource> SgiImageSource::open(const QByteArray& bytes) {
    return opened(new SgiImageSource(bytes));
}

bool SgiImageSource::readHeader() {
    return SgiDecoder::readHeader(bytes, &header);
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
