#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QtEndian>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A shallow grey ramp, 16 bits a sample: its 256 columns span only about
// thirteen 8-bit levels.
QImage ramp() {
    QImage image(256, 8, QImage::Format_RGBX64);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const quint16 v = quint16(26214 + x * 13); // 0.40 to 0.45
            image.setPixelColor(x, y, QColor::fromRgba64(v, v, v));
        }
    return image;
}

// Distinct levels along the middle row, at full depth and reduced to 8 bits.
std::pair<int, int> levels(const QImage& image) {
    QSet<int> deep, shallow;
    for (int x = 0; x < image.width(); ++x) {
        const QRgba64 p = image.pixelColor(x, image.height() / 2).rgba64();
        deep.insert(p.green());
        shallow.insert(p.green() >> 8);
    }
    return {int(deep.size()), int(shallow.size())};
}

class AvifImageSource : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

TEST_F(AvifImageSource, TenAndTwelveBitStillsKeepLevelsFinerThanEightBits) {
    ASSERT_TRUE(ramp().save(path("ramp.png"), "PNG"));
    for (const char* bits : {"10", "12"}) {
        QString error;
        const QString out = path("ramp.avif");
        ASSERT_TRUE(FormatFixtures::run(
            QStringLiteral("heif-enc"),
            {QStringLiteral("-A"), QStringLiteral("-q"), QStringLiteral("95"), QStringLiteral("-b"),
             QLatin1String(bits), QStringLiteral("-p"), QStringLiteral("chroma=422"),
             path("ramp.png"), QStringLiteral("-o"), out},
            &error))
            << qPrintable(error);
        auto source = ImageSource::createWithURL(out);
        ASSERT_TRUE(source) << bits;
        EXPECT_EQ(source->type(), QStringLiteral("public.avif"));
        EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("Depth")).toString(),
                  QLatin1String(bits));
        const QImage decoded = source->imageAtIndex(0);
        ASSERT_EQ(decoded.depth(), 64) << bits;
        const auto [deep, shallow] = levels(decoded);
        EXPECT_GT(deep, 2 * shallow)
            << bits << "-bit: " << deep << " levels over " << shallow << " 8-bit ones";
    }
}

// Opaque 8-bit stills are put together from libheif's colour planes:
// grey-only data and subsampled chroma of an odd size must still fill them.
TEST_F(AvifImageSource, GreyOnlyAndOddSizedStillsKeepTheirColours) {
    QImage picture(37, 19, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, x < 18 ? qRgb(200, 30, 30) : qRgb(20, 40, 220));
    QImage ramp(37, 19, QImage::Format_Grayscale8);
    for (int y = 0; y < ramp.height(); ++y)
        for (int x = 0; x < ramp.width(); ++x)
            ramp.setPixel(x, y, qRgb(x * 7, x * 7, x * 7));
    ASSERT_TRUE(picture.save(path("split.png"), "PNG"));
    ASSERT_TRUE(ramp.save(path("ramp.png"), "PNG"));
    struct Case {
        const char* name;
        const char* png;
        const char* yuv;
        QImage expected;
    };
    const Case cases[] = {{"split420.avif", "split.png", "420", picture},
                          {"split444.avif", "split.png", "444", picture},
                          {"ramp400.avif", "ramp.png", "400", ramp.convertToFormat(QImage::Format_RGB32)}};
    for (const Case& c : cases) {
        QString error;
        ASSERT_TRUE(FormatFixtures::run(QStringLiteral("avifenc"),
                                        {QStringLiteral("-y"), QLatin1String(c.yuv), QStringLiteral("--min"),
                                         QStringLiteral("0"), QStringLiteral("--max"), QStringLiteral("0"),
                                         path(c.png), path(c.name)},
                                        &error))
            << qPrintable(error);
        auto source = ImageSource::createWithURL(path(c.name));
        ASSERT_TRUE(source) << c.name;
        const QImage decoded = source->imageAtIndex(0);
        ASSERT_EQ(decoded.size(), c.expected.size()) << c.name;
        for (const QPoint p : {QPoint(0, 0), QPoint(9, 9), QPoint(16, 18), QPoint(20, 0), QPoint(36, 18)}) {
            const QRgb got = decoded.pixel(p);
            EXPECT_LE(TestImages::channelDistance(got, c.expected.pixel(p)), 8)
                << c.name << " at " << p.x() << "," << p.y();
        }
    }
}

// libheif refuses a still with an image pyramid (a "pymd" entity group, here
// of its one layer); libavif shows it, at the size it decodes.
TEST_F(AvifImageSource, StillThatLibheifRefusesIsShownThroughLibavif) {
    const QImage picture = FormatFixtures::pattern();
    ASSERT_TRUE(picture.save(path("plain.png")));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("avifenc"),
                                    {QStringLiteral("-l"), path("plain.png"), path("plain.avif")},
                                    &error))
        << qPrintable(error);
    QByteArray bytes = TestImages::read(path("plain.avif"));
    const auto u32 = [](quint32 v) {
        QByteArray b(4, 0);
        qToBigEndian(v, b.data());
        return b;
    };
    const auto u16 = [](quint16 v) {
        QByteArray b(2, 0);
        qToBigEndian(v, b.data());
        return b;
    };
    const auto box = [&u32](const char* type, const QByteArray& payload) {
        return u32(quint32(8 + payload.size())) + type + payload;
    };
    // Group 2 of item 1: tiles of 64 x 48, the layer at binning 1 in one tile.
    const QByteArray grpl = box("grpl", box("pymd", u32(0) + u32(2) + u32(1) + u32(1) + u16(64) +
                                                        u16(48) + u16(1) + u16(0) + u16(0)));
    // Into the meta box, the item data moving on as far: avifenc writes
    // 4-byte offsets and lengths, one extent per item.
    const qsizetype meta = bytes.indexOf("meta") - 4, iloc = bytes.indexOf("iloc") - 4;
    ASSERT_TRUE(meta > 0 && iloc > meta);
    ASSERT_EQ(bytes.mid(iloc + 12, 2), QByteArray("\x44\x00", 2));
    const auto be32 = [&bytes](qsizetype at) {
        return qFromBigEndian<quint32>(bytes.constData() + at);
    };
    const qsizetype metaEnd = meta + be32(meta);
    bytes.replace(meta, 4, u32(be32(meta) + quint32(grpl.size())));
    for (int i = 0; i < qFromBigEndian<quint16>(bytes.constData() + iloc + 14); ++i) {
        const qsizetype item = iloc + 16 + 14 * i;
        ASSERT_EQ(qFromBigEndian<quint16>(bytes.constData() + item + 4), 1);
        bytes.replace(item + 6, 4, u32(be32(item + 6) + quint32(grpl.size())));
    }
    bytes.insert(metaEnd, grpl);

    auto source = ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), QStringLiteral("public.avif"));
    ASSERT_EQ(source->count(), 1);
    const QImage image = source->imageAtIndex(0);
    ASSERT_EQ(image.size(), picture.size());
    const QVariantMap properties = source->propertiesAtIndex(0);
    EXPECT_EQ(QSize(properties.value(QStringLiteral("PixelWidth")).toInt(),
                    properties.value(QStringLiteral("PixelHeight")).toInt()),
              image.size());
    EXPECT_FALSE(properties.contains(QStringLiteral("{AVIS}")));
    for (const QPoint p : {QPoint(5, 5), QPoint(60, 5), QPoint(5, 44), QPoint(60, 44)})
        EXPECT_LE(TestImages::channelDistance(image.pixel(p), picture.pixel(p)), 8)
            << p.x() << "," << p.y();
}

TEST_F(AvifImageSource, ExifAndXmpOfTheSourceShowInTheProperties) {
    ASSERT_TRUE(TestImages::write(path("tagged.jpg"),
                                  TestImages::encode(FormatFixtures::pattern(), "JPEG")));
    QString error;
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("exiftool"),
                                    {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                     QStringLiteral("-Make=OvistoCam"),
                                     QStringLiteral("-XMP-xmp:Rating=3"), path("tagged.jpg")},
                                    &error))
        << qPrintable(error);
    // heif-enc carries the JPEG's EXIF and XMP blocks over.
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("heif-enc"),
                                    {QStringLiteral("-A"), QStringLiteral("-p"),
                                     QStringLiteral("chroma=422"), path("tagged.jpg"),
                                     QStringLiteral("-o"), path("tagged.avif")},
                                    &error))
        << qPrintable(error);
    // avifenc takes the blocks as files, for a sequence that libavif reads.
    for (const char* block : {"Exif", "XMP"}) {
        QProcess extract;
        extract.setStandardOutputFile(path(block));
        extract.start(
            QStringLiteral("exiftool"),
            {QStringLiteral("-b"), QLatin1Char('-') + QLatin1String(block), path("tagged.jpg")});
        ASSERT_TRUE(extract.waitForFinished() && extract.exitCode() == 0) << block;
    }
    ASSERT_TRUE(FormatFixtures::run(QStringLiteral("avifenc"),
                                    {QStringLiteral("-l"), QStringLiteral("--exif"), path("Exif"),
                                     QStringLiteral("--xmp"), path("XMP"), path("tagged.jpg"),
                                     path("tagged.jpg"), path("tagged.avifs")},
                                    &error))
        << qPrintable(error);
    for (const char* name : {"tagged.avif", "tagged.avifs"}) {
        auto source = ImageSource::createWithURL(path(name));
        ASSERT_TRUE(source) << name;
        const QVariantMap properties = source->propertiesAtIndex(0);
        EXPECT_EQ(properties.value(QStringLiteral("{TIFF}"))
                      .toMap()
                      .value(QStringLiteral("Make"))
                      .toString(),
                  QStringLiteral("OvistoCam"))
            << name;
        EXPECT_EQ(properties.value(QStringLiteral("{XMP}"))
                      .toMap()
                      .value(QStringLiteral("xmp:Rating"))
                      .toString(),
                  QStringLiteral("3"))
            << name;
    }
}

TEST_F(AvifImageSource, UnknownColourCodePointsDecodeAsUntaggedAndLeakNothing) {
    QString error;
    const QString file = FormatFixtures::make(QStringLiteral("avif"), dir.path(), &error);
    ASSERT_FALSE(file.isEmpty()) << qPrintable(error);
    QByteArray bytes = TestImages::read(file);
    const qsizetype nclx = bytes.indexOf("nclx");
    ASSERT_GT(nclx, 0);
    // Colour primaries 200: no such code point. libheif still hands the
    // profile over (the sanitizer build catches it left unfreed).
    bytes[nclx + 4] = char(0);
    bytes[nclx + 5] = char(200);
    auto source = ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->propertiesAtIndex(0).contains(QStringLiteral("ProfileName")));
    const QImage image = source->imageAtIndex(0);
    ASSERT_EQ(image.size(), FormatFixtures::pattern().size());
    EXPECT_LE(TestImages::channelDistance(image.pixel(10, 10), qRgb(255, 0, 0)), 40);
}

TEST_F(AvifImageSource, SizeHeaderClaimingFarMoreThanTheDataIsRefused) {
    QString error;
    const QString file = FormatFixtures::make(QStringLiteral("avif"), dir.path(), &error);
    ASSERT_FALSE(file.isEmpty()) << qPrintable(error);
    const QByteArray bytes = TestImages::read(file);
    const qsizetype ispe = bytes.indexOf("ispe");
    ASSERT_GT(ispe, 0);
    // Within libheif's own limits, beyond the memory budget; then beyond both.
    for (const quint32 side : {30000u, 1000000u}) {
        QByteArray lying = bytes;
        for (const qsizetype at : {ispe + 8, ispe + 12})
            for (int i = 0; i < 4; ++i)
                lying[at + i] = char((side >> (24 - 8 * i)) & 0xff);
        auto source = ImageSource::createWithData(lying, QStringLiteral("avif"));
        if (!source)
            continue;
        EXPECT_TRUE(source->imageAtIndex(0).isNull()) << side;
        EXPECT_TRUE(source->thumbnail(128).isNull()) << side;
    }
}

TEST_F(AvifImageSource, SequencePlaysItsFramesWithTheirDelays) {
    const QList<QImage> frames = FormatFixtures::animationFrames();
    QString error;
    const QString file = FormatFixtures::makeAnimation(QStringLiteral("avifs"), dir.path(), frames,
                                                       {80, 5, 120}, &error);
    ASSERT_FALSE(file.isEmpty()) << qPrintable(error);
    auto source = ImageSource::createWithURL(file);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), QStringLiteral("public.avis"));
    ASSERT_EQ(source->count(), 3);
    for (const int index : {2, 0, 1}) {
        const QImage frame = source->imageAtIndex(index);
        ASSERT_EQ(frame.size(), frames[index].size()) << index;
        for (const QPoint p : {QPoint(12, 12), QPoint(40, 10), QPoint(10, 40), QPoint(50, 40)})
            EXPECT_LE(TestImages::channelDistance(frame.pixel(p), frames[index].pixel(p)), 4) << "frame " << index;
    }
    const auto delay = [&](int index, const char* key) {
        return source->propertiesAtIndex(index)
            .value(QStringLiteral("{AVIS}"))
            .toMap()
            .value(QLatin1String(key))
            .toDouble();
    };
    EXPECT_DOUBLE_EQ(delay(0, "UnclampedDelayTime"), 0.08);
    EXPECT_DOUBLE_EQ(delay(1, "DelayTime"), 0.1);
    EXPECT_DOUBLE_EQ(delay(2, "DelayTime"), 0.12);

    // Cut short, the sequence's last frames are missing: they do not decode.
    const QByteArray bytes = TestImages::read(file);
    auto cut =
        ImageSource::createWithData(bytes.left(bytes.size() * 2 / 3), QStringLiteral("avifs"));
    EXPECT_TRUE(!cut || cut->imageAtIndex(cut->count() - 1).isNull());
}

TEST_F(AvifImageSource, StillsAndSequencesAreShownCroppedTurnedAndMirroredAsTheirPropertiesSay) {
    // 40 x 20: red, a blue strip down the left side, a green block at the top right.
    QImage frame(40, 20, QImage::Format_RGB32);
    frame.fill(qRgb(220, 30, 30));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            if (x < 10)
                frame.setPixel(x, y, qRgb(30, 30, 220));
            else if (x >= 30 && y < 6)
                frame.setPixel(x, y, qRgb(30, 200, 30));
        }
    ASSERT_TRUE(frame.save(path("frame.png")));
    const auto colourAt = [](const QImage& image, int x, int y) {
        const QRgb p = image.pixel(x, y);
        return qBlue(p) > 150 ? 'b' : qGreen(p) > 150 ? 'g' : qRed(p) > 150 ? 'r' : '?';
    };
    const struct {
        const char* name;
        QStringList transforms;
        QSize upright;
        // Expected colours at the corners: top left, top right, bottom left, bottom right.
        const char* corners;
    } cases[] = {
        // A quarter turn anti-clockwise: the left strip ends at the bottom,
        // the top right block at the top left.
        {"turned", {QStringLiteral("--irot"), QStringLiteral("1")}, QSize(20, 40), "grbb"},
        // Then left and right exchanged.
        {"turned-mirrored",
         {QStringLiteral("--irot"), QStringLiteral("1"), QStringLiteral("--imir"),
          QStringLiteral("1")},
         QSize(20, 40),
         "rgbb"},
        // Top and bottom exchanged, nothing turned.
        {"flipped", {QStringLiteral("--imir"), QStringLiteral("0")}, QSize(40, 20), "brbg"},
        // Cropped to the right half: the strip is gone.
        {"cropped",
         {QStringLiteral("--crop"), QStringLiteral("20,0,20,20")},
         QSize(20, 20),
         "rgrr"},
    };
    // A still goes through libheif, a sequence through libavif: both agree.
    for (const bool sequence : {false, true}) {
        for (const auto& c : cases) {
            const QString name =
                QLatin1String(c.name) + (sequence ? QStringLiteral(" sequence") : QString());
            const QString out =
                path(c.name) + (sequence ? QStringLiteral(".avifs") : QStringLiteral(".avif"));
            QStringList inputs = {path("frame.png")};
            if (sequence)
                inputs.append(path("frame.png"));
            QString error;
            ASSERT_TRUE(FormatFixtures::run(QStringLiteral("avifenc"),
                                            QStringList{QStringLiteral("-l")} + c.transforms +
                                                inputs + QStringList{out},
                                            &error))
                << qPrintable(name) << ": " << qPrintable(error);
            auto source = ImageSource::createWithURL(out);
            ASSERT_TRUE(source) << qPrintable(name);
            const int last = source->count() - 1;
            ASSERT_EQ(last, sequence ? 1 : 0) << qPrintable(name);
            const QVariantMap properties = source->propertiesAtIndex(last);
            EXPECT_EQ(QSize(properties.value(QStringLiteral("PixelWidth")).toInt(),
                            properties.value(QStringLiteral("PixelHeight")).toInt()),
                      c.upright)
                << qPrintable(name);
            const QImage image = source->imageAtIndex(last);
            ASSERT_EQ(image.size(), c.upright) << qPrintable(name);
            const int r = image.width() - 2, b = image.height() - 2;
            const std::string corners = {colourAt(image, 1, 1), colourAt(image, r, 1),
                                         colourAt(image, 1, b), colourAt(image, r, b)};
            EXPECT_EQ(corners, c.corners) << qPrintable(name);
        }
    }
}

} // namespace
