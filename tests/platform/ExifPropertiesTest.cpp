#include "platform/imagesource/ExifProperties.h"
#include "platform/ImageSource.h"
#include "support/ExifBuilder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ExifPropertiesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = folder.filePath(QStringLiteral("tagged.jpg"));
        ASSERT_TRUE(TestImages::writeImage(path, FormatFixtures::pattern(), "JPEG"));
        QString error;
        ASSERT_TRUE(FormatFixtures::run(QStringLiteral("exiftool"),
                                        {QStringLiteral("-q"),
                                         QStringLiteral("-overwrite_original"),
                                         QStringLiteral("-Make=Ovisto"),
                                         QStringLiteral("-Model=Pattern"),
                                         QStringLiteral("-ExposureTime=1/125"),
                                         QStringLiteral("-FNumber=2.8"),
                                         QStringLiteral("-ISO=200"),
                                         QStringLiteral("-DateTimeOriginal=2024:05:06 07:08:09"),
                                         QStringLiteral("-ExifVersion=0232"),
                                         QStringLiteral("-FlashpixVersion=0100"),
                                         QStringLiteral("-GPSLatitude=48.5"),
                                         QStringLiteral("-GPSLatitudeRef=N"),
                                         QStringLiteral("-GPSLongitude=2.25"),
                                         QStringLiteral("-GPSLongitudeRef=W"),
                                         QStringLiteral("-Orientation#=6"),
                                         QStringLiteral("-XResolution=300"),
                                         QStringLiteral("-YResolution=300"),
                                         QStringLiteral("-ResolutionUnit=inches"),
                                         QStringLiteral("-Keywords=one"),
                                         QStringLiteral("-Keywords=two"),
                                         QStringLiteral("-XMP-xmp:Rating=3"),
                                         path},
                                        &error))
            << qPrintable(error);
    }
    QTemporaryDir folder;
    QString path;
};

TEST_F(ExifPropertiesTest, GroupsKeepNumbersAsNumbersAndListsAsLists) {
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    const QVariantMap p = source->propertiesAtIndex(0);
    const QVariantMap tiff = p.value(QStringLiteral("{TIFF}")).toMap();
    const QVariantMap exif = p.value(QStringLiteral("{Exif}")).toMap();
    const QVariantMap gps = p.value(QStringLiteral("{GPS}")).toMap();
    const QVariantMap iptc = p.value(QStringLiteral("{IPTC}")).toMap();

    EXPECT_EQ(tiff.value(QStringLiteral("Make")).toString(), QStringLiteral("Ovisto"));
    EXPECT_EQ(tiff.value(QStringLiteral("Model")).toString(), QStringLiteral("Pattern"));
    EXPECT_EQ(exif.value(QStringLiteral("ExposureTime")).typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(exif.value(QStringLiteral("ExposureTime")).toDouble(), 0.008);
    EXPECT_DOUBLE_EQ(exif.value(QStringLiteral("FNumber")).toDouble(), 2.8);
    EXPECT_EQ(exif.value(QStringLiteral("ISOSpeedRatings")).toInt(), 200);
    EXPECT_NE(exif.value(QStringLiteral("ISOSpeedRatings")).typeId(), QMetaType::QString);
    EXPECT_EQ(exif.value(QStringLiteral("DateTimeOriginal")).toString(),
              QStringLiteral("2024:05:06 07:08:09"));
    EXPECT_EQ(exif.value(QStringLiteral("ExifVersion")).toList(), (QVariantList{2, 3, 2}));
    EXPECT_EQ(exif.value(QStringLiteral("FlashpixVersion")).toList(), (QVariantList{1, 0}));
    EXPECT_DOUBLE_EQ(gps.value(QStringLiteral("Latitude")).toDouble(), 48.5);
    EXPECT_EQ(gps.value(QStringLiteral("LatitudeRef")).toString(), QStringLiteral("N"));
    EXPECT_DOUBLE_EQ(gps.value(QStringLiteral("Longitude")).toDouble(), 2.25);
    EXPECT_EQ(gps.value(QStringLiteral("LongitudeRef")).toString(), QStringLiteral("W"));
    EXPECT_EQ(gps.value(QStringLiteral("Version")).typeId(), QMetaType::QVariantList);
    EXPECT_EQ(iptc.value(QStringLiteral("Keywords")).toStringList(),
              (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    // Image-level keys come from the metadata too.
    EXPECT_EQ(p.value(QStringLiteral("Orientation")).toInt(), 6);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("DPIWidth")).toDouble(), 300.0);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("DPIHeight")).toDouble(), 300.0);
    EXPECT_EQ(p.value(QStringLiteral("PixelWidth")).toInt(), 64);
    EXPECT_EQ(p.value(QStringLiteral("ColorModel")).toString(), QStringLiteral("RGB"));
    EXPECT_EQ(p.value(QStringLiteral("Depth")).toInt(), 8);
    EXPECT_FALSE(p.value(QStringLiteral("HasAlpha")).toBool());
    // The pixels stay as stored: the viewer applies the orientation.
    EXPECT_EQ(source->imageAtIndex(0).size(), QSize(64, 48));
}

TEST_F(ExifPropertiesTest, UnreadableMetadataIsEmptyNotAnError) {
    EXPECT_TRUE(ExifProperties::read(QByteArray("not an image")).groups.isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (const qsizetype keep : {qsizetype(30), qsizetype(200), bytes.size() / 3}) {
        const ExifProperties partial = ExifProperties::read(bytes.left(keep));
        EXPECT_TRUE(partial.orientation == 0 || partial.orientation == 6);
    }
}

QByteArray box(const char* type, const QByteArray& payload) {
    const quint32 size = quint32(8 + payload.size());
    const char length[] = {char(size >> 24), char(size >> 16), char(size >> 8), char(size)};
    return QByteArray(length, 4) + QByteArray(type, 4) + payload;
}

// Each container carries the photo's EXIF and XMP: heif-enc's AVIF,
// avifenc's sequence (given the blocks as files), cjxl's Brotli-compressed
// boxes and plain JPEG XL boxes.
TEST_F(ExifPropertiesTest, EveryContainerShowsTheExifAndXmpItCarries) {
    for (const char* block : {"Exif", "XMP"}) {
        QProcess extract;
        extract.setStandardOutputFile(folder.filePath(QLatin1String(block)));
        extract.start(QStringLiteral("exiftool"),
                      {QStringLiteral("-b"), QLatin1Char('-') + QLatin1String(block), path});
        ASSERT_TRUE(extract.waitForFinished() && extract.exitCode() == 0) << block;
    }
    const auto made = [&](const char* tool, QStringList arguments, const char* ext) {
        return FormatFixtures::convert(QImage(), QLatin1String(tool),
                                       arguments << QStringLiteral("{out}"), QLatin1String(ext));
    };
    const QByteArray xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
        "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"3\"/></rdf:RDF></x:xmpmeta>";
    const QByteArray codestream =
        FormatFixtures::convert(FormatFixtures::pattern(), QStringLiteral("cjxl"),
                                FormatFixtures::args("{in} {out} -d 0"), QStringLiteral("jxl"));
    ASSERT_TRUE(codestream.startsWith("\xFF\x0A"));
    const QByteArray brotli = made("cjxl", {path}, "jxl");
    EXPECT_TRUE(brotli.contains("brobExif"));
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"AVIF", made("heif-enc",
                      {QStringLiteral("-A"), QStringLiteral("-p"), QStringLiteral("chroma=422"),
                       path, QStringLiteral("-o")},
                      "avif")},
        {"AVIF sequence",
         made("avifenc",
              {QStringLiteral("-l"), QStringLiteral("--exif"), folder.filePath("Exif"),
               QStringLiteral("--xmp"), folder.filePath("XMP"), path, path},
              "avifs")},
        {"JPEG XL, compressed boxes", brotli},
        {"JPEG XL boxes",
         QByteArray("\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12) +
             box("ftyp", QByteArray("jxl \0\0\0\0jxl ", 12)) +
             box("Exif", QByteArray(4, '\0') + ExifBuilder().text(0x010F, "Ovisto").tiff()) +
             box("xml ", xmp) + box("jxlc", codestream)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto source = ImageSource::createWithData(c.bytes);
        ASSERT_TRUE(source);
        EXPECT_FALSE(source->imageAtIndex(0).isNull());
        const QVariantMap properties = source->propertiesAtIndex(0);
        EXPECT_EQ(properties.value(QStringLiteral("{TIFF}")).toMap().value(QStringLiteral("Make")),
                  QStringLiteral("Ovisto"));
        EXPECT_EQ(
            properties.value(QStringLiteral("{XMP}")).toMap().value(QStringLiteral("xmp:Rating")),
            QStringLiteral("3"));
    }
    // A box claiming more than the file holds ends the walk, not the program:
    // the codestream after it is not reached.
    QByteArray lying = cases[3].bytes;
    lying[12 + 20 + 2] = char(0x7f);
    EXPECT_FALSE(ImageSource::createWithData(lying));
}

// A damaged EXIF block only loses what it spoils: the picture still decodes.
TEST(ExifPropertiesDamage, BrokenExifBlockNeverStopsTheDecode) {
    QImage grey(32, 24, QImage::Format_Grayscale8);
    grey.fill(128);
    const QByteArray jpeg = TestImages::encode(grey, "JPEG");
    struct Case {
        const char* what;
        QByteArray tiff; // what follows "Exif\0\0"
    };
    const Case cases[] = {
        {"first IFD offset past the end", QByteArray("II*\0\x00\xff\xff\xff", 8)},
        {"big-endian offset past the end", QByteArray("MM\0*\xff\xff\xff\x00", 8)},
        {"entry count past the end", ExifBuilder().orientation(1).tiff().replace(8, 2, "\xff\xff")},
        {"entry value offset past the end",
         ExifBuilder().text(0x010F, "OvistoCam").tiff().replace(18, 4, "\xf0\xff\xff\x7f")},
        {"truncated header", QByteArray("II*", 3)},
        {"garbage", QByteArray("\x13\x37garbage\xff\xff", 11)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto source =
            ImageSource::createWithData(ExifBuilder::intoJpeg(jpeg, c.tiff), QStringLiteral("jpg"));
        ASSERT_TRUE(source);
        const QImage image = source->imageAtIndex(0);
        EXPECT_EQ(image.size(), QSize(32, 24));
        EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("PixelWidth")).toInt(), 32);
    }
}

} // namespace
