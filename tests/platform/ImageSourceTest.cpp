#include "platform/ImageSource.h"
#include "platform/imagesource/FrameDelay.h"
#include "platform/imagesource/PartialImage.h"
#include "support/ExifBuilder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTransform>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vector>

// What every decoder promises, one table per promise over the formats'
// fixture makers: the picture and its size, upright thumbnails, sRGB colour,
// depth beyond 8 bits, straight alpha, frames with their delays, and damaged
// or oversized input refused without taking the memory it claims.

namespace {

using Source = std::unique_ptr<ImageSource>;
using F = FormatFixtures;
const auto A = F::args;
const auto expectPattern = F::expectPattern;

// One folder of fixtures for the whole program: the tools are slow to start.
QString scratch(const QString& name) {
    static QTemporaryDir folder;
    return folder.filePath(name);
}

// The extension's fixture, or an empty path and the reason in error.
QString fixture(const QString& ext, QString* error = nullptr) {
    static QHash<QString, std::pair<QString, QString>> made;
    if (!made.contains(ext)) {
        QString reason;
        const QString path = F::make(ext, scratch(ext), &reason);
        made.insert(ext, {path, reason});
    }
    if (error)
        *error = made.value(ext).second;
    return made.value(ext).first;
}

Source open(const QByteArray& bytes, const char* extension = "") {
    return ImageSource::createWithData(bytes, QLatin1String(extension));
}

QVariant property(ImageSource& source, int index, const char* group, const char* key) {
    const QVariantMap all = index < 0 ? source.properties() : source.propertiesAtIndex(index);
    return group ? all.value(QLatin1String(group)).toMap().value(QLatin1String(key))
                 : all.value(QLatin1String(key));
}

class EveryExtension : public ::testing::TestWithParam<QString> {};

TEST_P(EveryExtension, DecodesToTheKnownPatternFromTheFileOrItsBytes) {
    const QString ext = GetParam();
    QString error;
    const QString path = fixture(ext, &error);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(error);
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source) << qPrintable(ext);
    const bool fax = F::isFax(ext);
    const QImage pattern = fax             ? F::faxPattern()
                           : ext == "icns" ? F::pattern(128, 128)
                                           : F::pattern();
    ASSERT_EQ(source->count(), ext == "mpo" ? 2 : 1);
    const QImage first = source->imageAtIndex(0);
    EXPECT_EQ(source->imageAtIndex(0), first) << "decoded again: " << qPrintable(ext);
    // The MPO's second picture is mirrored, at half the size.
    for (int i = 0; i < source->count(); ++i) {
        const QImage image = i ? source->imageAtIndex(i) : first;
        const QImage want = i ? pattern.mirrored(true, false).scaled(pattern.size() / 2) : pattern;
        // A fax page may run on below its picture.
        ASSERT_EQ(image.width(), want.width());
        expectPattern(fax ? image.copy(want.rect()) : image, want, F::tolerance(ext), ext);
        EXPECT_EQ(property(*source, i, nullptr, "PixelWidth").toInt(), image.width());
        EXPECT_EQ(property(*source, i, nullptr, "PixelHeight").toInt(), image.height());
    }
    EXPECT_TRUE(source->imageAtIndex(source->count()).isNull());
    EXPECT_EQ(property(*source, -1, nullptr, "FileSize").toLongLong(), QFileInfo(path).size());
    EXPECT_NE(ImageSource::displayName(source->type()), source->type()) << qPrintable(ext);
    auto fromBytes = ImageSource::createWithData(TestImages::read(path), ext);
    ASSERT_TRUE(fromBytes);
    EXPECT_EQ(fromBytes->type(), source->type());
    EXPECT_EQ(fromBytes->imageAtIndex(0), first);
}

TEST_P(EveryExtension, DamagedOrRandomContentOpensNothingOrKeepsToItsStatedSize) {
    const QString ext = GetParam();
    const QByteArray bytes = TestImages::read(fixture(ext));
    ASSERT_FALSE(bytes.isEmpty());
    // Cut in half, a file is damaged, and shows at most the part it holds,
    // marked so; only headerless fax data cannot tell.
    if (ext != "fax") {
        auto half = ImageSource::createWithData(bytes.left(bytes.size() / 2), ext);
        const QImage image = half ? half->imageAtIndex(0) : QImage();
        EXPECT_TRUE(image.isNull() || image.text(QStringLiteral("Partial")) == QLatin1String("1"))
            << qPrintable(ext);
    }
    for (const qsizetype keep : {qsizetype(1), qsizetype(16), bytes.size() - 1}) {
        auto source = ImageSource::createWithData(bytes.left(keep), ext);
        const QImage image = source ? source->imageAtIndex(0) : QImage();
        const QVariant width =
            image.isNull() ? QVariant() : property(*source, 0, nullptr, "PixelWidth");
        EXPECT_TRUE(!width.isValid() || width.toInt() == image.width()) << qPrintable(ext);
    }
    const QString empty = scratch("empty." + ext);
    ASSERT_TRUE(TestImages::write(empty, QByteArray()));
    EXPECT_FALSE(ImageSource::createWithURL(empty));
    QRandomGenerator random(uint(qHash(ext)));
    for (int round = 0; round < 20; ++round) {
        QByteArray noise(int(random.bounded(1, 5000)), Qt::Uninitialized);
        for (char& c : noise)
            c = char(random.bounded(256));
        auto source = ImageSource::createWithData(noise, ext);
        EXPECT_TRUE(!source || source->imageAtIndex(0).isNull()) << qPrintable(ext) << " " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryExtension, ::testing::ValuesIn(F::extensions()),
                         [](const auto& info) { return info.param.toStdString(); });

// --- Oversized claims ------------------------------------------------------

qint64 peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A bare JPEG XL codestream whose size header claims width x height, with
// default metadata and no data. Fields are written least significant bit first.
QByteArray jxlClaiming(quint32 width, quint32 height) {
    std::vector<bool> bits;
    const auto put = [&](quint64 value, int n) {
        for (int i = 0; i < n; ++i)
            bits.push_back((value >> i) & 1);
    };
    put(0, 1); // not a small size
    put(3, 2); // height in 30 bits
    put(height - 1, 30);
    put(0, 3); // no aspect ratio: the width follows
    put(3, 2);
    put(width - 1, 30);
    put(1, 1); // all metadata default
    QByteArray out("\xFF\x0A", 2);
    for (size_t i = 0; i < bits.size(); i += 8) {
        int byte = 0;
        for (size_t j = 0; j < 8 && i + j < bits.size(); ++j)
            byte |= int(bits[i + j]) << j;
        out += char(byte);
    }
    return out + QByteArray(64, '\0');
}

// A lossless WebP still with an EXIF chunk, so in the extended layout.
QByteArray webpWithExif(const QImage& image, int orientation) {
    static QTemporaryDir dir;
    const QString exif = dir.filePath("exif.bin");
    const QString plain = dir.filePath("plain.webp");
    TestImages::write(exif, ExifBuilder().orientation(orientation).tiff());
    TestImages::write(plain,
                      F::convert(image, "cwebp", A("-quiet -lossless {in} -o {out}"), "webp"));
    return F::convert(QImage(), "webpmux", {"-set", "exif", exif, plain, "-o", "{out}"}, "webp");
}

TEST(ImageSource, HeadersClaimingHugeSizesAreRefusedWithoutTakingTheMemory) {
    struct Case {
        std::string what;
        QByteArray bytes;
        const char* ext;
        bool honest = false; // the forgery's control: it decodes
    };
    std::vector<Case> cases;
    QByteArray ihdr = F::be({100000, 100000}) + QByteArray("\x08\x06\x00\x00\x00", 5);
    cases.push_back({"PNG of 100000 x 100000",
                     QByteArray("\x89PNG\r\n\x1a\n", 8) + F::pngChunk("IHDR", ihdr) +
                         F::pngChunk("IDAT", QByteArray("\x78\x9c\x03\0\0\0\0\x01", 8)) +
                         F::pngChunk("IEND", QByteArray()),
                     "png"});
    // 16424 x 32798 pixels and one short scan: the decoder must stop at the
    // end of the data, not fill the rest with grey; arithmetic coding ends
    // without a warning.
    cases.push_back({"JPEG of half a gigapixel",
                     QByteArray::fromBase64(
                         "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAYEBQYFBAYGBQYHBwYIChAKCgkJihQODwwQFxQY"
                         "GBcUFiQWGh0lHxobIxwWfhYgLCAjLCcpKikZHy0wMCgoLSUpKP/AAAsIgB5AKAEBEQD/xAAW"
                         "AAEBAQAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAFmKhAxVh/9oACAEBAAA/ANAME7D/2Q=="),
                     "jpg"});
    cases.push_back({"arithmetic JPEG of half a gigapixel",
                     QByteArray::fromBase64(
                         "/9gAAAEAAQAA/9sAQwAGBAYFBAb6+vn0BwYIChAKCgkJihQODwwYFxQYGBcUFiQDAAAAAAAA"
                         "ABwWFiAsICMsJykqKRkfLTAxKCgtJSko/8kACwiAHkAoAQERAAAV/9oACAEBAAA/ANAME7D/"
                         "2Q=="),
                     "jpg"});
    // Beyond any side; within the sides but beyond the budget; honest but empty.
    for (const quint32 side : {1u << 30, 200000u})
        cases.push_back(
            {"JPEG XL of side " + std::to_string(side), jxlClaiming(side, side), "jxl"});
    cases.push_back({"JPEG XL without data", jxlClaiming(640, 480), "jxl"});
    const QByteArray avif = TestImages::read(fixture("avif"));
    const qsizetype ispe = avif.indexOf("ispe");
    ASSERT_GT(ispe, 0);
    cases.push_back({"AVIF as made", avif, "avif", true});
    // Within libheif's own limits but beyond the budget; then beyond both.
    for (const quint32 side : {30000u, 1000000u}) {
        QByteArray lying = avif;
        lying.replace(ispe + 8, 8, F::be({side, side}));
        cases.push_back({"AVIF of side " + std::to_string(side), lying, "avif"});
    }
    const QByteArray webp = webpWithExif(F::pattern(), 1);
    ASSERT_EQ(webp.mid(12, 4), QByteArray("VP8X"));
    // The canvas is stored less one, in 24 bits: larger than its image it
    // would be shown mostly empty; huge, it must not be allocated at all.
    for (const QSize size :
         {QSize(64, 48), QSize(5000, 4000), QSize(16777216, 16777216), QSize(64, 16777216)}) {
        QByteArray lying = webp;
        for (int i = 0; i < 3; ++i) {
            lying[24 + i] = char(((size.width() - 1) >> (8 * i)) & 0xff);
            lying[27 + i] = char(((size.height() - 1) >> (8 * i)) & 0xff);
        }
        cases.push_back(
            {"WebP canvas " + std::to_string(size.width()) + "x" + std::to_string(size.height()),
             lying, "webp", size == QSize(64, 48)});
    }
    QByteArray sgi(512, '\0');
    sgi[0] = char(0x01), sgi[1] = char(0xda), sgi[3] = 2, sgi[5] = 3, sgi[11] = 4; // 16-bit RGBA
    sgi[6] = sgi[7] = sgi[8] = sgi[9] = char(0xff);                                // 65535 x 65535
    cases.push_back({"SGI of 65535 x 65535", sgi, "sgi"});
    // A chunk claiming some two gigabytes over a few hundred bytes.
    const QByteArray png = F::png(QSize(8, 8), 8, 2, F::pngSamples(F::pattern(8, 8), 8, 2));
    for (const char* type : {"zTXt", "iCCP", "sPLT", "tEXt", "iTXt", "vpAg"}) {
        QByteArray forged = png;
        forged.insert(8 + 25, F::pngChunk(type, QByteArray(20, 'x')));
        cases.push_back({std::string("PNG with a ") + type, forged, "png", true});
        cases.push_back({std::string("PNG with a huge ") + type,
                         forged.replace(8 + 25, 4, QByteArray("\x7f\xff\xf0\x00", 4)), "png"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const qint64 before = peakResidentMegabytes();
        auto source = open(c.bytes, c.ext);
        if (c.honest) {
            ASSERT_TRUE(source);
            EXPECT_FALSE(source->imageAtIndex(0).isNull());
        } else if (source) {
            EXPECT_TRUE(source->imageAtIndex(0).isNull());
            EXPECT_TRUE(source->thumbnail(128).isNull());
        }
        EXPECT_LT(peakResidentMegabytes() - before, 64);
    }
}

// --- Depth -----------------------------------------------------------------

// A shallow grey ramp, 16 bits a sample: its 256 columns span only about
// thirteen 8-bit levels.
QImage ramp() {
    QImage image(256, 8, QImage::Format_RGBX64);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const quint16 v = quint16(26214 + x * 13);
            image.setPixelColor(x, y, QColor::fromRgba64(v, v, v));
        }
    return image;
}

TEST(ImageSource, DeepFilesKeepLevelsFinerThanEightBits) {
    const struct {
        const char* what;
        const char* tool; // empty: Qt's own PNG writer
        const char* arguments;
        const char* ext;
        int depth;
        int tolerance; // in 16-bit steps
    } cases[] = {
        {"PNG", "", "", "png", 16, 0},
        {"JPEG 2000", "opj_compress", "-n 3 -i {in} -o {out}", "jp2", 16, 0},
        {"JPEG XL", "cjxl", "{in} {out} -d 0", "jxl", 16, 0},
        {"SGI", "/usr/bin/convert", "{in} -type TrueColor -depth 16 sgi:{out}", "sgi", 16, 0},
        {"HEIC", "heif-enc", "-b 10 -q 100 -p chroma=444 {in} -o {out}", "heic", 10, 700},
        {"AVIF", "heif-enc", "-A -q 95 -b 10 -p chroma=422 {in} -o {out}", "avif", 10, 700},
        {"AVIF", "heif-enc", "-A -q 95 -b 12 -p chroma=422 {in} -o {out}", "avif", 12, 700},
    };
    const QImage deep = ramp();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + c.arguments);
        auto source = open(
            *c.tool ? F::convert(deep, QLatin1String(c.tool), A(c.arguments), QLatin1String(c.ext))
                    : TestImages::encode(deep, "PNG"));
        ASSERT_TRUE(source);
        EXPECT_EQ(property(*source, 0, nullptr, "Depth").toInt(), c.depth);
        const QImage image = source->imageAtIndex(0);
        ASSERT_EQ(image.size(), deep.size());
        ASSERT_EQ(image.depth(), 64);
        QSet<int> levels, shallow;
        for (int x = 0; x < image.width(); ++x) {
            const int shown = image.pixelColor(x, 4).rgba64().green();
            EXPECT_NEAR(shown, deep.pixelColor(x, 4).rgba64().green(), c.tolerance) << x;
            levels.insert(shown);
            shallow.insert(shown >> 8);
        }
        EXPECT_GT(levels.size(), 2 * shallow.size());
    }
}

// --- Colour ----------------------------------------------------------------

TEST(ImageSource, DisplayP3IsConvertedToSRGB) {
    // The same P3 pixels carried by each format's own encoder as an ICC
    // profile or as CICP code points (primaries 12, sRGB curve).
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 60));
    const QImage untagged = image;
    QByteArray cicp = TestImages::encode(image, "PNG");
    cicp.insert(8 + 25, F::pngChunk("cICP", QByteArray("\x0c\x0d\x00\x01", 4)));
    image.setColorSpace(QColorSpace::DisplayP3);
    const QColor expected =
        QColor::fromRgba(image.convertedToColorSpace(QColorSpace::SRgb).pixel(4, 4));
    const auto made = [&](const char* tool, const char* arguments, const char* ext,
                          bool tagged = true) {
        return F::convert(tagged ? image : untagged, QLatin1String(tool), A(arguments),
                          QLatin1String(ext));
    };
    const struct {
        const char* what;
        QByteArray bytes;
        int tolerance;
        bool named = true; // a profile name is shown
    } cases[] = {
        {"PNG", TestImages::encode(image, "PNG"), 3},
        {"JPEG", TestImages::encode(image, "JPEG", 100), 3},
        {"PNG cICP", cicp, 4, false},
        {"HEIC", made("heif-enc", "-L {in} -o {out}", "heic"), 6},
        {"WebP", made("cwebp", "-quiet -lossless -metadata icc {in} -o {out}", "webp"), 4},
        {"AVIF ICC", made("heif-enc", "-A -q 100 -p chroma=444 {in} -o {out}", "avif"), 4},
        // heif-enc 1.15 writes unspecified code points whatever it is told.
        {"AVIF CICP", made("avifenc", "-l --cicp 12/13/0 {in} {out}", "avif", false), 4},
        {"AVIF sequence CICP", made("avifenc", "-l --cicp 12/13/0 {in} {in} {out}", "avifs", false),
         4},
        {"JPEG XL lossless", made("cjxl", "{in} {out} -d 0", "jxl"), 4},
        {"JPEG XL lossy", made("cjxl", "{in} {out} -d 0.5", "jxl"), 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto source = open(c.bytes);
        ASSERT_TRUE(source);
        const QColor shown = source->imageAtIndex(0).pixelColor(8, 8);
        EXPECT_LE(TestImages::channelDistance(shown.rgb(), expected.rgb()), c.tolerance)
            << qPrintable(shown.name()) << " for " << qPrintable(expected.name());
        EXPECT_TRUE(!c.named || !property(*source, 0, nullptr, "ProfileName").toString().isEmpty());
    }
}

// A HEIC of one colour with alpha, its samples stored as given and flagged
// premultiplied when asked.
QByteArray heic(QRgb samples, bool premultiplied) {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(samples);
    return F::convert(image, "heif-enc",
                      A("-q 100 {in} -o {out}") +
                          (premultiplied ? QStringList{"--premultiplied-alpha"} : QStringList()),
                      "heic");
}

// A TIFF as ImageMagick writes it with the given options.
QByteArray magickTiff(const QImage& image, const char* options) {
    return F::convert(image, "/usr/bin/convert", A("{in}") + A(options) + QStringList{"tiff:{out}"},
                      "tif");
}

// Premultiplied stores (HEIC flagged so, EXR always, libtiff's reading of a
// fax program's colour page) must come back straight: read as straight,
// half-transparent white turns grey and soft edges darken.
TEST(ImageSource, TranslucentColoursComeBackStraight) {
    QImage row(4, 1, QImage::Format_ARGB32);
    row.setPixel(0, 0, qRgba(255, 255, 255, 128));
    row.setPixel(1, 0, qRgba(200, 100, 0, 51));
    row.setPixel(2, 0, qRgba(40, 120, 200, 255));
    row.setPixel(3, 0, qRgba(0, 0, 0, 0));
    QImage halfWhite(64, 64, QImage::Format_ARGB32);
    halfWhite.fill(QColor(255, 255, 255, 128));
    const struct {
        const char* what;
        QByteArray bytes;
        const char* ext;
        QImage expected;
        int tolerance; // a fifth of 200 keeps about 1 in 5 of precision
    } cases[] = {
        {"HEIC premultiplied", heic(qRgba(128, 128, 128, 128), true), "", halfWhite, 10},
        {"HEIC straight", heic(qRgba(255, 255, 255, 128), false), "", halfWhite, 10},
        {"EXR", F::openExr(row), "exr", row, 5},
        {"fax colour page", magickTiff(row, "-define tiff:alpha=associated"), "jfx", row, 5},
        {"SGI, 16 bits", F::convert(row, "/usr/bin/convert", A("{in} -depth 16 sgi:{out}"), "sgi"),
         "sgi", row, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto source = open(c.bytes, c.ext);
        ASSERT_TRUE(source);
        const QImage decoded = source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(decoded.size(), c.expected.size());
        for (int x = 0; x < c.expected.width(); x += 3) {
            const QRgb want = c.expected.pixel(x, 0), got = decoded.pixel(x, 0);
            EXPECT_NEAR(qAlpha(got), qAlpha(want), 4) << x;
            EXPECT_TRUE(qAlpha(want) == 0 || TestImages::channelDistance(got, want) <= c.tolerance)
                << x << std::hex << " got " << got;
        }
    }
}

// --- Orientation -----------------------------------------------------------

// The stored image as the EXIF orientation (1, 2, 3, 6 or 8) says it is shown.
QImage shownAs(const QImage& stored, int orientation) {
    const int turn[] = {0, 0, 0, 180, 0, 0, 90, 0, 270};
    return (orientation == 2 ? stored.mirrored(true, false) : stored)
        .transformed(QTransform().rotate(turn[orientation]));
}

// Pixels come as stored; the orientation is reported, and the thumbnail
// (as the viewer) turns them upright once.
TEST(ImageSource, OrientationIsReportedAndTheThumbnailIsUpright) {
    const QImage stored = F::pattern(80, 40);
    const QImage bilevel = stored.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    struct Case {
        std::string what;
        QByteArray bytes;
        const char* ext;
        int orientation;
        QImage stored;
    };
    std::vector<Case> cases;
    for (const int orientation : {1, 2, 3, 6, 8})
        cases.push_back({"JPEG " + std::to_string(orientation),
                         TestImages::jpegWithOrientation(stored, orientation), "", orientation,
                         stored});
    cases.push_back({"WebP", webpWithExif(stored, 6), "", 6, stored});
    cases.push_back({"PNG eXIf, big-endian",
                     F::png(stored.size(), 8, 2, F::pngSamples(stored, 8, 2),
                            F::pngChunk("eXIf", ExifBuilder(true).orientation(6).tiff())),
                     "", 6, stored});
    cases.push_back({"fax colour page", magickTiff(stored, "-orient RightTop"), "jfx", 6, stored});
    cases.push_back({"fax bilevel page", magickTiff(bilevel, "-type bilevel -orient RightTop"),
                     "jfx", 6, bilevel.convertToFormat(QImage::Format_RGB32)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto source = open(c.bytes, c.ext);
        ASSERT_TRUE(source);
        EXPECT_EQ(property(*source, 0, nullptr, "Orientation").toInt(), c.orientation);
        EXPECT_EQ(source->imageAtIndex(0).size(), stored.size());
        const QImage upright = shownAs(c.stored, c.orientation);
        const QImage thumbnail = source->thumbnail(40);
        expectPattern(thumbnail, upright.scaled(thumbnail.size()), 40, QString());
        EXPECT_EQ(thumbnail.size(), upright.size().scaled(40, 40, Qt::KeepAspectRatio));
    }
}

// --- Animation -------------------------------------------------------------

TEST(FrameDelay, DelaysOfTenMillisecondsAndLessPlayAtATenthOfASecond) {
    const struct {
        double milliseconds, unclamped, delay;
    } cases[] = {{80, 0.08, 0.08}, {11, 0.011, 0.011}, {10, 0.01, 0.1}, {5, 0.005, 0.1},
                 {0, 0, 0.1},      {-3, 0, 0.1},       {NAN, 0, 0.1},   {INFINITY, 0, 0.1}};
    for (const auto& c : cases) {
        const QVariantMap d = FrameDelay::dictionary(c.milliseconds);
        EXPECT_DOUBLE_EQ(d.value("UnclampedDelayTime").toDouble(), c.unclamped) << c.milliseconds;
        EXPECT_DOUBLE_EQ(d.value("DelayTime").toDouble(), c.delay) << c.milliseconds;
    }
}

// Every animated format: its frames in any order, composited, each with its
// delay in the format's own dictionary (GIF stores hundredths); cut short,
// the last frames are missing.
TEST(ImageSource, AnimationsGiveEachFrameWithItsDelay) {
    const struct {
        const char* ext;
        const char* type;
        const char* group;
        const char* containerKey; // and its value
        int containerValue;
        int tolerance;
        int cut; // 1: cut to two thirds, the last frame is lost; 2: one byte short too
    } cases[] = {
        {"gif", "com.compuserve.gif", "{GIF}", "LoopCount", 0, 4, 0},
        {"png", "public.png", "{PNG}", "LoopCount", 0, 0, 0},
        {"webp", "org.webmproject.webp", "{WebP}", "FrameCount", 3, 0, 2},
        {"jxl", "public.jpeg-xl", "{JXL}", "FrameCount", 3, 2, 1},
        {"avifs", "public.avis", "{AVIS}", nullptr, 0, 4, 1},
    };
    const QList<QImage> frames = F::animationFrames();
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ext);
        QString error;
        const QString path =
            F::makeAnimation(QLatin1String(c.ext), dir.path(), frames, {80, 10, 120}, &error);
        ASSERT_FALSE(path.isEmpty()) << qPrintable(error);
        auto source = ImageSource::createWithURL(path);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->type(), QLatin1String(c.type));
        ASSERT_EQ(source->count(), 3);
        // Out of order: going back starts the composition over.
        for (const int index : {2, 0, 1, 1, 2}) {
            const QImage frame = source->imageAtIndex(index);
            ASSERT_EQ(frame.size(), frames[index].size()) << index;
            for (const QPoint p : {QPoint(12, 12), QPoint(40, 10), QPoint(10, 40), QPoint(50, 40)})
                EXPECT_LE(TestImages::channelDistance(frame.pixel(p), frames[index].pixel(p)),
                          c.tolerance)
                    << "frame " << index;
        }
        EXPECT_TRUE(source->imageAtIndex(3).isNull());
        EXPECT_DOUBLE_EQ(property(*source, 0, c.group, "UnclampedDelayTime").toDouble(), 0.08);
        EXPECT_DOUBLE_EQ(property(*source, 0, c.group, "DelayTime").toDouble(), 0.08);
        EXPECT_DOUBLE_EQ(property(*source, 1, c.group, "DelayTime").toDouble(), 0.1);
        EXPECT_DOUBLE_EQ(property(*source, 2, c.group, "DelayTime").toDouble(), 0.12);
        EXPECT_TRUE(!c.containerKey ||
                    property(*source, -1, c.group, c.containerKey).toInt() == c.containerValue);
        const QByteArray bytes = TestImages::read(path);
        for (const qsizetype keep : {bytes.size() - 1, bytes.size() * 2 / 3}) {
            auto cut = open(bytes.left(keep), c.ext);
            const bool lost = !cut || cut->imageAtIndex(cut->count() - 1).isNull();
            EXPECT_TRUE(lost || c.cut < (keep == bytes.size() - 1 ? 2 : 1)) << keep;
        }
    }
}

// --- Formats and their names -----------------------------------------------

TEST(ImageSource, ContentDecidesOverTheExtension) {
    // The TIFF-based raw formats share DNG's container; under any of their
    // names a DNG goes to the raw decoder.
    const QByteArray dng = TestImages::read(fixture("dng"));
    for (const char* ext : {"cr2", "nef", "arw", "erf", "3fr", "pef", "srw", "sr2", "srf", "rwl"}) {
        auto source = open(dng, ext);
        ASSERT_TRUE(source) << ext;
        expectPattern(source->imageAtIndex(0), F::pattern(), 40, QLatin1String(ext));
    }
    EXPECT_EQ(open(dng)->type(), "com.adobe.raw-image");
    const QString misnamed = scratch("really-a-png.jpg");
    ASSERT_TRUE(TestImages::writeImage(misnamed, F::pattern(), "PNG"));
    auto png = ImageSource::createWithURL(misnamed);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->type(), "public.png");
    EXPECT_FALSE(png->imageAtIndex(0).isNull());
    EXPECT_FALSE(open("This is not an image at all.", "png"));
    EXPECT_FALSE(ImageSource::createWithURL(scratch("none.jpg")));
    EXPECT_EQ(ImageSource::displayName("NoSuchKey"), "NoSuchKey");
}

TEST(ImageSource, ThumbnailsKeepTheirProportionsAndAPixelAcross) {
    QImage thin(1, 3000, QImage::Format_RGB32);
    thin.fill(Qt::green);
    EXPECT_EQ(open(TestImages::encode(thin, "PNG"))->thumbnail(128).size(), QSize(1, 128));
    // A large JPEG's thumbnail comes from a reduced (DCT-scaled) decode.
    auto source = open(TestImages::encode(F::pattern(1600, 1200), "JPEG", 95));
    ASSERT_TRUE(source);
    expectPattern(source->thumbnail(100), F::pattern(100, 75), 40, "thumbnail");
}

// Scans, restart markers and arithmetic coding must not be taken for an early
// end of the data; a file that lacks only its end-of-image marker opens whole,
// one cut inside its scan data or before its last scan does not.
TEST(ImageSource, EveryJpegCodingDecodesWholeAndCutShortNot) {
    const QImage pattern = F::pattern(320, 240);
    QImage luma = pattern;
    for (int y = 0; y < luma.height(); ++y)
        for (int x = 0; x < luma.width(); ++x) {
            const QRgb p = pattern.pixel(x, y);
            const int v = (299 * qRed(p) + 587 * qGreen(p) + 114 * qBlue(p)) / 1000;
            luma.setPixel(x, y, qRgb(v, v, v));
        }
    const struct {
        const char* tool;
        const char* arguments;
        QImage expected;
        int tolerance;
        bool cuts = false; // arithmetic coding ends without a warning
    } cases[] = {
        {"cjpeg", "-progressive", pattern, 40, true},
        {"cjpeg", "-restart 1", pattern, 40, true},
        {"cjpeg", "-arithmetic", pattern, 40},
        {"cjpeg", "-arithmetic -restart 2", pattern, 40},
        {"cjpeg", "-sample 2x2 -optimize", pattern, 40, true},
        {"cjpeg", "-grayscale", luma, 8},
        {"/usr/bin/convert", "{in} -colorspace CMYK", pattern, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const bool cjpeg = QLatin1String(c.tool) == "cjpeg";
        const QStringList arguments =
            A(c.arguments) + (cjpeg ? A("-outfile {out} {in}") : A("{out}"));
        const QByteArray whole =
            F::convert(pattern, QLatin1String(c.tool), arguments, "jpg", cjpeg ? "PPM" : "PNG");
        auto source = open(whole);
        ASSERT_TRUE(source);
        const QImage image = source->imageAtIndex(0), thumbnail = source->thumbnail(40);
        expectPattern(image, c.expected, c.tolerance, QLatin1String(c.arguments));
        EXPECT_EQ(thumbnail.size(), QSize(40, 30));
        if (!c.cuts)
            continue;
        auto unended = open(whole.chopped(2), "jpg");
        ASSERT_TRUE(unended);
        EXPECT_EQ(unended->imageAtIndex(0), image);
        EXPECT_EQ(unended->thumbnail(40), thumbnail);
        for (const QByteArray& cut : {whole.chopped(40), whole.chopped(400),
                                      whole.left(whole.lastIndexOf(QByteArray("\xff\xda", 2)))}) {
            // At most the rows before the cut, marked so.
            auto damaged = open(cut, "jpg");
            const QImage shown = damaged ? damaged->imageAtIndex(0) : QImage();
            EXPECT_TRUE(shown.isNull() || PartialImage::isPartial(shown)) << cut.size();
            EXPECT_TRUE(shown.isNull() == (!damaged || damaged->thumbnail(40).isNull()))
                << cut.size();
        }
    }
}

// A 32-bit BMP with BI_BITFIELDS masks in a 124-byte header, as ImageMagick
// writes one with alpha: counted whole, it keeps its colours and alpha.
TEST(ImageSource, BitFieldBmpKeepsItsColoursAndAlpha) {
    QImage image(2, 2, QImage::Format_ARGB32);
    const QRgb pixels[] = {qRgba(0x10, 0x20, 0x30, 255), qRgba(255, 0, 0, 255),
                           qRgba(0, 255, 0, 0x80), qRgba(0, 0, 255, 0x40)};
    for (int i = 0; i < 4; ++i)
        image.setPixel(i % 2, i / 2, pixels[i]);
    auto source = open(F::convert(image, "/usr/bin/convert", A("{in} bmp:{out}"), "bmp"), "bmp");
    ASSERT_TRUE(source);
    EXPECT_EQ(source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32), image);
}

// An icon's directory may misstate its images' sizes; each image's own header
// decides.
TEST(ImageSource, IconDirectorySizesGiveWayToTheEmbeddedImage) {
    QImage picture(8, 6, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 200, 30, 255));
    // BITMAPINFOHEADER, 32-bit, height doubled for the AND mask (4 bytes a row).
    const QByteArray dib = F::le({40, 8, 12}) + F::le({1, 32}, 2) + QByteArray(24, '\0') +
                           F::le({0xff0ac81e}).repeated(8 * 6) + QByteArray(4 * 6, '\0');
    const QByteArray png = TestImages::encode(picture, "PNG");
    const struct {
        const char* what;
        QByteArray image;
        quint32 statedWidth, statedHeight, extraBytes;
    } cases[] = {
        {"PNG stated larger", png, 48, 48, 100},
        {"PNG stated as 256", png, 0, 0, 0},
        {"DIB stated smaller", dib, 4, 2, 7},
        {"DIB stated larger", dib, 32, 32, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray ico = F::le({0, 1, 1}, 2) + F::le({c.statedWidth, c.statedHeight}, 1) +
                               F::le({0, 1, 32}, 2) +
                               F::le({quint32(c.image.size()) + c.extraBytes, 22});
        auto source = open(ico + c.image, "ico");
        ASSERT_TRUE(source);
        const QImage image = source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(8, 6));
        EXPECT_EQ(image.pixel(3, 3), qRgba(10, 200, 30, 255));
    }
}

} // namespace
