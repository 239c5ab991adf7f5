#include "platform/imagesource/RowImageSource.h"

#include "platform/Cancellation.h"
#include "platform/LargeImage.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/DecodeLimits.h"

#include <cstring>
#include <vector>

RowImageSource::RowImageSource(const EncodedBytes& input, std::unique_ptr<RowDecoder> decoder)
    : EncodedImageSource(input), decoder(std::move(decoder)) {}

std::unique_ptr<ImageSource> RowImageSource::open(const EncodedBytes& input,
                                                  RowDecoder::Format format) {
    return open(input, RowDecoder::open(input, format));
}

std::unique_ptr<ImageSource> RowImageSource::open(const EncodedBytes& input,
                                                  std::unique_ptr<RowDecoder> decoder) {
    if (!decoder)
        return nullptr;
    return opened(new RowImageSource(input, std::move(decoder)));
}

QImage RowImageSource::imageAtIndex(int index) {
    const QSize size = decoder->size();
    if (index != 0 || !DecodeLimits::allows(size.width(), size.height(), 4))
        return QImage();
    return region(QRect(QPoint(), size));
}

bool RowImageSource::readRows(int top, int rows, int left, int columns,
                              const std::function<bool(int y, const uchar* row)>& row) {
    const qint64 rowBytes = qint64(columns) * 4;
    if (!DecodeLimits::allowsWork(rowBytes))
        return false;
    std::vector<uchar> buffer(static_cast<size_t>(rowBytes));
    for (int y = top; y < top + rows; ++y) {
        if (!decoder->readRow(y, left, columns, buffer.data()) || !row(y, buffer.data()))
            return false;
        if ((y & 63) == 0 && Cancellation::requested())
            return false;
    }
    return true;
}

QImage RowImageSource::reduced(const QRect& area, QSize to) {
    if (!DecodeLimits::allows(to.width(), to.height(), 4))
        return QImage();
    const QImage::Format format = decoder->format();
    if (to == area.size()) {
        QImage image = LargeImage::allocate(to, format);
        if (image.isNull())
            return image;
        const size_t bytes = size_t(area.width()) * (format == QImage::Format_Grayscale8 ? 1 : 4);
        const bool read = readRows(area.top(), area.height(), area.left(), area.width(),
                                   [&](int y, const uchar* row) {
                                       memcpy(image.scanLine(y - area.top()), row, bytes);
                                       return true;
                                   });
        return read ? image : QImage();
    }
    AreaReducer reducer(area.size(), to, format);
    if (reducer.isNull())
        return QImage();
    const bool read =
        readRows(area.top(), area.height(), area.left(), area.width(), [&](int, const uchar* row) {
            reducer.addRow(row);
            return true;
        });
    return read ? reducer.result() : QImage();
}

QImage RowImageSource::overview(const QSize& bound) {
    const QSize size = decoder->size();
    return reduced(QRect(QPoint(), size), AreaReducer::fitted(size, bound));
}

QImage RowImageSource::region(const QRect& area, int denominator) {
    if (area.isEmpty() || !QRect(QPoint(), decoder->size()).contains(area) || denominator < 1)
        return QImage();
    return reduced(area, QSize((area.width() + denominator - 1) / denominator,
                               (area.height() + denominator - 1) / denominator));
}

bool RowImageSource::streamImage(const BandSink& sink) {
    const QSize size = decoder->size();
    const QImage::Format format = decoder->format();
    const int bytesPerRow = size.width() * (format == QImage::Format_Grayscale8 ? 1 : 4);
    const int bandRows = std::min(64, size.height()); // as PNG hands them over
    QImage band = LargeImage::allocate(QSize(size.width(), bandRows), format);
    if (band.isNull())
        return false;
    int filled = 0;
    const bool read = readRows(0, size.height(), 0, size.width(), [&](int y, const uchar* row) {
        memcpy(band.scanLine(filled++), row, size_t(bytesPerRow));
        if (filled < bandRows && y + 1 < size.height())
            return true;
        const bool more = sink(filled == bandRows ? band : band.copy(0, 0, size.width(), filled));
        filled = 0;
        return more;
    });
    return read;
}

QVariantMap RowImageSource::imageProperties(int) {
    const QSize size = decoder->size();
    QVariantMap map = describe(size.width(), size.height(), decoder->depth(), decoder->colorModel(),
                               decoder->hasAlpha());
    if (decoder->isFloat())
        map.insert(QStringLiteral("IsFloat"), true);
    return map;
}
