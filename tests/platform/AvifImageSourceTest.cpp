#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

const auto A = FormatFixtures::args;

QByteArray avifenc(const QImage& image, const QString& arguments, const char* ext = "avif") {
    return FormatFixtures::convert(image, "avifenc", A(arguments.toLatin1().constData()),
                                   QLatin1String(ext));
}

// Opaque 8-bit stills are put together from libheif's colour planes:
// grey-only data and subsampled chroma of an odd size must still fill them.
TEST(AvifImageSource, GreyOnlyAndOddSizedStillsKeepTheirColours) {
    QImage split(37, 19, QImage::Format_RGB32), ramp(37, 19, QImage::Format_RGB32);
    for (int y = 0; y < split.height(); ++y)
        for (int x = 0; x < split.width(); ++x) {
            split.setPixel(x, y, x < 18 ? qRgb(200, 30, 30) : qRgb(20, 40, 220));
            ramp.setPixel(x, y, qRgb(x * 7, x * 7, x * 7));
        }
    const struct {
        const char* yuv;
        QImage picture;
    } cases[] = {{"420", split}, {"444", split}, {"400", ramp}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.yuv);
        const bool grey = QLatin1String(c.yuv) == "400";
        const QImage input =
            grey ? c.picture.convertToFormat(QImage::Format_Grayscale8) : c.picture;
        auto source = ImageSource::createWithData(
            avifenc(input, QStringLiteral("-y %1 --min 0 --max 0 {in} {out}").arg(c.yuv)));
        ASSERT_TRUE(source);
        const QImage decoded = source->imageAtIndex(0);
        ASSERT_EQ(decoded.size(), c.picture.size());
        for (const QPoint p :
             {QPoint(0, 0), QPoint(9, 9), QPoint(16, 18), QPoint(20, 0), QPoint(36, 18)})
            EXPECT_LE(TestImages::channelDistance(decoded.pixel(p), c.picture.pixel(p)), 8)
                << p.x() << "," << p.y();
    }
}

// libheif refuses a still with an image pyramid (a "pymd" entity group, here
// of its one layer); libavif shows it, at the size it decodes.
TEST(AvifImageSource, StillThatLibheifRefusesIsShownThroughLibavif) {
    const QImage picture = FormatFixtures::pattern();
    QByteArray bytes = avifenc(picture, "-l {in} {out}");
    const auto box = FormatFixtures::box;
    // Group 2 of item 1: tiles of 64 x 48, the layer at binning 1 in one tile.
    const QByteArray grpl = box("grpl", box("pymd", FormatFixtures::be({0, 2, 1, 1}) +
                                                        FormatFixtures::be({64, 48, 1, 0, 0}, 2)));
    // Into the meta box, the item data moving on as far: avifenc writes
    // 4-byte offsets and lengths, one extent per item.
    const qsizetype meta = bytes.indexOf("meta") - 4, iloc = bytes.indexOf("iloc") - 4;
    ASSERT_TRUE(meta > 0 && iloc > meta);
    ASSERT_EQ(bytes.mid(iloc + 12, 2), QByteArray("\x44\x00", 2));
    const auto be32 = [&bytes](qsizetype at) {
        return qFromBigEndian<quint32>(bytes.constData() + at);
    };
    const qsizetype metaEnd = meta + be32(meta);
    bytes.replace(meta, 4, FormatFixtures::be({be32(meta) + quint32(grpl.size())}));
    for (int i = 0; i < qFromBigEndian<quint16>(bytes.constData() + iloc + 14); ++i) {
        const qsizetype item = iloc + 16 + 14 * i;
        ASSERT_EQ(qFromBigEndian<quint16>(bytes.constData() + item + 4), 1);
        bytes.replace(item + 6, 4, FormatFixtures::be({be32(item + 6) + quint32(grpl.size())}));
    }
    bytes.insert(metaEnd, grpl);

    auto source = ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), "public.avif");
    ASSERT_EQ(source->count(), 1);
    const QImage image = source->imageAtIndex(0);
    ASSERT_EQ(image.size(), picture.size());
    const QVariantMap properties = source->propertiesAtIndex(0);
    EXPECT_EQ(
        QSize(properties.value("PixelWidth").toInt(), properties.value("PixelHeight").toInt()),
        image.size());
    EXPECT_FALSE(properties.contains("{AVIS}"));
    for (const QPoint p : {QPoint(5, 5), QPoint(60, 5), QPoint(5, 44), QPoint(60, 44)})
        EXPECT_LE(TestImages::channelDistance(image.pixel(p), picture.pixel(p)), 8)
            << p.x() << "," << p.y();
}

TEST(AvifImageSource, UnknownColourCodePointsDecodeAsUntaggedAndLeakNothing) {
    QTemporaryDir dir;
    QString error;
    const QString file = FormatFixtures::make("avif", dir.path(), &error);
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
    EXPECT_FALSE(source->propertiesAtIndex(0).contains("ProfileName"));
    const QImage image = source->imageAtIndex(0);
    ASSERT_EQ(image.size(), FormatFixtures::pattern().size());
    EXPECT_LE(TestImages::channelDistance(image.pixel(10, 10), qRgb(255, 0, 0)), 40);
}

TEST(AvifImageSource, StillsAndSequencesAreShownCroppedTurnedAndMirroredAsTheirPropertiesSay) {
    // 40 x 20: red, a blue strip down the left side, a green block at the top right.
    QImage frame(40, 20, QImage::Format_RGB32);
    frame.fill(qRgb(220, 30, 30));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            if (x < 10 || (x >= 30 && y < 6))
                frame.setPixel(x, y, x < 10 ? qRgb(30, 30, 220) : qRgb(30, 200, 30));
    const auto colourAt = [](const QImage& image, int x, int y) {
        const QRgb p = image.pixel(x, y);
        return qBlue(p) > 150 ? 'b' : qGreen(p) > 150 ? 'g' : qRed(p) > 150 ? 'r' : '?';
    };
    const struct {
        const char* transforms;
        QSize upright;
        const char* corners; // top left, top right, bottom left, bottom right
    } cases[] = {
        // A quarter turn anti-clockwise: the left strip ends at the bottom,
        // the top right block at the top left; then left and right exchanged.
        {"--irot 1", QSize(20, 40), "grbb"},
        {"--irot 1 --imir 1", QSize(20, 40), "rgbb"},
        {"--imir 0", QSize(40, 20), "brbg"},          // top and bottom exchanged
        {"--crop 20,0,20,20", QSize(20, 20), "rgrr"}, // the right half: the strip is gone
    };
    // A still goes through libheif, a sequence through libavif: both agree.
    for (const bool sequence : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.transforms) + (sequence ? " sequence" : ""));
            auto source = ImageSource::createWithData(
                avifenc(frame,
                        QStringLiteral("-l %1 {in} %2{out}")
                            .arg(QLatin1String(c.transforms), sequence ? "{in} " : ""),
                        sequence ? "avifs" : "avif"));
            ASSERT_TRUE(source);
            const int last = source->count() - 1;
            ASSERT_EQ(last, sequence ? 1 : 0);
            const QVariantMap properties = source->propertiesAtIndex(last);
            EXPECT_EQ(QSize(properties.value("PixelWidth").toInt(),
                            properties.value("PixelHeight").toInt()),
                      c.upright);
            const QImage image = source->imageAtIndex(last);
            ASSERT_EQ(image.size(), c.upright);
            const int r = image.width() - 2, b = image.height() - 2;
            const std::string corners = {colourAt(image, 1, 1), colourAt(image, r, 1),
                                         colourAt(image, 1, b), colourAt(image, r, b)};
            EXPECT_EQ(corners, c.corners);
        }
    }
}

} // namespace
