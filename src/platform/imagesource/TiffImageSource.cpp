#include "platform/imagesource/TiffImageSource.h"

#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/TiffDecoder.h"

#include <QColorSpace>

TiffImageSource::TiffImageSource(const EncodedBytes& input) : EncodedImageSource(input) {}

std::unique_ptr<ImageSource> TiffImageSource::open(const QByteArray& bytes) {
    return opened(new TiffImageSource(bytes));
}

std::unique_ptr<ImageSource> TiffImageSource::openStreamed(const EncodedBytes& file) {
    return opened(new TiffImageSource(file));
}

bool TiffImageSource::readHeader() {
    pages = TiffDecoder::pageCount(input);
    return pages >= 1;
}

QImage TiffImageSource::imageAtIndex(int index) {
    if (index < 0 || index >= pages)
        return QImage();
    return ColorConversion::toSRGB(TiffDecoder::decode(input, index));
}

QImage TiffImageSource::overview(const QSize& bound) {
    return ColorConversion::toSRGB(TiffDecoder::decodeReduced(input, 0, bound));
}

QImage TiffImageSource::region(const QRect& area, int denominator) {
    return ColorConversion::toSRGB(TiffDecoder::decodeRegion(input, 0, area, denominator));
}

QVariantMap TiffImageSource::imageProperties(int index) {
    TiffDecoder::Page page;
    if (!TiffDecoder::describe(input, index, &page))
        return QVariantMap();
    QVariantMap map = describe(page.size.width(), page.size.height(), page.bitsPerSample, page.colorModel,
                               page.hasAlpha);
    // Each page's own tags: the file's metadata speaks for the first page only.
    map.insert(QStringLiteral("Orientation"), page.orientation);
    if (page.dpiX > 0.0 && page.dpiY > 0.0) {
        map.insert(QStringLiteral("DPIWidth"), page.dpiX);
        map.insert(QStringLiteral("DPIHeight"), page.dpiY);
    }
    if (!page.iccProfile.isEmpty()) {
        const QString name = QColorSpace::fromIccProfile(page.iccProfile).description();
        if (!name.isEmpty())
            map.insert(QStringLiteral("ProfileName"), name);
    }
    return map;
}

bool TiffImageSource::streamImage(const BandSink& sink) {
    const auto srgb = [&](const QImage& band) { return sink(ColorConversion::toSRGB(band)); };
    return TiffDecoder::decodeBands(input, 0, srgb);
}
