#include "platform/ExportMetadata.h"

#include "platform/FileName.h"
#include "platform/ImageEncoder.h"
#include "platform/RegularFile.h"
#include "platform/imagesource/ExifProperties.h"
#include "platform/imagesource/JpegSegments.h"
#include "platform/imagesource/PngChunks.h"

#include <QImage>
#include <QSet>
#include <exiv2/exiv2.hpp>

namespace {

// Tags of the main image that describe how its pixels were stored, or the
// colour they were in: the export stores its own.
bool describesStoredPixels(const std::string& tag) {
    static const QSet<QByteArray> tags = {
        "NewSubfileType",
        "SubfileType",
        "ImageWidth",
        "ImageLength",
        "BitsPerSample",
        "Compression",
        "PhotometricInterpretation",
        "FillOrder",
        "StripOffsets",
        "SamplesPerPixel",
        "RowsPerStrip",
        "StripByteCounts",
        "PlanarConfiguration",
        "Predictor",
        "ExtraSamples",
        "SampleFormat",
        "TileWidth",
        "TileLength",
        "TileOffsets",
        "TileByteCounts",
        "SubIFDs",
        "JPEGTables",
        "JPEGInterchangeFormat",
        "JPEGInterchangeFormatLength",
        "YCbCrCoefficients",
        "YCbCrSubSampling",
        "YCbCrPositioning",
        "ReferenceBlackWhite",
        "TransferFunction",
        "WhitePoint",
        "PrimaryChromaticities",
        "InterColorProfile",
        "XMLPacket",
        "IPTCNAA",
        "ImageResources",
        "CFARepeatPatternDim",
        "CFAPattern",
        "BlackLevel",
        "WhiteLevel",
        "DefaultCropOrigin",
        "DefaultCropSize",
    };
    return tags.contains(QByteArray::fromStdString(tag)) || tag.rfind("DNG", 0) == 0;
}

// The main image, the photo's own IFDs and the makers' notes; not the
// thumbnail or the other images of a raw file.
bool carried(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    if (group == "Thumbnail" || group.rfind("SubImage", 0) == 0 ||
        group.rfind("SubThumb", 0) == 0 || (group.rfind("Image", 0) == 0 && group != "Image"))
        return false;
    return group != "Image" || !describesStoredPixels(datum.tagName());
}

void setIfThere(Exiv2::XmpData& xmp, const char* key, const std::string& value) {
    const Exiv2::XmpKey xmpKey(key);
    if (xmp.findKey(xmpKey) != xmp.end())
        xmp[key] = value;
}

// Fills `image` (already read) with `exif` and `xmp` on top of what the
// encoder wrote, and writes it.
void fill(Exiv2::Image& image, const Exiv2::ExifData* exif, const Exiv2::XmpData* xmp,
          const QSize& size, bool makerNotes) {
    Exiv2::ExifData out = image.exifData();
    if (exif) {
        for (const Exiv2::Exifdatum& datum : *exif) {
            if (!carried(datum) ||
                (!makerNotes && Exiv2::ExifTags::isMakerGroup(datum.groupName())))
                continue;
            if (out.findKey(Exiv2::ExifKey(datum.key())) == out.end())
                out.add(datum);
        }
        if (!makerNotes) {
            out.erase(std::remove_if(
                          out.begin(), out.end(),
                          [](const Exiv2::Exifdatum& d) { return d.tagName() == "MakerNote"; }),
                      out.end());
        }
        out["Exif.Image.Orientation"] = uint16_t(1);
        out["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
        out["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
    }
    image.setExifData(out);
    if (xmp) {
        Exiv2::XmpData packet = *xmp;
        const auto thumbnails = packet.findKey(Exiv2::XmpKey("Xmp.xmp.Thumbnails"));
        if (thumbnails != packet.end())
            packet.erase(thumbnails);
        setIfThere(packet, "Xmp.tiff.Orientation", "1");
        setIfThere(packet, "Xmp.tiff.ImageWidth", std::to_string(size.width()));
        setIfThere(packet, "Xmp.tiff.ImageLength", std::to_string(size.height()));
        setIfThere(packet, "Xmp.exif.PixelXDimension", std::to_string(size.width()));
        setIfThere(packet, "Xmp.exif.PixelYDimension", std::to_string(size.height()));
        image.setXmpData(packet);
    }
    image.writeMetadata();
}

QByteArray contents(Exiv2::Image& image) {
    Exiv2::BasicIo& io = image.io();
    if (io.open() != 0)
        return QByteArray();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf buffer = io.read(long(io.size()));
    io.close();
    return QByteArray(reinterpret_cast<const char*>(buffer.pData_), int(buffer.size_));
}

template <typename Open> ExportMetadata readWith(Open open) {
    ExifProperties::setUpLibrary();
    try {
        auto image = open();
        if (!image.get())
            return {};
        image->readMetadata();
        return ExportMetadata::fromData(image->exifData(), image->xmpData());
    } catch (...) {
        return {};
    }
}

} // namespace

ExportMetadata ExportMetadata::fromData(const Exiv2::ExifData& exifData,
                                        const Exiv2::XmpData& xmpData) {
    ExportMetadata out;
    if (!exifData.empty())
        out.exif = std::make_shared<const Exiv2::ExifData>(exifData);
    if (!xmpData.empty())
        out.xmp = std::make_shared<const Exiv2::XmpData>(xmpData);
    return out;
}

ExportMetadata ExportMetadata::readFile(const QString& path) {
    // Exiv2 opens the name itself, and would wait for ever on a FIFO put
    // there since the image was shown.
    if (!RegularFile::open(path).isOpen())
        return {};
    return readWith(
        [&] { return Exiv2::ImageFactory::open(FileName::encode(path).toStdString(), false); });
}

ExportMetadata ExportMetadata::readBytes(const QByteArray& bytes) {
    if (bytes.size() < 8)
        return {};
    return readWith([&] {
        return Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.constData()),
                                         long(bytes.size()));
    });
}

bool ExportMetadata::isEmpty() const {
    return !exif && !xmp;
}

QByteArray ExportMetadata::writeInto(const QByteArray& encoded, const QSize& size) const {
    if (isEmpty() || encoded.isEmpty())
        return encoded;
    ExifProperties::setUpLibrary();
    // A maker's note Exiv2 cannot write again is left behind rather than
    // everything else with it.
    for (const bool makerNotes : {true, false}) {
        try {
            auto image = Exiv2::ImageFactory::open(
                reinterpret_cast<const Exiv2::byte*>(encoded.constData()), long(encoded.size()));
            if (!image.get() || image->imageType() == Exiv2::ImageType::bmp || !image->good())
                return encoded;
            image->readMetadata();
            fill(*image, exif.get(), xmp.get(), size, makerNotes);
            const QByteArray written = contents(*image);
            if (!written.isEmpty())
                return written;
        } catch (...) {
        }
    }
    return encoded;
}

ExportMetadata::Segments ExportMetadata::segmentsFor(ExportFormat format, const QSize& size) const {
    Segments segments;
    if (isEmpty() || (format != ExportFormat::Jpeg && format != ExportFormat::Png))
        return segments;
    QImage carrier(8, 8, QImage::Format_RGB32);
    carrier.fill(Qt::gray);
    const QByteArray plain = ImageEncoder::encode(carrier, format, 0.9f);
    const QByteArray written = writeInto(plain, size);
    if (written == plain)
        return segments;
    if (format == ExportFormat::Jpeg) {
        // APP0 (JFIF) and APP2 (the profile) are the encoder's own.
        for (const JpegSegments::Segment& s : JpegSegments::read(written))
            if (s.marker >= 0xE1 && s.marker <= 0xEF && s.marker != 0xE2)
                segments.append({QByteArray(1, char(s.marker)), written.mid(s.offset, s.length)});
        return segments;
    }
    for (const PngChunks::Chunk& c : PngChunks::read(written))
        if (c.type == "tEXt" || c.type == "zTXt" || c.type == "iTXt" || c.type == "eXIf")
            segments.append({c.type, written.mid(c.offset, c.length)});
    return segments;
}
