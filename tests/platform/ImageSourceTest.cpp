#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// One folder of fixtures for the whole program: the tools are slow to start.
class Fixtures {
public:
    static Fixtures& shared() {
        static Fixtures fixtures;
        return fixtures;
    }
    QString path(const QString& extension) {
        if (!paths.contains(extension)) {
            QString error;
            paths.insert(extension, FormatFixtures::make(extension, folder.filePath(extension), &error));
            errors.insert(extension, error);
        }
        return paths.value(extension);
    }
    QString error(const QString& extension) const { return errors.value(extension); }
    QString scratch(const QString& name) const { return folder.filePath(name); }

private:
    QTemporaryDir folder;
    QHash<QString, QString> paths;
    QHash<QString, QString> errors;
};

int distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// Compares the middle of each quadrant (edges blur in lossy codecs).
void expectPattern(const QImage& decoded, const QImage& pattern, int tolerance, const QString& what) {
    ASSERT_FALSE(decoded.isNull()) << qPrintable(what);
    ASSERT_EQ(decoded.size(), pattern.size()) << qPrintable(what);
    for (const double fx : {0.25, 0.75}) {
        for (const double fy : {0.25, 0.75}) {
            const int x = int(pattern.width() * fx), y = int(pattern.height() * fy);
            const QColor expected = pattern.pixelColor(x, y);
            const QColor actual = decoded.pixelColor(x, y);
            EXPECT_LE(distance(actual, expected), tolerance)
                << qPrintable(what) << " at " << x << "," << y << ": " << qPrintable(actual.name()) << " for "
                << qPrintable(expected.name());
        }
    }
}

class EveryExtension : public ::testing::TestWithParam<QString> {};

TEST_P(EveryExtension, DecodesToTheKnownPattern) {
    const QString ext = GetParam();
    const QString path = Fixtures::shared().path(ext);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(Fixtures::shared().error(ext));
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source) << qPrintable(ext);
    ASSERT_GE(source->count(), 1);
    const QImage image = source->imageAtIndex(0);
    const QVariantMap properties = source->propertiesAtIndex(0);
    if (FormatFixtures::isFax(ext)) {
        const QImage pattern = FormatFixtures::faxPattern();
        ASSERT_EQ(image.width(), pattern.width());
        EXPECT_GE(image.height(), pattern.height());
        expectPattern(image.copy(0, 0, pattern.width(), pattern.height()), pattern, 0, ext);
    } else {
        const QImage pattern = ext == QLatin1String("icns") ? FormatFixtures::pattern(128, 128) : FormatFixtures::pattern();
        expectPattern(image, pattern, FormatFixtures::tolerance(ext), ext);
    }
    EXPECT_EQ(properties.value(QStringLiteral("PixelWidth")).toInt(), image.width()) << qPrintable(ext);
    EXPECT_EQ(properties.value(QStringLiteral("PixelHeight")).toInt(), image.height()) << qPrintable(ext);
    EXPECT_EQ(source->properties().value(QStringLiteral("FileSize")).toLongLong(), QFileInfo(path).size());
    EXPECT_NE(source->type(), QString()) << qPrintable(ext);
}

TEST_P(EveryExtension, OpensFromBytesAsFromTheFile) {
    const QString ext = GetParam();
    const QString path = Fixtures::shared().path(ext);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(Fixtures::shared().error(ext));
    auto fromFile = ImageSource::createWithURL(path);
    auto fromBytes = ImageSource::createWithData(TestImages::read(path), ext);
    ASSERT_TRUE(fromFile && fromBytes);
    EXPECT_EQ(fromBytes->type(), fromFile->type());
    EXPECT_EQ(fromBytes->imageAtIndex(0), fromFile->imageAtIndex(0));
}

TEST_P(EveryExtension, TruncatedFileOpensNothingOrKeepsToItsStatedSize) {
    const QString ext = GetParam();
    const QByteArray bytes = TestImages::read(Fixtures::shared().path(ext));
    ASSERT_FALSE(bytes.isEmpty());
    // Cut in half, a file is damaged; only headerless fax data cannot tell.
    if (ext != QLatin1String("fax")) {
        auto half = ImageSource::createWithData(bytes.left(bytes.size() / 2), ext);
        EXPECT_TRUE(!half || half->imageAtIndex(0).isNull()) << qPrintable(ext);
    }
    for (const qsizetype keep : {qsizetype(1), qsizetype(16), bytes.size() / 2, bytes.size() - 1}) {
        auto source = ImageSource::createWithData(bytes.left(keep), ext);
        if (!source)
            continue;
        // Whatever opens keeps to its stated size; most formats refuse.
        const QImage image = source->imageAtIndex(0);
        const QVariantMap properties = source->propertiesAtIndex(0);
        if (!image.isNull() && properties.contains(QStringLiteral("PixelWidth"))) {
            EXPECT_EQ(image.width(), properties.value(QStringLiteral("PixelWidth")).toInt()) << qPrintable(ext);
        }
    }
}

TEST_P(EveryExtension, EmptyOrRandomContentOpensNothing) {
    const QString ext = GetParam();
    const QString empty = Fixtures::shared().scratch(QStringLiteral("empty.") + ext);
    ASSERT_TRUE(TestImages::write(empty, QByteArray()));
    EXPECT_FALSE(ImageSource::createWithURL(empty));
    QRandomGenerator random(uint(qHash(ext)));
    for (int round = 0; round < 20; ++round) {
        QByteArray noise(int(random.bounded(1, 5000)), Qt::Uninitialized);
        for (char& c : noise)
            c = char(random.bounded(256));
        auto source = ImageSource::createWithData(noise, ext);
        if (source) {
            EXPECT_TRUE(source->imageAtIndex(0).isNull()) << qPrintable(ext) << " round " << round;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryExtension, ::testing::ValuesIn(FormatFixtures::extensions()),
                         [](const auto& info) { return info.param.toStdString(); });

TEST(ImageSource, RawExtensionsAreOpenedByTheirContent) {
    // The TIFF-based raw formats share DNG's container; under any of their
    // names a DNG goes to the raw decoder.
    const QByteArray dng = TestImages::read(Fixtures::shared().path(QStringLiteral("dng")));
    for (const char* ext : {"cr2", "nef", "arw", "erf", "3fr", "pef", "srw", "sr2", "srf", "rwl"}) {
        auto source = ImageSource::createWithData(dng, QString::fromLatin1(ext));
        ASSERT_TRUE(source) << ext;
        expectPattern(source->imageAtIndex(0), FormatFixtures::pattern(), 40, QString::fromLatin1(ext));
    }
    auto plain = ImageSource::createWithData(dng);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->type(), QStringLiteral("com.adobe.raw-image"));
}

TEST(ImageSource, ContentDecidesOverTheExtension) {
    const QString misnamed = Fixtures::shared().scratch(QStringLiteral("really-a-png.jpg"));
    ASSERT_TRUE(TestImages::writeImage(misnamed, FormatFixtures::pattern(), "PNG"));
    auto source = ImageSource::createWithURL(misnamed);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), QStringLiteral("public.png"));
    EXPECT_FALSE(source->imageAtIndex(0).isNull());
}

TEST(ImageSource, TextUnderAnImageNameOpensNothing) {
    EXPECT_FALSE(ImageSource::createWithData("This is not an image at all.", QStringLiteral("png")));
    EXPECT_FALSE(ImageSource::createWithURL(Fixtures::shared().scratch(QStringLiteral("missing.jpg"))));
}

TEST(ImageSource, OrientationIsReportedAndNotApplied) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        auto source = ImageSource::createWithData(TestImages::jpegWithOrientation(TestImages::asymmetric(30, 20), orientation));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("Orientation")).toInt(), orientation);
        EXPECT_EQ(source->imageAtIndex(0).size(), QSize(30, 20));
    }
}

TEST(ImageSource, ThumbnailIsUprightAndWithinTheMaximumSize) {
    // Orientation 6: the stored top-left quadrant (red) ends up top right,
    // the bottom-left one (blue) top left.
    auto source = ImageSource::createWithData(TestImages::jpegWithOrientation(FormatFixtures::pattern(400, 200), 6));
    ASSERT_TRUE(source);
    const QImage thumbnail = source->thumbnail(64);
    ASSERT_EQ(thumbnail.size(), QSize(32, 64));
    EXPECT_LE(distance(thumbnail.pixelColor(24, 8), Qt::red), 40);
    EXPECT_LE(distance(thumbnail.pixelColor(8, 8), Qt::blue), 40);
    EXPECT_LE(distance(thumbnail.pixelColor(24, 56), Qt::green), 40);
}

TEST(ImageSource, ThumbnailOfAThinImageKeepsAPixelAcross) {
    QImage thin(1, 3000, QImage::Format_RGB32);
    thin.fill(Qt::green);
    auto source = ImageSource::createWithData(TestImages::encode(thin, "PNG"));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->thumbnail(128).size(), QSize(1, 128));
}

TEST(ImageSource, DisplayNamesAreReadableAndFallBackToTheKey) {
    EXPECT_EQ(ImageSource::displayName(QStringLiteral("PixelWidth")), QStringLiteral("Pixel Width"));
    EXPECT_EQ(ImageSource::displayName(QStringLiteral("public.jpeg")), QStringLiteral("JPEG image"));
    EXPECT_EQ(ImageSource::displayName(QStringLiteral("{Exif}")), QStringLiteral("Exif"));
    EXPECT_EQ(ImageSource::displayName(QStringLiteral("NoSuchKey")), QStringLiteral("NoSuchKey"));
}

TEST(ImageSource, EveryTypeIdentifierHasADisplayName) {
    for (const QString& ext : FormatFixtures::extensions()) {
        auto source = ImageSource::createWithURL(Fixtures::shared().path(ext));
        ASSERT_TRUE(source) << qPrintable(ext);
        EXPECT_NE(ImageSource::displayName(source->type()), source->type()) << qPrintable(ext);
    }
}

TEST(ImageSource, HeaderClaimingHugeDimensionsIsRefusedBeforeDecoding) {
    // A valid PNG header claiming 100000 x 100000 pixels, then a token of data.
    QByteArray header;
    for (quint32 v : {100000u, 100000u})
        for (int shift = 24; shift >= 0; shift -= 8)
            header += char(v >> shift);
    header += QByteArray("\x08\x06\x00\x00\x00", 5);
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + FormatFixtures::pngChunk("IHDR", header) +
                           FormatFixtures::pngChunk("IDAT", QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)) +
                           FormatFixtures::pngChunk("IEND", QByteArray());
    auto source = ImageSource::createWithData(png);
    if (source) {
        EXPECT_TRUE(source->imageAtIndex(0).isNull());
        EXPECT_TRUE(source->thumbnail(128).isNull());
    }
}

TEST(ImageSource, JpegClaimingHalfAGigapixelOverAFewBytesIsDamaged) {
    // 16424 x 32798 pixels announced, one short scan that ends at once: the
    // decoder must stop at the end of the data, not fill the rest with grey.
    const QByteArray jpeg = QByteArray::fromBase64(
        "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAYEBQYFBAYGBQYHBwYIChAKCgkJihQODwwQFxQYGBcUFiQWGh0lHxobIxwWfhYgLCAjLCcp"
        "KikZHy0wMCgoLSUpKP/AAAsIgB5AKAEBEQD/xAAWAAEBAQAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAFmKhAxVh/9oACAEBAAA/ANAME7D/2Q==");
    // The same claim, arithmetic-coded: that decoder ends without a warning.
    const QByteArray arithmetic = QByteArray::fromBase64(
        "/9gAAAEAAQAA/9sAQwAGBAYFBAb6+vn0BwYIChAKCgkJihQODwwYFxQYGBcUFiQDAAAAAAAAABwWFiAsICMsJykqKRkfLTAxKCgtJSko"
        "/8kACwiAHkAoAQERAAAV/9oACAEBAAA/ANAME7D/2Q==");
    for (const QByteArray& bytes : {jpeg, arithmetic}) {
        auto source = ImageSource::createWithData(bytes);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("PixelWidth")).toInt(), 16424);
        EXPECT_TRUE(source->thumbnail(128).isNull());
        EXPECT_TRUE(source->imageAtIndex(0).isNull());
    }
}

TEST(ImageSource, EveryJpegCodingDecodesWhole) {
    // Scans, restart markers and arithmetic coding must not be taken for an
    // early end of the data.
    const QString ppm = Fixtures::shared().scratch(QStringLiteral("coding.ppm"));
    const QImage pattern = FormatFixtures::pattern(320, 240);
    ASSERT_TRUE(pattern.save(ppm, "PPM"));
    const QList<QStringList> codings = {
        {QStringLiteral("-progressive")},
        {QStringLiteral("-restart"), QStringLiteral("1")},
        {QStringLiteral("-arithmetic")},
        {QStringLiteral("-arithmetic"), QStringLiteral("-restart"), QStringLiteral("2")},
        {QStringLiteral("-sample"), QStringLiteral("2x2"), QStringLiteral("-optimize")},
        {QStringLiteral("-grayscale")},
    };
    for (const QStringList& coding : codings) {
        const QString out = Fixtures::shared().scratch(QStringLiteral("coding.jpg"));
        QString error;
        ASSERT_TRUE(FormatFixtures::run(QStringLiteral("cjpeg"),
                                        coding + QStringList{QStringLiteral("-outfile"), out, ppm}, &error))
            << qPrintable(error);
        auto source = ImageSource::createWithURL(out);
        ASSERT_TRUE(source);
        const QImage image = source->imageAtIndex(0);
        const QString what = coding.join(QLatin1Char(' '));
        if (coding.contains(QStringLiteral("-grayscale"))) {
            ASSERT_FALSE(image.isNull());
            EXPECT_LE(std::abs(qGray(image.pixel(240, 180)) - 255), 8) << qPrintable(what);
            continue;
        }
        expectPattern(image, pattern, 40, what);
        EXPECT_EQ(source->thumbnail(40).size(), QSize(40, 30)) << qPrintable(what);
    }
}

TEST(ImageSource, SixteenBitPngKeepsItsDepth) {
    QImage deep(4, 4, QImage::Format_RGBA64);
    deep.fill(QColor::fromRgba64(1000, 30000, 65535));
    auto source = ImageSource::createWithData(TestImages::encode(deep, "PNG"));
    ASSERT_TRUE(source);
    const QImage image = source->imageAtIndex(0);
    EXPECT_EQ(image.pixelColor(1, 1).rgba64(), QRgba64::fromRgba64(1000, 30000, 65535, 65535));
    EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("Depth")).toInt(), 16);
}

TEST(ImageSource, SixteenBitJpeg2000KeepsItsDepth) {
    QImage deep(64, 48, QImage::Format_RGBX64);
    for (int y = 0; y < deep.height(); ++y)
        for (int x = 0; x < deep.width(); ++x)
            deep.setPixelColor(x, y, QColor::fromRgba64(quint16(x * 1000 + 7), quint16(y * 1300 + 3), 40000));
    const QString png = Fixtures::shared().scratch(QStringLiteral("deep.png"));
    const QString jp2 = Fixtures::shared().scratch(QStringLiteral("deep.jp2"));
    ASSERT_TRUE(TestImages::write(png, TestImages::encode(deep, "PNG")));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("opj_compress"), {QStringLiteral("-i"), png, QStringLiteral("-o"), jp2},
                                    &error))
        << qPrintable(error);
    auto source = ImageSource::createWithURL(jp2);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("Depth")).toInt(), 16);
    const QImage image = source->imageAtIndex(0);
    EXPECT_EQ(image.pixelColor(13, 17).rgba64(), deep.pixelColor(13, 17).rgba64());
    EXPECT_EQ(image.pixelColor(63, 47).rgba64(), deep.pixelColor(63, 47).rgba64());
}

TEST(ImageSource, TenBitHeicKeepsItsDepthAndLevels) {
    // Levels between two 8-bit steps must survive: a 10-bit HEIC read through
    // an 8-bit path would band.
    QImage deep(64, 64, QImage::Format_RGBX64);
    for (int y = 0; y < deep.height(); ++y)
        for (int x = 0; x < deep.width(); ++x)
            deep.setPixelColor(x, y, QColor::fromRgba64(quint16(20000 + x * 64), quint16(30000 + y * 64), 40000));
    const QString png = Fixtures::shared().scratch(QStringLiteral("deep-heic.png"));
    const QString heic = Fixtures::shared().scratch(QStringLiteral("deep.heic"));
    ASSERT_TRUE(TestImages::write(png, TestImages::encode(deep, "PNG")));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("heif-enc"),
                                    {QStringLiteral("-b"), QStringLiteral("10"), QStringLiteral("-q"),
                                     QStringLiteral("100"), QStringLiteral("-p"), QStringLiteral("chroma=444"),
                                     png, QStringLiteral("-o"), heic},
                                    &error))
        << qPrintable(error);
    auto source = ImageSource::createWithURL(heic);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("Depth")).toInt(), 10);
    const QImage image = source->imageAtIndex(0);
    ASSERT_EQ(image.size(), deep.size());
    EXPECT_EQ(image.depth(), 64);
    int distinct = 0;
    for (int x = 1; x < 60; ++x) {
        const QRgba64 shown = image.pixelColor(x, 32).rgba64();
        EXPECT_NEAR(shown.red(), deep.pixelColor(x, 32).rgba64().red(), 700) << x;
        distinct += shown.red() / 257 == image.pixelColor(x - 1, 32).rgba64().red() / 257 &&
                    shown.red() != image.pixelColor(x - 1, 32).rgba64().red();
    }
    EXPECT_GT(distinct, 10) << "steps finer than 8 bits are kept";
}

TEST(ImageSource, DisplayP3IsConvertedToSRGB) {
    // Display P3 values, converted with the textbook linear P3 -> linear sRGB matrix.
    const int p3[3] = {200, 120, 60};
    auto linear = [](double e) { return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4); };
    auto encode = [](double l) {
        l = std::clamp(l, 0.0, 1.0);
        return int(std::lround(255.0 * (l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055)));
    };
    const double r = linear(p3[0] / 255.0), g = linear(p3[1] / 255.0), b = linear(p3[2] / 255.0);
    const QColor expected(encode(1.2249 * r - 0.2247 * g), encode(-0.0420 * r + 1.0419 * g),
                          encode(-0.0197 * r - 0.0786 * g + 1.0979 * b));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor(p3[0], p3[1], p3[2]));
    image.setColorSpace(QColorSpace::DisplayP3);
    for (const char* format : {"PNG", "JPEG"}) {
        auto source = ImageSource::createWithData(TestImages::encode(image, format, 100));
        ASSERT_TRUE(source) << format;
        const QImage decoded = source->imageAtIndex(0);
        EXPECT_LE(distance(decoded.pixelColor(4, 4), expected), 3)
            << format << ": " << qPrintable(decoded.pixelColor(4, 4).name()) << " for " << qPrintable(expected.name());
        EXPECT_NE(source->propertiesAtIndex(0).value(QStringLiteral("ProfileName")).toString(), QString()) << format;
    }
    // heif-enc carries the PNG's profile into the HEIC file.
    const QString png = Fixtures::shared().scratch(QStringLiteral("p3.png"));
    const QString heic = Fixtures::shared().scratch(QStringLiteral("p3.heic"));
    ASSERT_TRUE(TestImages::write(png, TestImages::encode(image, "PNG")));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("heif-enc"),
                                    {QStringLiteral("-L"), png, QStringLiteral("-o"), heic}, &error))
        << qPrintable(error);
    auto source = ImageSource::createWithURL(heic);
    ASSERT_TRUE(source);
    EXPECT_LE(distance(source->imageAtIndex(0).pixelColor(4, 4), expected), 6)
        << qPrintable(source->imageAtIndex(0).pixelColor(4, 4).name()) << " for " << qPrintable(expected.name());
}

TEST(ImageSource, DisplayP3InWebpAvifAndJpegXlIsConvertedToSRGB) {
    // The same P3 pixels as above, carried by each format's own encoder as
    // an ICC profile or as CICP code points (primaries 12, sRGB curve).
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 60));
    const QString plain = Fixtures::shared().scratch(QStringLiteral("p3-untagged.png"));
    ASSERT_TRUE(TestImages::write(plain, TestImages::encode(image, "PNG")));
    image.setColorSpace(QColorSpace::DisplayP3);
    const QString tagged = Fixtures::shared().scratch(QStringLiteral("p3-icc.png"));
    ASSERT_TRUE(TestImages::write(tagged, TestImages::encode(image, "PNG")));
    const QColor expected = QColor::fromRgba(image.convertedToColorSpace(QColorSpace::SRgb).pixel(4, 4));

    const auto out = [](const char* name) { return Fixtures::shared().scratch(QLatin1String(name)); };
    const QString l = QStringLiteral("-l");
    const struct {
        const char* file;
        QString tool;
        QStringList arguments;
    } cases[] = {
        {"p3.webp", QStringLiteral("cwebp"),
         {QStringLiteral("-quiet"), QStringLiteral("-lossless"), QStringLiteral("-metadata"), QStringLiteral("icc"),
          tagged, QStringLiteral("-o"), out("p3.webp")}},
        {"p3-icc.avif", QStringLiteral("heif-enc"),
         {QStringLiteral("-A"), QStringLiteral("-q"), QStringLiteral("100"), QStringLiteral("-p"),
          QStringLiteral("chroma=444"), tagged, QStringLiteral("-o"), out("p3-icc.avif")}},
        // heif-enc 1.15 writes unspecified code points whatever it is told.
        {"p3-cicp.avif", QStringLiteral("avifenc"),
         {l, QStringLiteral("--cicp"), QStringLiteral("12/13/0"), plain, out("p3-cicp.avif")}},
        {"p3-cicp.avifs", QStringLiteral("avifenc"),
         {l, QStringLiteral("--cicp"), QStringLiteral("12/13/0"), plain, plain, out("p3-cicp.avifs")}},
        {"p3-lossless.jxl", QStringLiteral("cjxl"), {tagged, out("p3-lossless.jxl"), QStringLiteral("-d"), QStringLiteral("0")}},
        {"p3-lossy.jxl", QStringLiteral("cjxl"), {tagged, out("p3-lossy.jxl"), QStringLiteral("-d"), QStringLiteral("0.5")}},
    };
    for (const auto& c : cases) {
        QString error;
        ASSERT_TRUE(FormatFixtures::run(c.tool, c.arguments, &error)) << c.file << ": " << qPrintable(error);
        auto source = ImageSource::createWithURL(out(c.file));
        ASSERT_TRUE(source) << c.file;
        const QColor shown = source->imageAtIndex(0).pixelColor(8, 8);
        EXPECT_LE(distance(shown, expected), 4)
            << c.file << ": " << qPrintable(shown.name()) << " for " << qPrintable(expected.name());
        EXPECT_NE(source->propertiesAtIndex(0).value(QStringLiteral("ProfileName")).toString(), QString()) << c.file;
    }
}

TEST(ImageSource, CicpChunkOfAPngIsHonoured) {
    // The same pixels tagged Display P3 through cICP (primaries 12, sRGB curve)
    // come out as the ICC-tagged ones do.
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 60));
    QByteArray png = TestImages::encode(image, "PNG");
    png.insert(8 + 25, FormatFixtures::pngChunk("cICP", QByteArray("\x0c\x0d\x00\x01", 4))); // after IHDR
    image.setColorSpace(QColorSpace::DisplayP3);
    auto tagged = ImageSource::createWithData(TestImages::encode(image, "PNG"));
    auto cicp = ImageSource::createWithData(png);
    ASSERT_TRUE(tagged && cicp);
    EXPECT_LE(distance(cicp->imageAtIndex(0).pixelColor(2, 2), tagged->imageAtIndex(0).pixelColor(2, 2)), 1);
    EXPECT_GT(distance(cicp->imageAtIndex(0).pixelColor(2, 2), QColor(200, 120, 60)), 5);
}

TEST(ImageSource, GifFramesCarryTheirDelays) {
    const QString path = Fixtures::shared().scratch(QStringLiteral("frames.gif"));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("/usr/bin/convert"),
                                    {QStringLiteral("-size"), QStringLiteral("4x4"), QStringLiteral("-delay"),
                                     QStringLiteral("7"), QStringLiteral("xc:red"), QStringLiteral("-delay"),
                                     QStringLiteral("0"), QStringLiteral("xc:blue"), QStringLiteral("-loop"),
                                     QStringLiteral("0"), path},
                                    &error))
        << qPrintable(error);
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 2);
    const QVariantMap first = source->propertiesAtIndex(0).value(QStringLiteral("{GIF}")).toMap();
    const QVariantMap second = source->propertiesAtIndex(1).value(QStringLiteral("{GIF}")).toMap();
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("UnclampedDelayTime")).toDouble(), 0.07);
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("DelayTime")).toDouble(), 0.07);
    EXPECT_DOUBLE_EQ(second.value(QStringLiteral("UnclampedDelayTime")).toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(second.value(QStringLiteral("DelayTime")).toDouble(), 0.1);
    EXPECT_EQ(source->properties().value(QStringLiteral("{GIF}")).toMap().value(QStringLiteral("LoopCount")).toInt(), 0);
    EXPECT_LE(distance(source->imageAtIndex(1).pixelColor(1, 1), Qt::blue), 2);
    EXPECT_LE(distance(source->imageAtIndex(0).pixelColor(1, 1), Qt::red), 2);
}

TEST(ImageSource, CmykJpegStillOpens) {
    const QString path = Fixtures::shared().scratch(QStringLiteral("cmyk.jpg"));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("/usr/bin/convert"),
                                    {QStringLiteral("-size"), QStringLiteral("8x8"), QStringLiteral("xc:red"),
                                     QStringLiteral("-colorspace"), QStringLiteral("CMYK"), path},
                                    &error))
        << qPrintable(error);
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    const QColor color = source->imageAtIndex(0).pixelColor(4, 4);
    EXPECT_GT(color.red(), 200);
    EXPECT_LT(color.green(), 60);
    EXPECT_LT(color.blue(), 60);
}

TEST(ImageSource, LargeJpegThumbnailMatchesTheFullDecode) {
    // The thumbnail comes from a reduced (DCT-scaled) decode.
    auto source = ImageSource::createWithData(TestImages::encode(FormatFixtures::pattern(1600, 1200), "JPEG", 95));
    ASSERT_TRUE(source);
    const QImage thumbnail = source->thumbnail(100);
    ASSERT_EQ(thumbnail.size(), QSize(100, 75));
    expectPattern(thumbnail, FormatFixtures::pattern(100, 75), 40, QStringLiteral("thumbnail"));
}

TEST(ImageSource, MultiPageTiffCountsItsPages) {
    const QString path = Fixtures::shared().scratch(QStringLiteral("pages.tif"));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("/usr/bin/convert"),
                                    {QStringLiteral("-size"), QStringLiteral("8x8"), QStringLiteral("xc:red"),
                                     QStringLiteral("xc:green"), QStringLiteral("xc:blue"), path},
                                    &error))
        << qPrintable(error);
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 3);
    EXPECT_LE(distance(source->imageAtIndex(2).pixelColor(0, 0), Qt::blue), 2);
    EXPECT_LE(distance(source->imageAtIndex(0).pixelColor(0, 0), Qt::red), 2);
}

} // namespace

namespace {

void putLe(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// A 2x2 bottom-up 32-bit BMP with BI_BITFIELDS masks and the given header size
// (40: masks after the header; 108/124: masks inside it).
QByteArray bitFieldsBmp(int headerSize, const quint32 masks[4], const quint32 pixels[4]) {
    const int extra = headerSize == 40 ? 12 : 0;
    const int offset = 14 + headerSize + extra;
    QByteArray bmp("BM");
    putLe(bmp, quint32(offset + 16), 4);
    putLe(bmp, 0, 4);
    putLe(bmp, quint32(offset), 4);
    QByteArray info;
    putLe(info, quint32(headerSize), 4);
    putLe(info, 2, 4);
    putLe(info, 2, 4);
    putLe(info, 1, 2);
    putLe(info, 32, 2);
    putLe(info, 3, 4); // BI_BITFIELDS
    putLe(info, 16, 4);
    putLe(info, 2835, 4);
    putLe(info, 2835, 4);
    putLe(info, 0, 4);
    putLe(info, 0, 4);
    for (int i = 0; i < (headerSize == 40 ? 3 : 4); ++i)
        putLe(info, masks[i], 4);
    if (headerSize > 40)
        putLe(info, 0x73524742, 4); // "sRGB"
    info.append(QByteArray(14 + headerSize + extra - 14 - info.size(), '\0'));
    bmp.append(info);
    for (int i = 0; i < 4; ++i)
        putLe(bmp, pixels[i], 4);
    return bmp;
}

} // namespace

// 32-bit bit-field BMPs decode with their masks' colours and alpha.
TEST(ImageSource, BitFieldBmpKeepsItsColoursAndAlpha) {
    struct Case {
        const char* what;
        int headerSize;
        quint32 masks[4]; // red, green, blue, alpha
        quint32 pixels[4]; // bottom row first
        QRgb expected[4]; // top-left, top-right, bottom-left, bottom-right
        bool alpha;
    };
    const Case cases[] = {
        {"RGB888 in 32 bits",
         40,
         {0x00ff0000, 0x0000ff00, 0x000000ff, 0},
         {0x00ff0000, 0x0000ff00, 0x000000ff, 0x00102030},
         {qRgb(0, 0, 255), qRgb(0x10, 0x20, 0x30), qRgb(255, 0, 0), qRgb(0, 255, 0)},
         false},
        {"BGRA with an alpha mask",
         124,
         {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000},
         {0xffff0000, 0x8000ff00, 0x000000ff, 0xff102030},
         {qRgba(0, 0, 0, 0), qRgba(0x10, 0x20, 0x30, 255), qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 0x80)},
         true},
        {"an odd mask order",
         108,
         {0x0000ff00, 0xff000000, 0x00ff0000, 0x000000ff},
         {0x00ff00ff, 0xff0000ff, 0x0000ffff, 0x406080ff},
         {qRgb(255, 0, 0), qRgb(0x80, 0x40, 0x60), qRgb(0, 0, 255), qRgb(0, 255, 0)},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto source = ImageSource::createWithData(bitFieldsBmp(c.headerSize, c.masks, c.pixels), QStringLiteral("bmp"));
        ASSERT_TRUE(source);
        const QImage image = source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(2, 2));
        const QRgb got[4] = {image.pixel(0, 0), image.pixel(1, 0), image.pixel(0, 1), image.pixel(1, 1)};
        for (int i = 0; i < 4; ++i) {
            const QRgb want = c.alpha ? c.expected[i] : (c.expected[i] | 0xff000000u);
            if (qAlpha(want) == 0)
                EXPECT_EQ(qAlpha(got[i]), 0) << i;
            else
                EXPECT_EQ(got[i], want) << i << std::hex << " got " << got[i];
        }
    }
}

// An icon's directory may misstate its images' sizes; each image's own header
// decides.
TEST(ImageSource, IconDirectorySizesGiveWayToTheEmbeddedImage) {
    QImage picture(8, 6, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 200, 30, 255));
    QByteArray dib; // BITMAPINFOHEADER, 32-bit, height doubled for the AND mask
    putLe(dib, 40, 4);
    putLe(dib, 8, 4);
    putLe(dib, 12, 4);
    putLe(dib, 1, 2);
    putLe(dib, 32, 2);
    for (int i = 0; i < 6; ++i)
        putLe(dib, 0, 4);
    for (int i = 0; i < 8 * 6; ++i)
        putLe(dib, 0xff0ac81e, 4);
    dib.append(QByteArray(4 * 6, '\0')); // AND mask rows, 4 bytes each
    struct Case {
        const char* what;
        QByteArray image;
        int statedWidth, statedHeight, extraBytes;
    };
    const Case cases[] = {
        {"PNG stated larger", TestImages::encode(picture, "PNG"), 48, 48, 100},
        {"PNG stated as 256", TestImages::encode(picture, "PNG"), 0, 0, -0},
        {"DIB stated smaller", dib, 4, 2, 7},
        {"DIB stated larger", dib, 32, 32, -0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray ico;
        putLe(ico, 0, 2);
        putLe(ico, 1, 2);
        putLe(ico, 1, 2);
        ico.append(char(c.statedWidth)).append(char(c.statedHeight)).append('\0').append('\0');
        putLe(ico, 1, 2);
        putLe(ico, 32, 2);
        putLe(ico, quint32(c.image.size() + c.extraBytes), 4);
        putLe(ico, 22, 4);
        ico.append(c.image);
        auto source = ImageSource::createWithData(ico, QStringLiteral("ico"));
        ASSERT_TRUE(source);
        const QImage image = source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.size(), QSize(8, 6));
        if (image.size() == QSize(8, 6)) {
            EXPECT_EQ(image.pixel(3, 3), qRgba(10, 200, 30, 255));
        }
    }
}
