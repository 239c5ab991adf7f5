#include "platform/imagesource/FaxImageSource.h"

#include "platform/imagesource/FaxDecoder.h"

FaxImageSource::FaxImageSource(const QByteArray& bytes, bool raw)
    : EncodedImageSource(bytes), raw(raw) {}

std::unique_ptr<ImageSource> FaxImageSource::openTiff(const QByteArray& bytes) {
    return opened(new FaxImageSource(bytes, false));
}

std::unique_ptr<ImageSource> FaxImageSource::openRaw(const QByteArray& bytes) {
    return opened(new FaxImageSource(bytes, true));
}

bool FaxImageSource::readHeader() {
    if (!raw) {
        pages = FaxDecoder::pageCount(bytes);
        return pages >= 1;
    }
    // Headerless data tells its height only by being decoded, so the page is
    // decoded at once (a fax page is small).
    rawPage = FaxDecoder::decodeRawG3(bytes);
    pages = rawPage.isNull() ? 0 : 1;
    return pages == 1;
}

QImage FaxImageSource::imageAtIndex(int index) {
    if (index < 0 || index >= pages)
        return QImage();
    if (!rawPage.isNull())
        return rawPage;
    return FaxDecoder::decodePage(bytes, index);
}

QString FaxImageSource::type() const {
    return rawPage.isNull() ? QStringLiteral("public.tiff") : QStringLiteral("public.fax");
}

QVariantMap FaxImageSource::imageProperties(int index) {
    if (!rawPage.isNull())
        return describe(rawPage.width(), rawPage.height(), 1, QStringLiteral("Gray"), false);
    double dpiX = 0.0, dpiY = 0.0;
    int orientation = 1;
    const QSize size = FaxDecoder::pageSize(bytes, index, &dpiX, &dpiY, &orientation);
    if (!size.isValid())
        return QVariantMap();
    QVariantMap map = describe(size.width(), size.height(), 1, QStringLiteral("Gray"), false);
    // Each page's own tag: the file's metadata speaks for the first page only.
    map.insert(QStringLiteral("Orientation"), orientation);
    if (dpiX > 0.0 && dpiY > 0.0) {
        map.insert(QStringLiteral("DPIWidth"), dpiX);
        map.insert(QStringLiteral("DPIHeight"), dpiY);
    }
    return map;
}
