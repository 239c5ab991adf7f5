#include "platform/imagesource/JxlImageSource.h"

#include "platform/LargeImage.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/FrameDelay.h"
#include "platform/imagesource/JxlBoxes.h"

#include <atomic>
#include <cstring>
#include <mutex>

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

QImage JxlImageSource::overview(const QSize& bound) {
    const QSize size(info.width, info.height);
    const QSize fit = AreaReducer::fitted(size, bound);
    // HDR is tone-mapped over the whole image: only the full decode has it.
    if (info.hdr || fit == size)
        return ImageSource::overview(bound);
    return reduced(QRect(QPoint(), size), fit);
}

QImage JxlImageSource::reduced(const QRect& area, QSize size) {
    AreaReducer reducer = AreaReducer::scattered(area.size(), size, info.hasAlpha);
    if (reducer.isNull())
        return QImage();
    std::mutex lock; // neighbouring groups share target pixels
    QColorSpace space;
    if (!decoder->spans(
            false, false,
            [&](int x, int y, int count, const uchar* pixels) {
                const int left = std::max(x, area.left()),
                          right = std::min(x + count, area.right() + 1);
                if (y < area.top() || y > area.bottom() || left >= right)
                    return;
                const std::lock_guard<std::mutex> hold(lock);
                reducer.addSpan(left - area.left(), y - area.top(), right - left,
                                pixels + (left - x) * 4);
            },
            &space))
        return QImage();
    QImage image = reducer.result();
    image.setColorSpace(space);
    return ColorConversion::toSRGB(std::move(image));
}

QImage JxlImageSource::region(const QRect& area, int denominator) {
    if (info.hdr)
        return ImageSource::region(area, denominator);
    if (area.isEmpty() || !QRect(0, 0, info.width, info.height).contains(area) || denominator < 1)
        return QImage();
    // Reduced, the area is averaged as it comes, never held at full size.
    if (denominator > 1)
        return reduced(area, QSize((area.width() + denominator - 1) / denominator,
                                   (area.height() + denominator - 1) / denominator));
    if (!DecodeLimits::allows(area.width(), area.height(), deep() ? 8 : 4))
        return QImage();
    // The formats the full decode fills, so that the pixels come out the same.
    QImage image = LargeImage::allocate(
        area.size(), deep() ? (info.hasAlpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                            : (info.hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888));
    if (image.isNull())
        return image;
    const int pixelBytes = deep() ? 8 : 4;
    // Spans never overlap: their copies need no lock.
    QColorSpace space;
    std::atomic<qint64> copied = 0;
    if (!decoder->spans(
            deep(), false,
            [&](int x, int y, int count, const uchar* pixels) {
                const int left = std::max(x, area.left()),
                          right = std::min(x + count, area.right() + 1);
                if (y < area.top() || y > area.bottom() || left >= right)
                    return;
                std::memcpy(image.scanLine(y - area.top()) + (left - area.left()) * pixelBytes,
                            pixels + (left - x) * pixelBytes, size_t(right - left) * pixelBytes);
                copied += right - left;
            },
            &space) ||
        copied != qint64(area.width()) * area.height())
        return QImage();
    if (!deep())
        image.convertTo(info.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.setColorSpace(space);
    return ColorConversion::toSRGB(std::move(image));
}

bool JxlImageSource::streamImage(const BandSink& sink) {
    if (info.hdr)
        return false;
    // Rendered on one thread, groups come a row of them at a time from the
    // top: a window of bands a few groups tall holds every row until its
    // band is whole. A span beyond it fails the export rather than grow it.
    constexpr int bandRows = 64, bands = 12;
    const int width = info.width, height = info.height;
    if (!DecodeLimits::allowsWork(qint64(width) * bandRows * bands * 4))
        return false;
    std::vector<QImage> ring;
    for (int i = 0; i < bands; ++i) {
        ring.push_back(LargeImage::allocate(QSize(width, bandRows), QImage::Format_RGBA8888));
        if (ring.back().isNull())
            return false;
    }
    std::vector<qint64> filled(bands, 0);
    int next = 0; // the first band not yet handed on
    bool failed = false, stopped = false;
    QColorSpace space;
    const bool done = decoder->spans(
        false, true,
        [&](int x, int y, int count, const uchar* pixels) {
            const int band = y / bandRows;
            if (failed || stopped || band >= next + bands) {
                failed = !stopped;
                return;
            }
            std::memcpy(ring[size_t(band % bands)].scanLine(y % bandRows) + x * 4, pixels,
                        size_t(count) * 4);
            filled[size_t(band % bands)] += count;
            while (!stopped && next * bandRows < height) {
                const int rows = std::min(bandRows, height - next * bandRows);
                const size_t slot = size_t(next % bands);
                if (filled[slot] < qint64(rows) * width)
                    break;
                QImage out = ring[slot]
                                 .copy(0, 0, width, rows)
                                 .convertToFormat(info.hasAlpha ? QImage::Format_ARGB32
                                                                : QImage::Format_RGB32);
                out.setColorSpace(space);
                stopped = !sink(ColorConversion::toSRGB(std::move(out)));
                filled[slot] = 0;
                ++next;
            }
        },
        &space);
    return done && !failed && !stopped && next * bandRows >= height;
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
