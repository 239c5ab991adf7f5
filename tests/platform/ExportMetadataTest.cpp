#include "platform/ExportMetadata.h"
#include "platform/ExportFormat.h"
#include "platform/ImageEncoder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QImage>
#include <QTemporaryDir>
#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

namespace {

// A camera photo's metadata as it arrives: turned by its orientation, with
// the sizes and the thumbnail of the stored pixels.
QByteArray cameraJpeg() {
    static QTemporaryDir dir;
    const QString photo = dir.filePath("photo.jpg"), thumbnail = dir.filePath("thumbnail.jpg");
    QImage pixels(40, 30, QImage::Format_RGB32);
    pixels.fill(QColor(90, 140, 200));
    pixels.save(photo, "JPEG");
    pixels.scaled(8, 6).save(thumbnail, "JPEG");
    QString error;
    EXPECT_TRUE(FormatFixtures::run(
        "exiftool",
        FormatFixtures::args("-q -overwrite_original -Make=Ovisto -Model=Pattern -Orientation#=6 "
                             "-ExposureTime=1/125 -ExifImageWidth=40 -ExifImageHeight=30 "
                             "-GPSLatitudeRef=N -XMP-xmp:Rating=4 -XMP-tiff:Orientation#=6 "
                             "-XMP-exif:ExifImageWidth=40") +
            QStringList{"-DateTimeOriginal=2024:05:06 07:08:09", "-ThumbnailImage<=" + thumbnail,
                        photo},
        &error))
        << qPrintable(error);
    return TestImages::read(photo);
}

// Each key's value as written, or "(none)".
std::string valueOf(const Exiv2::Image& image, const char* key) {
    if (QByteArray(key).startsWith("Xmp.")) {
        const auto found = image.xmpData().findKey(Exiv2::XmpKey(key));
        return found == image.xmpData().end() ? std::string("(none)") : found->toString();
    }
    const auto found = image.exifData().findKey(Exiv2::ExifKey(key));
    return found == image.exifData().end() ? std::string("(none)") : found->toString();
}

TEST(ExportMetadata, ThePhotosExifAndXmpGoIntoEachFormatThatHoldsThem) {
    const ExportMetadata metadata = ExportMetadata::readBytes(cameraJpeg());
    ASSERT_FALSE(metadata.isEmpty());
    // Turned upright: the export is 30 x 40.
    QImage upright(30, 40, QImage::Format_ARGB32);
    upright.fill(QColor(200, 30, 60));
    for (const ExportFormat format :
         {ExportFormat::Jpeg, ExportFormat::Png, ExportFormat::Tiff, ExportFormat::Jpeg2000}) {
        SCOPED_TRACE(ExportFormats::title(format).toStdString());
        QString reason;
        const QByteArray encoded = ImageEncoder::encode(upright, format, 0.9f, &reason);
        ASSERT_FALSE(encoded.isEmpty()) << reason.toStdString();
        const QByteArray written = metadata.writeInto(encoded, upright.size());
        ASSERT_NE(written, encoded);
        auto back = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(written.constData()), long(written.size()));
        back->readMetadata();
        // Turned upright: orientation 1, the sizes of the export, no stale thumbnail.
        for (const auto& [key, value] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"Exif.Image.Make", "Ovisto"},
                 {"Exif.Image.Model", "Pattern"},
                 {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
                 {"Exif.Photo.ExposureTime", "1/125"},
                 {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                 {"Exif.Image.Orientation", "1"},
                 {"Exif.Photo.PixelXDimension", "30"},
                 {"Exif.Photo.PixelYDimension", "40"},
                 {"Exif.Thumbnail.Compression", "(none)"},
                 {"Xmp.xmp.Rating", "4"},
                 {"Xmp.tiff.Orientation", "1"},
                 {"Xmp.exif.PixelXDimension", "30"}})
            EXPECT_EQ(valueOf(*back, key), value) << key;
        // Still the same picture, the right way up.
        const QImage pixels = QImage::fromData(written);
        if (format != ExportFormat::Jpeg2000) { // Qt reads no JPEG 2000 here
            ASSERT_EQ(pixels.size(), upright.size());
            EXPECT_LE(qAbs(qRed(pixels.pixel(5, 5)) - 200), 4);
        }
    }
}

TEST(ExportMetadata, NothingToCarryOrNowhereToPutItLeavesTheBytesAlone) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QString reason;
    const QByteArray png = ImageEncoder::encode(image, ExportFormat::Png, 0.9f, &reason);
    const QByteArray bmp = ImageEncoder::encode(image, ExportFormat::Bmp, 0.9f, &reason);
    EXPECT_TRUE(ExportMetadata::readBytes(QByteArray("not an image at all")).isEmpty());
    EXPECT_TRUE(ExportMetadata::readBytes(png).isEmpty());
    EXPECT_TRUE(ExportMetadata::readFile("/nowhere/photo.jpg").isEmpty());
    const ExportMetadata metadata = ExportMetadata::readBytes(cameraJpeg());
    EXPECT_EQ(metadata.writeInto(bmp, image.size()), bmp);
    EXPECT_EQ(ExportMetadata().writeInto(png, image.size()), png);
    EXPECT_EQ(metadata.writeInto(QByteArray("garbage, not a PNG"), image.size()),
              QByteArray("garbage, not a PNG"));
}

} // namespace
