#include "platform/imagesource/PngImageSource.h"

#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/PngChunks.h"

PngImageSource::PngImageSource(const EncodedBytes& input) : EncodedImageSource(input) {}

std::unique_ptr<ImageSource> PngImageSource::open(const QByteArray& bytes) {
    return opened(new PngImageSource(bytes));
}

std::unique_ptr<ImageSource> PngImageSource::openStreamed(const EncodedBytes& file) {
    return opened(new PngImageSource(file));
}

bool PngImageSource::readHeader() {
    return PngDecoder::readHeader(bytes, &header);
}

QImage PngImageSource::imageAtIndex(int index) {
    if (index != 0)
        return QImage();
    return ColorConversion::toSRGB(PngDecoder::decode(input));
}

QImage PngImageSource::overview(const QSize& bound) {
    return ColorConversion::toSRGB(PngDecoder::decodeReduced(input, bound));
}

QImage PngImageSource::region(const QRect& area, int denominator) {
    return ColorConversion::toSRGB(PngDecoder::decodeRegion(input, area, denominator));
}

QVariantMap PngImageSource::headerProperties(const QByteArray& bytes,
                                             const PngDecoder::Header& header) {
    const bool gray = header.colorType == 0 || header.colorType == 4;
    // A palette's entries are 8-bit colours whatever the width of its indices.
    const int depth = header.colorType == 3 ? 8 : header.bitDepth;
    QVariantMap map =
        describe(header.width, header.height, depth,
                 gray ? QStringLiteral("Gray") : QStringLiteral("RGB"), header.transparency);
    const QList<PngChunks::Chunk> chunks = PngChunks::read(bytes);
    const double dpiX = PngChunks::dpi(bytes, chunks, false),
                 dpiY = PngChunks::dpi(bytes, chunks, true);
    if (dpiX > 0.0 && dpiY > 0.0) {
        map.insert(QStringLiteral("DPIWidth"), dpiX);
        map.insert(QStringLiteral("DPIHeight"), dpiY);
    }
    return map;
}

QVariantMap PngImageSource::imageProperties(int) {
    return headerProperties(bytes, header);
}

bool PngImageSource::streamImage(const BandSink& sink) {
    const auto srgb = [&](const QImage& band) { return sink(ColorConversion::toSRGB(band)); };
    return PngDecoder::decodeBands(input, srgb);
}
