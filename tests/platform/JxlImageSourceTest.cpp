#include "platform/ImageSource.h"
#include "support/ExifBuilder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

#include <vector>

namespace {

// The camera maker and rating the fixtures write into EXIF and XMP.
void expectTags(const QVariantMap& properties, const QString& rating) {
    EXPECT_EQ(
        properties.value(QStringLiteral("{TIFF}")).toMap().value(QStringLiteral("Make")).toString(),
        QStringLiteral("OvistoCam"));
    EXPECT_EQ(properties.value(QStringLiteral("{XMP}"))
                  .toMap()
                  .value(QStringLiteral("xmp:Rating"))
                  .toString(),
              rating);
}

// The middle of each quadrant of the pattern.
void expectPattern(const QImage& decoded, int tolerance, const char* what) {
    ASSERT_FALSE(decoded.isNull()) << what;
    const QImage pattern = FormatFixtures::pattern(decoded.width(), decoded.height());
    for (const double fx : {0.25, 0.75})
        for (const double fy : {0.25, 0.75}) {
            const int x = int(decoded.width() * fx), y = int(decoded.height() * fy);
            EXPECT_LE(TestImages::channelDistance(decoded.pixel(x, y), pattern.pixel(x, y)),
                      tolerance)
                << what << " at " << x << "," << y;
        }
}

void be32(QByteArray& out, quint32 v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((v >> shift) & 0xff);
}

QByteArray box(const char* type, const QByteArray& payload) {
    QByteArray out;
    be32(out, quint32(8 + payload.size()));
    return out + QByteArray(type, 4) + payload;
}

class JxlImageSource : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QByteArray encode(const QImage& image, const QStringList& options, const char* name) {
        const QString png = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        const QString out = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".jxl"));
        QString error;
        if (!image.save(png, "PNG") ||
            !FormatFixtures::run(QStringLiteral("cjxl"), QStringList{png, out} + options, &error)) {
            ADD_FAILURE() << qPrintable(error);
            return QByteArray();
        }
        return TestImages::read(out);
    }
    // cjxl reads linear-light floats from a PFM file: rows bottom to top.
    QByteArray encodeFloats(int width, int height, float left, float right,
                            const QStringList& options) {
        QByteArray pfm = QStringLiteral("PF\n%1 %2\n-1.0\n").arg(width).arg(height).toLatin1();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c) {
                    const float v = x < width / 2 ? left : right;
                    pfm.append(reinterpret_cast<const char*>(&v), 4);
                }
        const QString in = dir.filePath(QStringLiteral("light.pfm"));
        const QString out = dir.filePath(QStringLiteral("light.jxl"));
        QString error;
        if (!TestImages::write(in, pfm) ||
            !FormatFixtures::run(QStringLiteral("cjxl"), QStringList{in, out} + options, &error)) {
            ADD_FAILURE() << qPrintable(error);
            return QByteArray();
        }
        return TestImages::read(out);
    }
    QTemporaryDir dir;
};

TEST_F(JxlImageSource, GreyFilesComeBackGreyInEitherMode) {
    QImage grey(64, 48, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.setPixel(x, y, qRgb(x * 4, x * 4, x * 4));
    for (const char* mode : {"0", "1"}) {
        auto source = ImageSource::createWithData(
            encode(grey, {QStringLiteral("-d"), QLatin1String(mode)}, "grey"));
        ASSERT_TRUE(source) << mode;
        EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("ColorModel")).toString(),
                  QStringLiteral("Gray"));
        const QImage decoded = source->imageAtIndex(0);
        ASSERT_EQ(decoded.size(), grey.size()) << mode;
        for (const int x : {4, 30, 60}) {
            const QRgb p = decoded.pixel(x, 20);
            EXPECT_LE(TestImages::channelDistance(p, qRgb(x * 4, x * 4, x * 4)), 6)
                << mode << " at " << x;
        }
    }
}

TEST_F(JxlImageSource, ProgressiveFileShowsItsDcPassFirstAndFinishesTheSameDecode) {
    const QImage pattern = FormatFixtures::pattern(2400, 1800);
    const QByteArray bytes =
        encode(pattern,
               {QStringLiteral("-p"), QStringLiteral("-d"), QStringLiteral("1"),
                QStringLiteral("-e"), QStringLiteral("3")},
               "progressive");
    auto source = ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    const QImage first = source->firstLook();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), pattern.size());
    expectPattern(first, 40, "first look");
    const QImage finished = source->imageAtIndex(0);
    expectPattern(finished, 40, "finished");
    auto fresh = ImageSource::createWithData(bytes);
    EXPECT_EQ(finished, fresh->imageAtIndex(0))
        << "the continued decode ends where a whole one does";
}

TEST_F(JxlImageSource, FileWithoutAnEarlyPassHasNoFirstLookAndDecodesOnce) {
    const QByteArray lossless = encode(
        FormatFixtures::pattern(2400, 1800),
        {QStringLiteral("-d"), QStringLiteral("0"), QStringLiteral("-e"), QStringLiteral("1")},
        "lossless");
    auto source = ImageSource::createWithData(lossless);
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->firstLook().isNull());
    expectPattern(source->imageAtIndex(0), 2, "kept from the first look's decode");
    expectPattern(source->imageAtIndex(0), 2, "and decoded again when asked again");
    auto small = ImageSource::createWithData(
        encode(FormatFixtures::pattern(), {QStringLiteral("-p")}, "small"));
    ASSERT_TRUE(small);
    EXPECT_TRUE(small->firstLook().isNull()) << "small images decode whole at once";
}

TEST_F(JxlImageSource, FloatingPointLightIsToneMappedNotClipped) {
    // cjxl takes a PFM's floats as sRGB-encoded: 0.46 is mid grey (0.18 in
    // linear light), 3.0 a highlight about ninety times brighter.
    for (const char* distance : {"0", "1"}) {
        auto source = ImageSource::createWithData(
            encodeFloats(64, 32, 0.46f, 3.0f, {QStringLiteral("-d"), QLatin1String(distance)}));
        ASSERT_TRUE(source) << distance;
        EXPECT_TRUE(source->propertiesAtIndex(0).value(QStringLiteral("IsFloat")).toBool());
        const QImage image = source->imageAtIndex(0);
        ASSERT_EQ(image.size(), QSize(64, 32));
        EXPECT_EQ(image.depth(), 32);
        const QRgb grey = image.pixel(10, 16), bright = image.pixel(54, 16);
        EXPECT_GT(qGreen(grey), 80) << distance;
        EXPECT_LT(qGreen(grey), 140) << distance;
        EXPECT_GT(qGreen(bright), 240) << distance;
    }
}

TEST_F(JxlImageSource, PqVideoLightKeepsItsReferenceWhiteAndCompressesHighlights) {
    // 16-bit samples on the PQ curve: 0.5807 is 203 cd/m² (the white of SDR
    // video), 0.7518 is 1000 cd/m². Lossless keeps the curve for us to
    // undo; lossy comes back from the library in linear light scaled to the
    // file's intensity target, which cjxl leaves at 255 cd/m² here.
    QImage image(64, 32, QImage::Format_RGBX64);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const quint16 v = quint16(std::lround((x < 32 ? 0.5807 : 0.7518) * 65535));
            image.setPixelColor(x, y, QColor::fromRgba64(v, v, v));
        }
    for (const char* distance : {"0", "1"}) {
        auto source = ImageSource::createWithData(
            encode(image,
                   {QStringLiteral("-x"), QStringLiteral("color_space=RGB_D65_202_Rel_PeQ"),
                    QStringLiteral("-d"), QLatin1String(distance)},
                   "pq"));
        ASSERT_TRUE(source) << distance;
        const QImage shown = source->imageAtIndex(0);
        ASSERT_EQ(shown.size(), image.size()) << distance;
        const QRgb white = shown.pixel(10, 16), highlight = shown.pixel(54, 16);
        // Reference white at 1.0, compressed against a 1000 cd/m² white
        // point: 0.52 in linear light, 191 once encoded.
        EXPECT_NEAR(qGreen(white), 191, 4) << distance;
        EXPECT_GT(qGreen(highlight), 245) << distance;
    }
}

TEST_F(JxlImageSource, ContainerBoxesGiveExifAndXmp) {
    const QByteArray codestream =
        encode(FormatFixtures::pattern(), {QStringLiteral("-d"), QStringLiteral("0")}, "bare");
    ASSERT_TRUE(codestream.startsWith("\xFF\x0A"));
    const QByteArray tiff = ExifBuilder().text(0x010F, "OvistoCam").tiff();
    const QByteArray xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
        "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"4\"/></rdf:RDF></x:xmpmeta>";
    QByteArray offset;
    be32(offset, 0);
    const QByteArray file = QByteArray("\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12) +
                            box("ftyp", QByteArray("jxl \0\0\0\0jxl ", 12)) +
                            box("Exif", offset + tiff) + box("xml ", xmp) + box("jxlc", codestream);
    auto source = ImageSource::createWithData(file);
    ASSERT_TRUE(source);
    expectPattern(source->imageAtIndex(0), 2, "container");
    const QVariantMap properties = source->propertiesAtIndex(0);
    expectTags(properties, QStringLiteral("4"));
    EXPECT_EQ(properties.value(QStringLiteral("Orientation")).toInt(), 1);

    // A box claiming more than the file holds ends the walk, not the program:
    // the codestream after it is not reached.
    QByteArray lying = file;
    lying[12 + 20 + 2] = char(0x7f);
    EXPECT_FALSE(ImageSource::createWithData(lying));
}

TEST_F(JxlImageSource, MetadataTheEncoderCompressedShowsInTheProperties) {
    // cjxl carries a JPEG's EXIF and XMP over in Brotli-compressed boxes.
    const QString jpeg = dir.filePath(QStringLiteral("tagged.jpg"));
    const QString out = dir.filePath(QStringLiteral("tagged.jxl"));
    ASSERT_TRUE(TestImages::write(jpeg, TestImages::encode(FormatFixtures::pattern(), "JPEG")));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("exiftool"),
                                    {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                     QStringLiteral("-Make=OvistoCam"),
                                     QStringLiteral("-XMP-xmp:Rating=2"), jpeg},
                                    &error))
        << qPrintable(error);
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("cjxl"), {jpeg, out}, &error))
        << qPrintable(error);
    const QByteArray bytes = TestImages::read(out);
    ASSERT_TRUE(bytes.contains("brobExif"));
    auto source = ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    expectPattern(source->imageAtIndex(0), 40, "transcoded JPEG");
    const QVariantMap properties = source->propertiesAtIndex(0);
    expectTags(properties, QStringLiteral("2"));
}

} // namespace
