#include "platform/imagesource/ExifProperties.h"
#include "platform/ImageSource.h"
#include "support/ExifBuilder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// One run of a tool over the photo: its arguments split at spaces, "{photo}"
// naming the file.
class ExifPropertiesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(TestImages::writeImage(path, FormatFixtures::pattern(), "JPEG"));
        run("exiftool",
            "-q -overwrite_original -Make=Ovisto -Model=Pattern -ExposureTime=1/125 "
            "-FNumber=2.8 -ISO=200 -ExifVersion=0232 -FlashpixVersion=0100 "
            "-GPSLatitude=48.5 -GPSLatitudeRef=N -GPSLongitude=2.25 "
            "-GPSLongitudeRef=W -Orientation#=6 -XResolution=300 -YResolution=300 "
            "-ResolutionUnit=inches -Keywords=one -Keywords=two -XMP-xmp:Rating=3",
            {"-DateTimeOriginal=2024:05:06 07:08:09", path});
    }
    void run(const char* tool, const char* arguments, const QStringList& more = {}) {
        QString error;
        QStringList all = FormatFixtures::args(arguments) + more;
        all.replaceInStrings("{photo}", path);
        EXPECT_TRUE(FormatFixtures::run(QLatin1String(tool), all, &error)) << qPrintable(error);
    }
    QTemporaryDir folder;
    QString path = folder.filePath("tagged.jpg");
};

TEST_F(ExifPropertiesTest, GroupsKeepNumbersAsNumbersAndListsAsLists) {
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    const QVariantMap p = source->propertiesAtIndex(0);
    const struct {
        const char* group; // empty: the image's own keys
        const char* key;
        QVariant value;
    } expected[] = {
        {"{TIFF}", "Make", "Ovisto"},
        {"{TIFF}", "Model", "Pattern"},
        {"{Exif}", "ExposureTime", 0.008},
        {"{Exif}", "FNumber", 2.8},
        {"{Exif}", "ISOSpeedRatings", 200},
        {"{Exif}", "DateTimeOriginal", "2024:05:06 07:08:09"},
        {"{Exif}", "ExifVersion", QVariantList{2, 3, 2}},
        {"{Exif}", "FlashpixVersion", QVariantList{1, 0}},
        {"{GPS}", "Latitude", 48.5},
        {"{GPS}", "LatitudeRef", "N"},
        {"{GPS}", "Longitude", 2.25},
        {"{GPS}", "LongitudeRef", "W"},
        {"{GPS}", "Version", QVariantList{}}, // any list
        {"{IPTC}", "Keywords", QStringList{"one", "two"}},
        {"", "Orientation", 6},
        {"", "DPIWidth", 300.0},
        {"", "DPIHeight", 300.0},
        {"", "PixelWidth", 64},
        {"", "ColorModel", "RGB"},
        {"", "Depth", 8},
        {"", "HasAlpha", false},
    };
    for (const auto& e : expected) {
        const QVariant got = *e.group ? p.value(e.group).toMap().value(e.key) : p.value(e.key);
        // Numbers stay numbers, lists lists.
        SCOPED_TRACE(e.key);
        const int type = e.value.typeId();
        EXPECT_TRUE(type == QMetaType::QString       ? got.typeId() == type
                    : type == QMetaType::QStringList ? got.toStringList() == e.value.toStringList()
                    : type == QMetaType::QVariantList
                        ? got.typeId() == type &&
                              (e.value.toList().isEmpty() || got.toList() == e.value.toList())
                        : got.typeId() != QMetaType::QString && got == e.value)
            << qPrintable(got.toString());
    }
    // The pixels stay as stored: the viewer applies the orientation.
    EXPECT_EQ(source->imageAtIndex(0).size(), QSize(64, 48));
    // Unreadable or cut-off metadata is empty or partial, not an error.
    EXPECT_TRUE(ExifProperties::read(QByteArray("not an image")).groups.isEmpty());
    const QByteArray bytes = TestImages::read(path);
    for (const qsizetype keep : {qsizetype(30), qsizetype(200), bytes.size() / 3})
        EXPECT_TRUE(ExifProperties::read(bytes.left(keep)).orientation % 6 == 0) << keep;
}

const auto box = FormatFixtures::box;

// Each container carries the photo's EXIF and XMP: heif-enc's AVIF,
// avifenc's sequence (given the blocks as files), cjxl's Brotli-compressed
// boxes and plain JPEG XL boxes.
TEST_F(ExifPropertiesTest, EveryContainerShowsTheExifAndXmpItCarries) {
    run("exiftool", "-q -b -Exif -W! %d%f.Exif {photo}");
    run("exiftool", "-q -b -XMP -W! %d%f.XMP {photo}");
    const auto made = [&](const char* tool, QStringList arguments, const char* ext) {
        return FormatFixtures::convert(QImage(), QLatin1String(tool), arguments << "{out}",
                                       QLatin1String(ext));
    };
    const QByteArray xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
        "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"3\"/></rdf:RDF></x:xmpmeta>";
    const QByteArray codestream = FormatFixtures::convert(
        FormatFixtures::pattern(), "cjxl", FormatFixtures::args("{in} {out} -d 0"), "jxl");
    ASSERT_TRUE(codestream.startsWith("\xFF\x0A"));
    const QByteArray brotli = made("cjxl", {path}, "jxl");
    EXPECT_TRUE(brotli.contains("brobExif"));
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"AVIF", made("heif-enc", {"-A", "-p", "chroma=422", path, "-o"}, "avif")},
        {"AVIF sequence", made("avifenc",
                               {"-l", "--exif", folder.filePath("tagged.Exif"), "--xmp",
                                folder.filePath("tagged.XMP"), path, path},
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
        EXPECT_EQ(properties.value("{TIFF}").toMap().value("Make"), "Ovisto");
        EXPECT_EQ(properties.value("{XMP}").toMap().value("xmp:Rating"), "3");
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
        auto source = ImageSource::createWithData(ExifBuilder::intoJpeg(jpeg, c.tiff), "jpg");
        ASSERT_TRUE(source);
        const QImage image = source->imageAtIndex(0);
        EXPECT_EQ(image.size(), QSize(32, 24));
        EXPECT_EQ(source->propertiesAtIndex(0).value("PixelWidth").toInt(), 32);
    }
}

} // namespace
