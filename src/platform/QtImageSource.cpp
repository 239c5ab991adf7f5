#include "platform/QtImageSource.h"

#include "platform/Cancellation.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/FrameDelay.h"
#include "platform/imagesource/GifAnimation.h"
#include "platform/imagesource/JpegDecoder.h"
#include "platform/imagesource/JpegSegments.h"
#include "platform/imagesource/PartialImage.h"

#include <QHash>
#include <cmath>

namespace {

QString typeForFormat(const QByteArray& format) {
    static const QHash<QByteArray, QString> types = {
        {"jpeg", QStringLiteral("public.jpeg")},  {"jpg", QStringLiteral("public.jpeg")},
        {"png", QStringLiteral("public.png")},    {"gif", QStringLiteral("com.compuserve.gif")},
        {"bmp", QStringLiteral("com.microsoft.bmp")}, {"ico", QStringLiteral("com.microsoft.ico")},
        {"cur", QStringLiteral("com.microsoft.cur")}, {"tiff", QStringLiteral("public.tiff")},
        {"tif", QStringLiteral("public.tiff")},   {"icns", QStringLiteral("com.apple.icns")},
        {"webp", QStringLiteral("org.webmproject.webp")}, {"tga", QStringLiteral("com.truevision.tga-image")},
        {"pbm", QStringLiteral("public.pbm")},    {"pgm", QStringLiteral("public.pgm")},
        {"ppm", QStringLiteral("public.ppm")},    {"xbm", QStringLiteral("public.xbitmap-image")},
        {"xpm", QStringLiteral("public.xpixmap-image")},
    };
    return types.value(format, QStringLiteral("public.image"));
}

int bytesPerPixel(QImage::Format format) {
    if (format == QImage::Format_Invalid)
        return 4; // the reader does not say before decoding: assume 32-bit
    return std::max(1, QImage::toPixelFormat(format).bitsPerPixel() / 8);
}

// Bits per sample, colour model and alpha of the format a reader announces.
QVariantMap describeFormat(const QSize& size, QImage::Format format) {
    int depth = 8;
    QString model = QStringLiteral("RGB");
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        depth = 1;
        model = QStringLiteral("Gray");
        break;
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
        model = QStringLiteral("Gray");
        break;
    case QImage::Format_Grayscale16:
        depth = 16;
        model = QStringLiteral("Gray");
        break;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
        depth = 16;
        break;
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        depth = 32;
        break;
    default:
        break;
    }
    const bool alpha = format != QImage::Format_Invalid && QImage::toPixelFormat(format).alphaUsage() ==
                                                             QPixelFormat::UsesAlpha;
    QVariantMap map = EncodedImageSource::describe(size.width(), size.height(), depth, model, alpha);
    if (format == QImage::Format_Invalid) {
        map.remove(QStringLiteral("Depth"));
        map.remove(QStringLiteral("HasAlpha"));
    }
    return map;
}

// Whether an uncompressed BMP holds all the rows its header announces; Qt's
// reader would show the missing ones black.
bool bmpIsWhole(const QByteArray& bytes) {
    if (bytes.size() < 34)
        return false;
    auto le = [&](int at, int size) {
        quint32 v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | uchar(bytes.at(at + i));
        return v;
    };
    const quint32 compression = le(30, 4);
    if (le(14, 4) < 40 || (compression != 0 && compression != 3))
        return true; // old headers and compressed data: Qt's reader judges
    const qint64 width = qint32(le(18, 4));
    const qint64 height = std::abs(qint64(qint32(le(22, 4))));
    const qint64 rowBytes = (qint64(le(28, 2)) * width + 31) / 32 * 4;
    return qint64(le(10, 4)) + rowBytes * height <= bytes.size();
}

// What Qt's reader made of a GIF frame the data ends in: the rows it
// decoded, the rest transparent rather than its black or background, or all
// of an interlaced frame whose first pass it filled in, coarse; null
// without a row.
QImage cutFrame(QImage image, const GifAnimation::Cut& cut) {
    if (cut.whole())
        return image;
    const int rows = cut.rowsShown();
    if (rows <= 0)
        return QImage();
    if (cut.coarse())
        PartialImage::markCoarse(image);
    else if (cut.top + rows < image.height()) // else all it shows decoded
        image = PartialImage::keepRows(std::move(image), cut.top + rows);
    return image;
}

} // namespace

QtImageSource::QtImageSource(const QByteArray& bytes, const QByteArray& format)
    : EncodedImageSource(bytes), format(format) {}

std::unique_ptr<QtImageSource> QtImageSource::open(const QByteArray& bytes, const QByteArray& format) {
    return opened(new QtImageSource(bytes, format));
}

bool QtImageSource::readHeader() {
    restart();
    // Content decides; a reader that cannot read the header is no source at all.
    if (!reader->canRead())
        return false;
    format = reader->format();
    if (format == "svg" || format == "svgz")
        return false; // vector files are not among the viewer's images
    if (format == "png")
        return false; // PNG goes through libpng itself (PngImageSource), damaged or not
    if (format == "webp")
        return false; // and WebP through libwebp (WebpImageSource)
    const int count = reader->imageCount();
    imageCount = count > 0 ? count : 1;
    if (format == "gif") {
        const GifAnimation gif = GifAnimation::read(bytes);
        gifDelays = gif.delays;
        gifLoopCount = gif.loopCount;
        gifComplete = gif.complete;
        gifCut = gif.cut;
    }
    return true;
}

void QtImageSource::restart() {
    reader.reset();
    buffer.close();
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    reader = std::make_unique<QImageReader>(&buffer, format);
    reader->setAutoTransform(false);
    position = 0;
}

bool QtImageSource::seek(int index) {
    if (index < 0 || index >= imageCount)
        return false;
    if (index == position)
        return true;
    if (reader->jumpToImage(index)) {
        position = index;
        return true;
    }
    // Sequential formats (GIF) only move forward: start again and read on.
    if (index < position)
        restart();
    while (position < index) {
        if (!reader->jumpToNextImage()) {
            QImage skipped;
            if (!reader->read(&skipped))
                return false;
        }
        ++position;
    }
    return true;
}

QImage QtImageSource::imageAtIndex(int index) {
    if (format == "jpeg" && index == 0) {
        bool unsupported = false;
        QImage image = JpegDecoder::decode(bytes, 1, &unsupported);
        if (!unsupported)
            return ColorConversion::toSRGB(std::move(image));
    }
    if (!seek(index))
        return QImage();
    // Files that end early are damaged, not shown with grey or black rows; a
    // GIF cut in its first frame shows what of it decoded. A later frame cut
    // short is left out, so that the animation plays the frames before it.
    const bool cutGif = format == "gif" && !gifComplete && index >= gifDelays.size();
    if ((cutGif && (index > 0 || !gifCut)) || (format == "bmp" && !bmpIsWhole(bytes)))
        return QImage();
    // The header's claim is checked before the reader allocates anything.
    const QSize size = reader->size();
    if (size.isValid() && !DecodeLimits::allows(size.width(), size.height(), bytesPerPixel(reader->imageFormat()))) {
        restart();
        return QImage();
    }
    QImage image;
    if (!reader->read(&image) || image.isNull()) {
        restart();
        return QImage();
    }
    ++position;
    if (cutGif)
        image = cutFrame(std::move(image), *gifCut);
    return ColorConversion::toSRGB(std::move(image));
}

QImage QtImageSource::overview(const QSize& bound) {
    bool unsupported = true;
    if (format == "jpeg") {
        QImage image = JpegDecoder::decodeReduced(bytes, bound, &unsupported);
        if (!unsupported)
            return ColorConversion::toSRGB(std::move(image));
    }
    return ImageSource::overview(bound);
}

QImage QtImageSource::region(const QRect& area, int denominator) {
    bool unsupported = true;
    if (format == "jpeg") {
        // Whoever asks for parts of an image too large to decode whole asks
        // for many: the index pays off from the second.
        const QSize size = reader->size();
        if (!scanIndexTried && size.isValid() &&
            !DecodeLimits::allows(size.width(), size.height(), 4))
            prepareRegions();
        QImage image = JpegDecoder::decodeRegion(bytes, area, denominator, &unsupported,
                                                 scanIndex ? &*scanIndex : nullptr);
        if (!unsupported)
            return ColorConversion::toSRGB(std::move(image));
    }
    return ImageSource::region(area, denominator);
}

bool QtImageSource::streamImage(const BandSink& sink) {
    return format == "jpeg" && JpegDecoder::decodeBands(bytes, [&](const QImage& band) {
               return sink(ColorConversion::toSRGB(band));
           });
}

void QtImageSource::prepareRegions() {
    if (format != "jpeg" || scanIndexTried)
        return;
    scanIndex = JpegScanIndex::build(bytes);
    // Cancelled, it may be asked again; otherwise the answer stands.
    scanIndexTried = scanIndex || !Cancellation::requested();
}

QImage QtImageSource::reducedImage(int maxPixelSize) {
    if (format != "jpeg" || maxPixelSize <= 0)
        return imageAtIndex(0);
    // JPEG decodes at 1/2, 1/4 or 1/8 scale for little more than the
    // entropy decoding, so a thumbnail need not decode every pixel.
    restart();
    const QSize full = reader->size();
    int denominator = 8;
    while (denominator > 1 && std::max(full.width(), full.height()) / denominator < maxPixelSize)
        denominator /= 2;
    bool unsupported = false;
    QImage reduced = JpegDecoder::decode(bytes, denominator, &unsupported);
    if (!unsupported)
        return ColorConversion::toSRGB(std::move(reduced));
    const QSize size = reader->size();
    if (!size.isValid() || !DecodeLimits::allows(size.width(), size.height(), 4))
        return QImage();
    const QSize scaled = size.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    if (scaled.width() < size.width())
        reader->setScaledSize(scaled);
    QImage image = reader->read();
    restart();
    return ColorConversion::toSRGB(std::move(image));
}

QVariantMap QtImageSource::imageProperties(int index) {
    if (!seek(index))
        return QVariantMap();
    QSize size = reader->size();
    QImage::Format imageFormat = reader->imageFormat();
    if (!size.isValid()) {
        // Some readers (ICNS) know the size only once they have decoded.
        const QImage image = imageAtIndex(index);
        if (image.isNull() || !seek(index))
            return QVariantMap();
        size = image.size();
        imageFormat = image.format();
    }
    QVariantMap map = describeFormat(size, imageFormat);
    double dpiX = 0.0, dpiY = 0.0;
    if (format == "jpeg") {
        const QList<JpegSegments::Segment> segments = JpegSegments::read(bytes);
        dpiX = JpegSegments::jfifDpi(bytes, segments, false);
        dpiY = JpegSegments::jfifDpi(bytes, segments, true);
    }
    if (dpiX > 0.0 && dpiY > 0.0) {
        map.insert(QStringLiteral("DPIWidth"), dpiX);
        map.insert(QStringLiteral("DPIHeight"), dpiY);
    }
    const QImageIOHandler::Transformations t = reader->transformation();
    if (t != QImageIOHandler::TransformationNone) {
        static const QHash<int, int> orientations = {
            {QImageIOHandler::TransformationMirror, 2},
            {QImageIOHandler::TransformationRotate180, 3},
            {QImageIOHandler::TransformationFlip, 4},
            {QImageIOHandler::TransformationFlipAndRotate90, 5},
            {QImageIOHandler::TransformationRotate90, 6},
            {QImageIOHandler::TransformationMirrorAndRotate90, 7},
            {QImageIOHandler::TransformationRotate270, 8},
        };
        // Only when Exiv2 has no say: its reading of the tag wins below.
        if (metadata(index).orientation == 0)
            map.insert(QStringLiteral("Orientation"), orientations.value(int(t), 1));
    }
    map.insert(animationProperties(index));
    return map;
}

QVariantMap QtImageSource::animationProperties(int index) {
    if (format != "gif" || index >= gifDelays.size())
        return QVariantMap();
    return {{QStringLiteral("{GIF}"), FrameDelay::fromSeconds(gifDelays[index] / 100.0)}};
}

QVariantMap QtImageSource::containerProperties() {
    if (format != "gif")
        return QVariantMap();
    return {{QStringLiteral("{GIF}"), QVariantMap{{QStringLiteral("LoopCount"), gifLoopCount}}}};
}

QString QtImageSource::type() const {
    return typeForFormat(format);
}
