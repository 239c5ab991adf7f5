#include "platform/imagesource/WebpImageSource.h"

#include "platform/LargeImage.h"

#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/FrameDelay.h"
#include "platform/imagesource/PartialImage.h"

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

WebPData dataOf(const QByteArray& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

// Releases the demuxer when it goes out of scope.
struct Demuxer {
    Demuxer(const WebPData& data, WebPDemuxState* state) : demux(WebPDemuxPartial(&data, state)) {}
    ~Demuxer() {
        if (demux)
            WebPDemuxDelete(demux);
    }
    WebPDemuxer* demux;
};

QColorSpace iccOf(WebPDemuxer* demux) {
    if (!(WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG))
        return QColorSpace();
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demux, "ICCP", 1, &chunk))
        return QColorSpace();
    const QColorSpace space = QColorSpace::fromIccProfile(
        QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes), qsizetype(chunk.chunk.size)));
    WebPDemuxReleaseChunkIterator(&chunk);
    return space;
}

// The rows of a still whose data ends early, decoded into `image` (the
// config's output), the rest transparent and marked; null without a row.
QImage decodeTruncated(QImage image, WebPDecoderConfig* config, const uint8_t* data, size_t size) {
    // The incremental decoder stops where the data does and says how many
    // rows it finished; one thread, so that the count is settled when asked.
    config->options.use_threads = 0;
    WebPIDecoder* decoder = WebPIDecode(nullptr, 0, config);
    if (!decoder)
        return QImage();
    const VP8StatusCode status = WebPIUpdate(decoder, data, size);
    int rows = 0;
    if (status != VP8_STATUS_SUSPENDED ||
        !WebPIDecGetRGB(decoder, &rows, nullptr, nullptr, nullptr))
        rows = 0;
    WebPIDelete(decoder);
    WebPFreeDecBuffer(&config->output);
    if (status == VP8_STATUS_OK)
        return image; // the chunk ended early, but not its image data
    return PartialImage::keepRows(std::move(image), rows);
}

} // namespace

bool WebpImageSource::claims(const QByteArray& bytes) {
    return bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP";
}

WebpImageSource::WebpImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

WebpImageSource::~WebpImageSource() {
    if (animation)
        WebPAnimDecoderDelete(animation);
}

std::unique_ptr<ImageSource> WebpImageSource::open(const QByteArray& bytes) {
    return claims(bytes) ? opened(new WebpImageSource(bytes)) : nullptr;
}

bool WebpImageSource::readHeader() {
    // A file whose chunks run past its end is read as far as its headers go:
    // a still then shows the rows its data holds; a truncated animation is
    // damaged, as its frames' offsets and delays cannot all be known.
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const Demuxer demuxer(dataOf(bytes), &state);
    if (!demuxer.demux || state < WEBP_DEMUX_PARSED_HEADER)
        return false;
    WebPDemuxer* demux = demuxer.demux;
    const uint32_t flags = WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS);
    width = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH));
    height = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT));
    if (!DecodeLimits::allowsSize(width, height))
        return false;
    animated = flags & ANIMATION_FLAG;
    truncated = state != WEBP_DEMUX_DONE;
    if (animated && truncated)
        return false;
    loopCount = int(WebPDemuxGetI(demux, WEBP_FF_LOOP_COUNT));
    colorSpace = iccOf(demux);
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux, 1, &frame))
        return false;
    // A still is decoded at its canvas size: a canvas that claims more than
    // the image holds is refused before that memory is taken.
    if (!animated && (frame.width != width || frame.height != height)) {
        WebPDemuxReleaseIterator(&frame);
        return false;
    }
    if (frame.x_offset == 0 && frame.y_offset == 0 && frame.width == width &&
        frame.height == height) {
        firstOffset = reinterpret_cast<const char*>(frame.fragment.bytes) - bytes.constData();
        firstSize = qsizetype(frame.fragment.size);
    }
    do {
        delays.append(frame.duration);
        hasAlpha = hasAlpha || frame.has_alpha;
        // A file claiming millions of frames is a lie; nothing real comes near.
        if (delays.size() > 100000) {
            WebPDemuxReleaseIterator(&frame);
            return false;
        }
    } while (WebPDemuxNextFrame(&frame));
    WebPDemuxReleaseIterator(&frame);
    return true;
}

QImage WebpImageSource::imageAtIndex(int index) {
    if (index < 0 || index >= count())
        return QImage();
    QImage image = animated ? decodeFrame(index) : decodeStill();
    if (image.isNull())
        return image;
    image.setColorSpace(colorSpace);
    return ColorConversion::toSRGB(std::move(image));
}

QImage WebpImageSource::decodeStill(QSize scaled, const QRect& crop) {
    const QSize source = crop.isEmpty() ? QSize(width, height) : crop.size();
    const int w = scaled.isValid() ? scaled.width() : source.width();
    const int h = scaled.isValid() ? scaled.height() : source.height();
    // Lossy data with alpha keeps a plane of it while decoding.
    if (!DecodeLimits::allows(w, h, 4, 1))
        return QImage();
    QImage image = LargeImage::allocate(QSize(w, h), hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return image;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return QImage();
    // Qt's 32-bit formats are B, G, R, A in memory on little-endian machines.
    config.output.colorspace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());
    config.options.use_threads = 1;
    if (!crop.isEmpty()) {
        config.options.use_cropping = 1;
        config.options.crop_left = crop.left();
        config.options.crop_top = crop.top();
        config.options.crop_width = crop.width();
        config.options.crop_height = crop.height();
    }
    if (scaled.isValid()) {
        config.options.use_scaling = 1;
        config.options.scaled_width = w;
        config.options.scaled_height = h;
    }
    // An animation's first frame, on its own.
    const char* data = bytes.constData() + (animated ? firstOffset : 0);
    const size_t size = size_t(animated ? firstSize : bytes.size());
    if (truncated) {
        // Only the whole decode keeps what a damaged still holds, as for
        // PNG: a scaled or cropped one gives nothing.
        if (scaled.isValid() || !crop.isEmpty())
            return QImage();
        return decodeTruncated(std::move(image), &config, reinterpret_cast<const uint8_t*>(data),
                               size);
    }
    const VP8StatusCode status = WebPDecode(reinterpret_cast<const uint8_t*>(data), size, &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK ? image : QImage();
}

QImage WebpImageSource::decodeFrame(int index) {
    // The library keeps the canvas and the previous one while compositing.
    if (!DecodeLimits::allows(width, height, 4, 8))
        return QImage();
    if (!animation) {
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            return QImage();
        options.color_mode = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;
        options.use_threads = 1;
        const WebPData data = dataOf(bytes);
        animation = WebPAnimDecoderNew(&data, &options);
        if (!animation)
            return QImage();
        nextFrame = 0;
    }
    // Frames build on the ones before them: going back starts over.
    if (index < nextFrame) {
        WebPAnimDecoderReset(animation);
        nextFrame = 0;
    }
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    while (nextFrame <= index) {
        if (!WebPAnimDecoderHasMoreFrames(animation) ||
            !WebPAnimDecoderGetNext(animation, &canvas, &timestamp)) {
            // A damaged frame: start afresh next time rather than stay stuck.
            WebPAnimDecoderReset(animation);
            nextFrame = 0;
            return QImage();
        }
        ++nextFrame;
    }
    const QImage wrapped(canvas, width, height, qsizetype(width) * 4, QImage::Format_ARGB32);
    return wrapped.copy(); // the canvas is the decoder's, overwritten by the next frame
}

QImage WebpImageSource::reducedImage(int maxPixelSize) {
    if (animated || maxPixelSize <= 0 || std::max(width, height) <= maxPixelSize)
        return imageAtIndex(0);
    // libwebp scales while it decodes, without the full-size image.
    const QSize scaled = QSize(width, height)
                             .scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio)
                             .expandedTo(QSize(1, 1));
    QImage image = decodeStill(scaled);
    if (image.isNull())
        return image;
    image.setColorSpace(colorSpace);
    return ColorConversion::toSRGB(std::move(image));
}

QImage WebpImageSource::overview(const QSize& bound) {
    if (animated && (firstSize == 0 || DecodeLimits::allows(width, height, 4, 8)))
        return ImageSource::overview(bound);
    const QSize fit = AreaReducer::fitted(QSize(width, height), bound);
    QImage image = decodeStill(fit == QSize(width, height) ? QSize() : fit);
    if (image.isNull())
        return image;
    image.setColorSpace(colorSpace);
    return ColorConversion::toSRGB(std::move(image));
}

QImage WebpImageSource::region(const QRect& area, int denominator) {
    if (animated && (firstSize == 0 || DecodeLimits::allows(width, height, 4, 8)))
        return ImageSource::region(area, denominator);
    if (area.isEmpty() || !QRect(0, 0, width, height).contains(area) || denominator < 1)
        return QImage();
    // libwebp starts a lossy crop on even pixels and upsamples its chroma at
    // the crop's edges as at the image's: a band a block wider all round
    // has the full decode's pixels over the area.
    constexpr int margin = 16;
    const QRect band =
        area.adjusted(-margin, -margin, margin, margin).intersected(QRect(0, 0, width, height));
    const QRect even(band.left() & ~1, band.top() & ~1, band.width() + (band.left() & 1),
                     band.height() + (band.top() & 1));
    QImage image = decodeStill(QSize(), even);
    if (image.isNull())
        return image;
    image = image.copy(area.translated(-even.topLeft()));
    image.setColorSpace(colorSpace);
    image = ColorConversion::toSRGB(std::move(image));
    const QSize size((area.width() + denominator - 1) / denominator,
                     (area.height() + denominator - 1) / denominator);
    return AreaReducer::averaged(std::move(image), size);
}

QVariantMap WebpImageSource::imageProperties(int index) {
    QVariantMap map = describe(width, height, 8, QStringLiteral("RGB"), hasAlpha);
    if (colorSpace.isValid() && !colorSpace.description().isEmpty())
        map.insert(QStringLiteral("ProfileName"), colorSpace.description());
    if (animated) {
        QVariantMap webp = FrameDelay::dictionary(delays.at(index));
        webp.insert(QStringLiteral("CanvasPixelWidth"), width);
        webp.insert(QStringLiteral("CanvasPixelHeight"), height);
        map.insert(QStringLiteral("{WebP}"), webp);
    }
    return map;
}

QVariantMap WebpImageSource::containerProperties() {
    if (!animated)
        return QVariantMap();
    return {
        {QStringLiteral("{WebP}"), QVariantMap{{QStringLiteral("LoopCount"), loopCount},
                                               {QStringLiteral("FrameCount"), int(delays.size())},
                                               {QStringLiteral("CanvasPixelWidth"), width},
                                               {QStringLiteral("CanvasPixelHeight"), height}}}};
}
