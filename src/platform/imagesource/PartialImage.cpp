#include "platform/imagesource/PartialImage.h"

#include "platform/imagesource/DecodeLimits.h"

#include <cstring>

namespace {
const QString partialKey = QStringLiteral("Partial");
}

QImage PartialImage::keepRows(QImage image, int rowsRead) {
    if (image.isNull() || rowsRead <= 0 || rowsRead >= image.height())
        return QImage();
    // A grey image grows fourfold with its alpha: within the budget, or not at all.
    const bool deep = image.depth() == 64;
    if (!DecodeLimits::allows(image.width(), image.height(), deep ? 8 : 4))
        return QImage();
    image.convertTo(deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    for (int y = rowsRead; y < image.height(); ++y)
        memset(image.scanLine(y), 0, size_t(image.bytesPerLine()));
    image.setText(partialKey, QStringLiteral("1"));
    return image;
}

void PartialImage::markCoarse(QImage& image) {
    if (!image.isNull())
        image.setText(partialKey, QStringLiteral("1"));
}

bool PartialImage::isPartial(const QImage& image) {
    return image.text(partialKey) == QLatin1String("1");
}
