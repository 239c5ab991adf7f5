#include "platform/imagesource/AvifSequenceImageSource.h"

#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/FrameDelay.h"

#include <QTransform>
#include <avif/avif.h>

namespace {

constexpr int maxFrames = 100000;

QByteArray copyOf(const avifRWData& data) {
    return data.size > 0 && data.size < (64u << 20)
               ? QByteArray(reinterpret_cast<const char*>(data.data), qsizetype(data.size))
               : QByteArray();
}

// The EXIF payload from its TIFF header on, whether or not the library
// left the header's offset in front of it.
QByteArray tiffOf(QByteArray exif) {
    if (exif.startsWith("II*") || exif.startsWith("MM\0*"))
        return exif;
    if (exif.size() < 8)
        return QByteArray();
    const quint32 skip = (quint32(uchar(exif[0])) << 24) | (quint32(uchar(exif[1])) << 16) |
                         (quint32(uchar(exif[2])) << 8) | quint32(uchar(exif[3]));
    return skip < quint32(exif.size()) - 4 ? exif.mid(4 + qsizetype(skip)) : QByteArray();
}

} // namespace

bool AvifSequenceImageSource::claims(const QByteArray& bytes) {
    if (bytes.size() < 16 || bytes.mid(4, 4) != "ftyp")
        return false;
    // The major brand, or a compatible one within the ftyp box.
    const quint32 size = (quint32(uchar(bytes[0])) << 24) | (quint32(uchar(bytes[1])) << 16) |
                         (quint32(uchar(bytes[2])) << 8) | quint32(uchar(bytes[3]));
    const qsizetype end = std::min<qsizetype>(bytes.size(), std::min<quint32>(size, 256));
    if (bytes.mid(8, 4) == "avis")
        return true;
    for (qsizetype at = 16; at + 4 <= end; at += 4) {
        if (bytes.mid(at, 4) == "avis")
            return true;
    }
    return false;
}

bool AvifSequenceImageSource::claimsStill(const QByteArray& bytes) {
    return bytes.size() >= 12 && bytes.mid(4, 4) == "ftyp" &&
           (bytes.mid(8, 4) == "avif" || bytes.mid(8, 4) == "avis");
}

AvifSequenceImageSource::AvifSequenceImageSource(const QByteArray& bytes, bool still)
    : EncodedImageSource(bytes), still(still) {}

AvifSequenceImageSource::~AvifSequenceImageSource() {
    if (decoder)
        avifDecoderDestroy(decoder);
}

std::unique_ptr<ImageSource> AvifSequenceImageSource::open(const QByteArray& bytes) {
    return claims(bytes) ? opened(new AvifSequenceImageSource(bytes, false)) : nullptr;
}

std::unique_ptr<ImageSource> AvifSequenceImageSource::openStill(const QByteArray& bytes) {
    return claimsStill(bytes) ? opened(new AvifSequenceImageSource(bytes, true)) : nullptr;
}

bool AvifSequenceImageSource::readHeader() {
    avifDecoder* d = avifDecoderCreate();
    if (!d)
        return false;
    decoder = d;
    d->maxThreads = 2;
    d->imageCountLimit = maxFrames;
    d->imageDimensionLimit = quint32(DecodeLimits::maxSide);
    d->imageSizeLimit =
        quint32(std::min<qint64>(DecodeLimits::budgetBytes() / 8, AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
    if (avifDecoderSetSource(d, still ? AVIF_DECODER_SOURCE_PRIMARY_ITEM
                                      : AVIF_DECODER_SOURCE_TRACKS) != AVIF_RESULT_OK ||
        avifDecoderSetIOMemory(d, reinterpret_cast<const uint8_t*>(bytes.constData()),
                               size_t(bytes.size())) != AVIF_RESULT_OK ||
        avifDecoderParse(d) != AVIF_RESULT_OK)
        return false;
    if (still ? d->imageCount != 1 : (d->imageCount < 2 || d->imageCount > maxFrames))
        return false; // as a sequence, a still in a sequence's clothes: libheif shows it
    codedWidth = int(d->image->width);
    codedHeight = int(d->image->height);
    depth = int(d->image->depth);
    hasAlpha = d->alphaPresent;
    if (!DecodeLimits::allowsSize(codedWidth, codedHeight))
        return false;
    readTransforms(d->image);
    for (int i = 0; i < d->imageCount; ++i) {
        avifImageTiming timing;
        if (avifDecoderNthImageTiming(d, uint32_t(i), &timing) != AVIF_RESULT_OK)
            return false;
        delays.append(timing.duration * 1000.0);
    }
    const avifImage* image = d->image;
    if (image->icc.size > 0)
        colorSpace = QColorSpace::fromIccProfile(copyOf(image->icc));
    else
        colorSpace = ColorConversion::fromCicp(int(image->colorPrimaries),
                                               int(image->transferCharacteristics));
    return true;
}

QImage AvifSequenceImageSource::imageAtIndex(int index) {
    if (index < 0 || index >= count())
        return QImage();
    const bool deep = depth > 8;
    // The AV1 decoder holds its reference frames (up to eight, in 16-bit
    // planes when deep) besides our image.
    if (!DecodeLimits::allows(codedWidth, codedHeight, deep ? 8 : 4, deep ? 48 : 24))
        return QImage();
    if (avifDecoderNthImage(decoder, uint32_t(index)) != AVIF_RESULT_OK)
        return QImage();
    const avifImage* frame = decoder->image;
    if (int(frame->width) != codedWidth || int(frame->height) != codedHeight)
        return QImage(); // a frame that disagrees with the sequence's header
    QImage image(codedWidth, codedHeight,
                 deep ? (hasAlpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                      : (hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
    if (image.isNull())
        return image;
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, frame);
    rgb.depth = deep ? 16 : 8;
    // Qt's 32-bit formats are B, G, R, A in memory; its 64-bit ones R, G, B, A.
    rgb.format = deep                              ? AVIF_RGB_FORMAT_RGBA
                 : Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AVIF_RGB_FORMAT_BGRA
                                                   : AVIF_RGB_FORMAT_ARGB;
    rgb.ignoreAlpha = !hasAlpha;
    rgb.pixels = image.bits();
    rgb.rowBytes = uint32_t(image.bytesPerLine());
    if (!hasAlpha) {
        // Opaque formats still want their padding byte set.
        image.fill(Qt::black);
    }
    if (avifImageYUVToRGB(frame, &rgb) != AVIF_RESULT_OK)
        return QImage();
    image = upright(std::move(image));
    image.setColorSpace(colorSpace);
    return ColorConversion::toSRGB(std::move(image));
}

void AvifSequenceImageSource::readTransforms(const avifImage* image) {
    // libavif reports the clean aperture, rotation and mirroring but leaves
    // the pixels as coded; they apply in that order.
    crop = QRect(0, 0, codedWidth, codedHeight);
    if (image->transformFlags & AVIF_TRANSFORM_CLAP) {
        avifCropRect rect;
        avifDiagnostics diagnostics;
        if (avifCropRectConvertCleanApertureBox(&rect, &image->clap, image->width, image->height,
                                                image->yuvFormat, &diagnostics)) {
            const QRect clean =
                QRect(int(rect.x), int(rect.y), int(rect.width), int(rect.height)) & crop;
            if (!clean.isEmpty())
                crop = clean;
        }
    }
    quarterTurns = image->transformFlags & AVIF_TRANSFORM_IROT ? image->irot.angle & 3 : 0;
    mirror = image->transformFlags & AVIF_TRANSFORM_IMIR ? image->imir.mode : -1;
    width = quarterTurns % 2 ? crop.height() : crop.width();
    height = quarterTurns % 2 ? crop.width() : crop.height();
}

QImage AvifSequenceImageSource::upright(QImage image) const {
    if (crop != image.rect())
        image = image.copy(crop);
    if (quarterTurns)
        image = image.transformed(QTransform().rotate(-90.0 * quarterTurns)); // anti-clockwise
    if (mirror == 0)
        image = image.mirrored(false, true); // top and bottom exchanged
    else if (mirror == 1)
        image = image.mirrored(true, false); // left and right
    return image;
}

QVariantMap AvifSequenceImageSource::imageProperties(int index) {
    QVariantMap map = describe(width, height, depth, QStringLiteral("RGB"), hasAlpha);
    if (colorSpace.isValid() && !colorSpace.description().isEmpty())
        map.insert(QStringLiteral("ProfileName"), colorSpace.description());
    if (!still)
        map.insert(QStringLiteral("{AVIS}"), FrameDelay::dictionary(delays.at(index)));
    return map;
}

QVariantMap AvifSequenceImageSource::containerProperties() {
    if (still)
        return QVariantMap();
    return {{QStringLiteral("{AVIS}"), QVariantMap{{QStringLiteral("FrameCount"), count()},
                                                   {QStringLiteral("CanvasPixelWidth"), width},
                                                   {QStringLiteral("CanvasPixelHeight"), height}}}};
}

const ExifProperties& AvifSequenceImageSource::metadata(int) {
    if (!blocks)
        blocks = ExifProperties::readBlocks(tiffOf(copyOf(decoder->image->exif)),
                                            copyOf(decoder->image->xmp));
    return *blocks;
}
