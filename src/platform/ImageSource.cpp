#include "platform/ImageSource.h"

#include "platform/MappedFile.h"
#include "platform/QtImageSource.h"
#include "platform/RegularFile.h"
#include "platform/imagesource/ApngImageSource.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/AvifSequenceImageSource.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/ExrImageSource.h"
#include "platform/imagesource/FaxImageSource.h"
#include "platform/imagesource/HeifImageSource.h"
#include "platform/imagesource/IcoDirectory.h"
#include "platform/imagesource/Jp2ImageSource.h"
#include "platform/imagesource/JpegSegments.h"
#include "platform/imagesource/JxlImageSource.h"
#include "platform/imagesource/MpoImageSource.h"
#include "platform/imagesource/PngChunks.h"
#include "platform/imagesource/PngImageSource.h"
#include "platform/imagesource/PropertyNames.h"
#include "platform/imagesource/RadianceRowReader.h"
#include "platform/imagesource/RawImageSource.h"
#include "platform/imagesource/RowImageSource.h"
#include "platform/imagesource/SgiDecoder.h"
#include "platform/imagesource/SgiImageSource.h"
#include "platform/imagesource/StbImageSource.h"
#include "platform/imagesource/TiffImageSource.h"
#include "platform/imagesource/WebpImageSource.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QTransform>
#include <functional>
#include <limits>
#include <optional>

namespace {

using Opener = std::unique_ptr<ImageSource> (*)(const QByteArray& bytes);

std::unique_ptr<ImageSource> openWithQt(const QByteArray& bytes, const char* format) {
    return QtImageSource::open(bytes, format);
}

// A format that is also read row by row: through its whole-image decoder
// while the image fits the budget, row by row when it does not, and row
// by row too when the whole-image decoder cannot read it at all.
std::unique_ptr<ImageSource> openRows(const QByteArray& bytes, RowDecoder::Format format,
                                      const std::function<std::unique_ptr<ImageSource>()>& whole) {
    std::unique_ptr<RowDecoder> rows = RowDecoder::open(bytes, format);
    if (rows && !rows->fitsWhole())
        return RowImageSource::open(bytes, std::move(rows));
    if (auto source = whole())
        return source;
    return RowImageSource::open(bytes, std::move(rows));
}

// One decoder: the content test that claims a file for it, and the
// extensions it is tried for when no content test claimed the file.
struct Decoder {
    const char* name;
    bool (*claims)(const QByteArray& bytes, const QString& extension);
    QStringList extensions;
    Opener open;
};

bool startsWith(const QByteArray& bytes, const char* magic, int length, int at = 0) {
    return bytes.size() >= at + length && memcmp(bytes.constData() + at, magic, size_t(length)) == 0;
}

const QStringList rawExtensions = {
    QStringLiteral("dng"), QStringLiteral("cr2"), QStringLiteral("nef"), QStringLiteral("arw"),
    QStringLiteral("erf"), QStringLiteral("3fr"), QStringLiteral("mrw"), QStringLiteral("pef"),
    QStringLiteral("srw"), QStringLiteral("orf"), QStringLiteral("rw2"), QStringLiteral("raw"),
    QStringLiteral("crw"), QStringLiteral("raf"), QStringLiteral("rwl"), QStringLiteral("srf"),
    QStringLiteral("sr2"), QStringLiteral("nrw"), QStringLiteral("cr3"), QStringLiteral("x3f"),
};
const QStringList faxExtensions = {QStringLiteral("fax"), QStringLiteral("jfx"), QStringLiteral("jfax")};

bool isTiff(const QByteArray& b) {
    return startsWith(b, "II*\0", 4) || startsWith(b, "MM\0*", 4) || startsWith(b, "II+\0", 4) ||
           startsWith(b, "MM\0+", 4);
}

bool isBinaryPnm(const QByteArray& b) {
    return b.size() > 2 && b[0] == 'P' && b[1] >= '4' && b[1] <= '6' && QChar::isSpace(uchar(b[2]));
}

// The format of a file that is read row by row, from its head and extension.
std::optional<RowDecoder::Format> rowFormat(const QByteArray& head, const QString& extension) {
    if (startsWith(head, "BM", 2))
        return RowDecoder::Format::Bmp;
    if (isBinaryPnm(head))
        return RowDecoder::Format::Pnm;
    if (StbImageSource::claims(head, StbImageSource::Kind::Psd))
        return RowDecoder::Format::Psd;
    if (SgiDecoder::readHeader(head, nullptr, std::numeric_limits<qint64>::max()))
        return RowDecoder::Format::Sgi;
    if (RadianceRowReader::claims(head))
        return RowDecoder::Format::Hdr;
    if (extension == QLatin1String("tga"))
        return RowDecoder::Format::Tga;
    return std::nullopt;
}

// Content first: the leading bytes pick the decoder, and the extension only
// settles what the bytes leave open (which TIFF-based format a TIFF is).
// Decoders are tried in this order; one that claims the bytes but cannot
// open them passes them on to the next (an animated PNG that does not play
// is still a PNG).
const std::vector<Decoder>& registry() {
    static const std::vector<Decoder> decoders = {
        {"apng", [](const QByteArray& b, const QString&) { return PngChunks::isPng(b); }, {},
         ApngImageSource::open},
        {"png", [](const QByteArray& b, const QString&) { return PngChunks::isPng(b); },
         {QStringLiteral("png")}, PngImageSource::open},
        {"mpo", [](const QByteArray& b, const QString&) { return JpegSegments::isJpeg(b); },
         {}, MpoImageSource::open},
        {"jpeg", [](const QByteArray& b, const QString&) { return JpegSegments::isJpeg(b); },
         {QStringLiteral("jpg"), QStringLiteral("jpe"), QStringLiteral("jpeg"), QStringLiteral("mpo")},
         [](const QByteArray& b) { return openWithQt(b, "jpeg"); }},
        {"gif", [](const QByteArray& b, const QString&) { return startsWith(b, "GIF8", 4); },
         {QStringLiteral("gif")}, [](const QByteArray& b) { return openWithQt(b, "gif"); }},
        {"bmp", [](const QByteArray& b, const QString&) { return startsWith(b, "BM", 2); },
         {QStringLiteral("bmp")},
         [](const QByteArray& b) {
             return openRows(b, RowDecoder::Format::Bmp, [&] { return openWithQt(b, "bmp"); });
         }},
        // An uncompressed TGA without an ID field starts as a cursor does.
        {"ico",
         [](const QByteArray& b, const QString& ext) {
             return (startsWith(b, "\0\0\1\0", 4) || startsWith(b, "\0\0\2\0", 4)) &&
                    ext != QLatin1String("tga");
         },
         {QStringLiteral("ico")}, [](const QByteArray& b) { return openWithQt(IcoDirectory::mended(b), "ico"); }},
        {"icns", [](const QByteArray& b, const QString&) { return startsWith(b, "icns", 4); },
         {QStringLiteral("icns")}, [](const QByteArray& b) { return openWithQt(b, "icns"); }},
        // libwebp itself, not Qt's plugin: it gives an animation's delays and
        // blending, and refuses a truncated file.
        {"webp", [](const QByteArray& b, const QString&) { return WebpImageSource::claims(b); },
         {QStringLiteral("webp")}, WebpImageSource::open},
        {"raw-tiff",
         [](const QByteArray& b, const QString& ext) {
             return isTiff(b) && (rawExtensions.contains(ext) || RawImageSource::isDng(b));
         },
         {}, RawImageSource::open},
        {"fax-tiff", [](const QByteArray& b, const QString& ext) { return isTiff(b) && faxExtensions.contains(ext); },
         {}, FaxImageSource::openTiff},
        {"tiff", [](const QByteArray& b, const QString&) { return isTiff(b); },
         {QStringLiteral("tif"), QStringLiteral("tiff")}, TiffImageSource::open},
        {"raw", [](const QByteArray& b, const QString&) { return RawImageSource::claims(b); }, rawExtensions,
         RawImageSource::open},
        // An AVIF sequence plays through libavif; its still fallback, and
        // every other HEIF, goes to libheif. An AVIF still that libheif
        // refuses (an image pyramid) is shown by libavif after all.
        {"avifs", [](const QByteArray& b, const QString&) { return AvifSequenceImageSource::claims(b); },
         {QStringLiteral("avifs")}, AvifSequenceImageSource::open},
        {"heif", [](const QByteArray& b, const QString&) { return HeifImageSource::claims(b); },
         {QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("avif"), QStringLiteral("avifs")},
         HeifImageSource::open},
        {"avif", [](const QByteArray& b, const QString&) { return AvifSequenceImageSource::claimsStill(b); },
         {QStringLiteral("avif"), QStringLiteral("avifs")}, AvifSequenceImageSource::openStill},
        {"jxl", [](const QByteArray& b, const QString&) { return JxlImageSource::claims(b); },
         {QStringLiteral("jxl")}, JxlImageSource::open},
        {"exr", [](const QByteArray& b, const QString&) { return ExrImageSource::claims(b); },
         {QStringLiteral("exr")}, ExrImageSource::open},
        {"jp2", [](const QByteArray& b, const QString&) { return Jp2ImageSource::claims(b); },
         {QStringLiteral("jp2"), QStringLiteral("j2k")}, Jp2ImageSource::open},
        {"psd", [](const QByteArray& b, const QString&) { return StbImageSource::claims(b, StbImageSource::Kind::Psd); },
         {QStringLiteral("psd"), QStringLiteral("psb")},
         [](const QByteArray& b) {
             return openRows(b, RowDecoder::Format::Psd,
                             [&] { return StbImageSource::open(b, StbImageSource::Kind::Psd); });
         }},
        // Radiance pictures are read row by row, whole or not.
        {"hdr", [](const QByteArray& b, const QString&) { return RadianceRowReader::claims(b); },
         {QStringLiteral("hdr")},
         [](const QByteArray& b) { return RowImageSource::open(b, RowDecoder::Format::Hdr); }},
        {"pic", [](const QByteArray& b, const QString&) { return StbImageSource::claims(b, StbImageSource::Kind::Pic); },
         {QStringLiteral("pic")}, [](const QByteArray& b) { return StbImageSource::open(b, StbImageSource::Kind::Pic); }},
        {"sgi", [](const QByteArray& b, const QString&) { return SgiDecoder::readHeader(b, nullptr); },
         {QStringLiteral("sgi"), QStringLiteral("rgb"), QStringLiteral("bw")},
         [](const QByteArray& b) {
             return openRows(b, RowDecoder::Format::Sgi, [&] { return SgiImageSource::open(b); });
         }},
        // Headerless Group 3 data has no signature: only the name leads here.
        {"fax", nullptr, faxExtensions, FaxImageSource::openRaw},
        {"tga", nullptr, {QStringLiteral("tga")},
         [](const QByteArray& b) {
             return openRows(b, RowDecoder::Format::Tga, [&] { return openWithQt(b, "tga"); });
         }},
        {"pnm", [](const QByteArray& b, const QString&) { return isBinaryPnm(b); },
         {QStringLiteral("pbm"), QStringLiteral("pgm"), QStringLiteral("ppm"), QStringLiteral("pnm")},
         [](const QByteArray& b) {
             return openRows(b, RowDecoder::Format::Pnm, [&] { return QtImageSource::open(b); });
         }},
    };
    return decoders;
}

QString extensionOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

std::unique_ptr<ImageSource> choose(const QByteArray& bytes, const QString& extension) {
    if (bytes.isEmpty())
        return nullptr;
    const std::vector<Decoder>& decoders = registry();
    for (const Decoder& decoder : decoders) {
        if (decoder.claims && decoder.claims(bytes, extension)) {
            if (auto source = decoder.open(bytes))
                return source;
        }
    }
    for (const Decoder& decoder : decoders) {
        if (decoder.extensions.contains(extension)) {
            if (auto source = decoder.open(bytes))
                return source;
        }
    }
    // Last, any Qt reader that recognises the content.
    return QtImageSource::open(bytes);
}

QImage oriented(const QImage& image, int orientation) {
    switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return image.transformed(QTransform().rotate(90));
    case 7: return image.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8: return image.transformed(QTransform().rotate(270));
    default: return image;
    }
}

// A PNG, TIFF or format read row by row too large to hold, opened over the
// file itself; nothing for smaller files and other formats, which are read
// whole.
std::unique_ptr<ImageSource> openStreamed(const QString& path) {
    RegularFile probe = RegularFile::open(path);
    if (!probe.isOpen())
        return nullptr;
    // A JPEG too large to read is decoded from the file mapped.
    if (probe.size() > DecodeLimits::maxFileBytes() && JpegSegments::isJpeg(probe.read(16))) {
        const std::shared_ptr<const MappedFile> mapped = MappedFile::open(path);
        std::unique_ptr<QtImageSource> source =
            mapped ? QtImageSource::open(mapped->bytes(), "jpeg") : nullptr;
        if (source)
            source->keepMapped(mapped);
        return source;
    }
    const qint64 size = probe.size();
    if (size <= std::min(DecodeLimits::streamedFileBytes, DecodeLimits::maxFileBytes()))
        return nullptr;
    const std::optional<EncodedBytes> file =
        EncodedBytes::fromFile(path, DecodeLimits::streamedHeadBytes);
    if (!file)
        return nullptr;
    const QByteArray& head = file->head();
    const QString extension = extensionOf(path);
    if (size > DecodeLimits::streamedFileBytes) {
        if (PngChunks::isPng(head))
            return PngImageSource::openStreamed(*file);
        // Camera raws and faxes keep their own decoders.
        if (isTiff(head) && !rawExtensions.contains(extension) &&
            !faxExtensions.contains(extension) && !RawImageSource::isDng(head))
            return TiffImageSource::openStreamed(*file);
    }
    // Formats read row by row, when the file is too large to read or the
    // image too large to decode whole: no need to hold the file then.
    if (const std::optional<RowDecoder::Format> format = rowFormat(head, extension)) {
        std::unique_ptr<RowDecoder> rows = RowDecoder::open(*file, *format);
        if (rows && (!rows->fitsWhole() || size > DecodeLimits::maxFileBytes()))
            return RowImageSource::open(*file, std::move(rows));
    }
    return nullptr;
}

} // namespace

std::unique_ptr<ImageSource> ImageSource::createWithURL(const QString& path) {
    if (auto streamed = openStreamed(path))
        return streamed;
    const std::optional<QByteArray> bytes =
        RegularFile::readAll(path, DecodeLimits::maxFileBytes());
    if (!bytes)
        return nullptr;
    return choose(*bytes, extensionOf(path));
}

std::unique_ptr<ImageSource> ImageSource::createWithData(const QByteArray& bytes, const QString& extension) {
    if (bytes.size() > DecodeLimits::maxFileBytes())
        return nullptr;
    return choose(bytes, extension.toLower());
}

bool ImageSource::isClaimed(const QByteArray& head, const QString& extension) {
    if (head.isEmpty())
        return false;
    for (const Decoder& decoder : registry()) {
        if (decoder.claims ? decoder.claims(head, extension)
                           : decoder.extensions.contains(extension))
            return true;
    }
    return false;
}

QImage ImageSource::reducedImage(int) {
    return imageAtIndex(0);
}

QImage ImageSource::overview(const QSize& bound) {
    const QImage image = imageAtIndex(0);
    return AreaReducer::averaged(image, AreaReducer::fitted(image.size(), bound));
}

QImage ImageSource::region(const QRect& area, int denominator) {
    const QImage image = imageAtIndex(0);
    if (image.isNull() || area.isEmpty() || !image.rect().contains(area) || denominator < 1)
        return QImage();
    const QSize size((area.width() + denominator - 1) / denominator,
                     (area.height() + denominator - 1) / denominator);
    return AreaReducer::averaged(image.copy(area), size);
}

bool ImageSource::streamImage(const BandSink&) {
    return false;
}

QImage ImageSource::thumbnail(int maxPixelSize) {
    if (count() < 1 || maxPixelSize <= 0)
        return QImage();
    QImage image = embeddedThumbnail();
    if (image.isNull() || std::max(image.width(), image.height()) < maxPixelSize)
        image = reducedImage(maxPixelSize);
    if (image.isNull())
        return image;
    if (image.width() > maxPixelSize || image.height() > maxPixelSize) {
        // A long, thin image keeps at least one pixel across.
        const QSize target = image.size().scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QVariant orientation = propertiesAtIndex(0).value(QStringLiteral("Orientation"));
    return oriented(image, orientation.isValid() ? orientation.toInt() : 1);
}

QString ImageSource::displayName(const QString& key) {
    return PropertyNames::displayName(key);
}
