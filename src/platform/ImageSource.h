#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

// A decoder over one file or one buffer of image bytes: how many images it
// holds, each image as decoded (orientation not applied), and their
// properties under the usual keys ("PixelWidth", "PixelHeight",
// "Orientation", ...). Created and used on one thread at a time.
//
// The decoder is chosen by the content's leading bytes first and by the
// file's extension second. Images come back converted to sRGB; 16-bit images
// keep their depth, floating-point ones are tone-mapped to 8 bits. An image
// larger than the decode budget (DecodeLimits) is refused before any pixel
// memory is taken, and comes back null.
class ImageSource {
public:
    virtual ~ImageSource() = default;

    // Nothing when the content is not an image any decoder recognises, and
    // at once when the path names no regular file (a FIFO, a device, a
    // directory). Reads through RegularFile, so any file name opens.
    static std::unique_ptr<ImageSource> createWithURL(const QString& path);
    // The extension, when given, only breaks ties the content leaves open
    // (a TIFF-based camera raw, a headerless fax).
    static std::unique_ptr<ImageSource> createWithData(const QByteArray& bytes,
                                                       const QString& extension = QString());

    // Whether some decoder's content test claims these leading bytes, or,
    // for formats without a signature, the extension names one.
    static bool isClaimed(const QByteArray& head, const QString& extension);

    virtual int count() const = 0;
    // A null image when the index is out of range or the data cannot be decoded.
    virtual QImage imageAtIndex(int index) = 0;
    // Properties of one image: "PixelWidth", "PixelHeight", "Depth", "ColorModel",
    // "HasAlpha", "Orientation" (EXIF 1-8, when the file states one), "DPIWidth",
    // "DPIHeight", "ProfileName" and the groups "{Exif}", "{TIFF}", "{GPS}",
    // "{IPTC}", "{GIF}", "{PNG}", ... Empty for an index out of range.
    virtual QVariantMap propertiesAtIndex(int index) = 0;
    // Properties of the container: "FileSize" and, for animations, the loop count.
    virtual QVariantMap properties() = 0;
    // A UTI-like name of the format, "public.jpeg" and the like.
    virtual QString type() const = 0;
    // The encoded bytes the decoder reads, shared rather than copied, so that
    // another decoder of the same image needs no second read of the file;
    // empty for decoders that read no such buffer.
    virtual QByteArray encoded() const { return QByteArray(); }

    // Image 0 with its orientation applied, at most maxPixelSize pixels on its
    // longer side: the thumbnail stored in the file when it is large enough,
    // else made from the image. Null when image 0 cannot be decoded.
    QImage thumbnail(int maxPixelSize);
    // A stand-in for image 0 that is far quicker to have than image 0 itself
    // (a camera's own preview of its raw data): the same picture, as stored
    // (not oriented), usually smaller. Null when there is none.
    virtual QImage firstLook() { return QImage(); }

    // Image 0 as stored (not oriented), reduced to fit in `bound`: the
    // overview of an image too large to decode whole. Formats that stream
    // their rows make it without ever holding the full image; the others
    // only when the full image fits the budget. Null when it cannot be made.
    virtual QImage overview(const QSize& bound);
    // The pixels of `area` of image 0 (in the stored image's coordinates, not
    // oriented) at 1/denominator of their size, the denominator 1, 2, 4 or
    // 8; at 1, the same pixels as the full decode's there. Null when the
    // area is not inside the image or cannot be decoded within the budget.
    virtual QImage region(const QRect& area, int denominator = 1);
    // Image 0 as stored (not oriented), in sRGB at 8 bits a channel, handed
    // to `sink` in bands of whole rows from the top and never held whole:
    // how an image too large to decode whole is exported. `sink` returns
    // false to stop. False when it stopped, or the image cannot be decoded
    // so (formats without rows to stream: by default).
    using BandSink = std::function<bool(const QImage& band)>;
    virtual bool streamImage(const BandSink& sink);
    // Readies quick regions of an image too large to decode whole, for
    // formats that need a pass over the file for that (a huge JPEG's index
    // of rows): long work, to be done on a worker before region() is asked.
    // Regions come out the same with or without it.
    virtual void prepareRegions() {}

    // A readable name for a property key or a type identifier; the key itself
    // when there is none.
    static QString displayName(const QString& key);

  protected:
    // The thumbnail the file carries, if any, as stored (not oriented).
    virtual QImage embeddedThumbnail() { return QImage(); }
    // Image 0 decoded at about maxPixelSize on its longer side where the
    // format can do that cheaply; the full image otherwise.
    virtual QImage reducedImage(int maxPixelSize);
};
