#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Whether two images agree everywhere, within a tolerance.
bool same(const QImage& decoded, const QImage& expected, int tolerance = 0) {
    if (decoded.size() != expected.size())
        return false;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (TestImages::channelDistance(decoded.pixel(x, y), expected.pixel(x, y)) > tolerance)
                return false;
    return true;
}

// A little-endian TIFF block with one tag: the orientation.
QByteArray exifWithOrientation(int orientation) {
    return QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(orientation) +
           QByteArray(3, '\0') + QByteArray(4, '\0');
}

class WebpImageSource : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    // A lossless still with an EXIF chunk, so in the extended layout.
    QByteArray extendedStill(const QImage& image, int orientation) {
        const QString png = dir.filePath(QStringLiteral("still.png"));
        const QString plain = dir.filePath(QStringLiteral("plain.webp"));
        const QString exif = dir.filePath(QStringLiteral("exif.bin"));
        const QString out = dir.filePath(QStringLiteral("exif.webp"));
        QString error;
        if (!image.save(png, "PNG") || !TestImages::write(exif, exifWithOrientation(orientation)) ||
            !FormatFixtures::run(QStringLiteral("cwebp"),
                                 {QStringLiteral("-quiet"), QStringLiteral("-lossless"), png,
                                  QStringLiteral("-o"), plain},
                                 &error) ||
            !FormatFixtures::run(QStringLiteral("webpmux"),
                                 {QStringLiteral("-set"), QStringLiteral("exif"), exif, plain,
                                  QStringLiteral("-o"), out},
                                 &error)) {
            ADD_FAILURE() << qPrintable(error);
            return QByteArray();
        }
        return TestImages::read(out);
    }
    QTemporaryDir dir;
};

TEST_F(WebpImageSource, AnimationFramesAreCompositedWithTheirDelays) {
    QString error;
    const QList<QImage> frames = FormatFixtures::animationFrames();
    const QString path = FormatFixtures::makeAnimation(QStringLiteral("webp"), dir.path(), frames,
                                                       {80, 5, 120}, &error);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(error);
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), QStringLiteral("org.webmproject.webp"));
    ASSERT_EQ(source->count(), 3);
    // Out of order: going back starts the composition over.
    for (const int index : {2, 0, 1, 1, 2}) {
        EXPECT_TRUE(same(source->imageAtIndex(index), frames.at(index))) << "frame " << index;
    }
    EXPECT_TRUE(source->imageAtIndex(3).isNull());

    const auto delays = [&](int index) {
        return source->propertiesAtIndex(index).value(QStringLiteral("{WebP}")).toMap();
    };
    EXPECT_DOUBLE_EQ(delays(0).value(QStringLiteral("UnclampedDelayTime")).toDouble(), 0.08);
    EXPECT_DOUBLE_EQ(delays(0).value(QStringLiteral("DelayTime")).toDouble(), 0.08);
    EXPECT_DOUBLE_EQ(delays(1).value(QStringLiteral("UnclampedDelayTime")).toDouble(), 0.005);
    EXPECT_DOUBLE_EQ(delays(1).value(QStringLiteral("DelayTime")).toDouble(), 0.1)
        << "as browsers play it";
    EXPECT_DOUBLE_EQ(delays(2).value(QStringLiteral("UnclampedDelayTime")).toDouble(), 0.12);
    const QVariantMap container = source->properties().value(QStringLiteral("{WebP}")).toMap();
    EXPECT_EQ(container.value(QStringLiteral("FrameCount")).toInt(), 3);
    EXPECT_EQ(container.value(QStringLiteral("LoopCount")).toInt(), 0);
}

TEST_F(WebpImageSource, TruncatedAnimationOpensNothing) {
    QString error;
    const QList<QImage> frames = FormatFixtures::animationFrames();
    const QString path = FormatFixtures::makeAnimation(QStringLiteral("webp"), dir.path(), frames,
                                                       {80, 80, 80}, &error);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(error);
    const QByteArray bytes = TestImages::read(path);
    for (const qsizetype keep : {bytes.size() - 1, bytes.size() * 3 / 4, qsizetype(40)}) {
        auto source = ImageSource::createWithData(bytes.left(keep), QStringLiteral("webp"));
        EXPECT_TRUE(!source || source->imageAtIndex(source->count() - 1).isNull()) << keep;
    }
}

TEST_F(WebpImageSource, ExifOrientationIsReportedAndTheThumbnailIsUpright) {
    const QImage stored = FormatFixtures::pattern(80, 40);
    auto source = ImageSource::createWithData(extendedStill(stored, 6));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("Orientation")).toInt(), 6);
    EXPECT_TRUE(same(source->imageAtIndex(0), stored)) << "decoded as stored";
    // Turned a quarter clockwise: the stored bottom left (blue) is now top left.
    const QImage upright = source->thumbnail(40);
    ASSERT_EQ(upright.size(), QSize(20, 40));
    EXPECT_LE(TestImages::channelDistance(upright.pixel(4, 4), qRgb(0, 0, 255)), 8);
    EXPECT_LE(TestImages::channelDistance(upright.pixel(15, 4), qRgb(255, 0, 0)), 8);
}

TEST_F(WebpImageSource, CanvasThatDisagreesWithTheImageOpensNothing) {
    QByteArray bytes = extendedStill(FormatFixtures::pattern(), 1);
    ASSERT_EQ(bytes.mid(12, 4), QByteArray("VP8X"));
    // The canvas size is stored less one, in 24 bits, after the flags.
    const auto canvas = [&bytes](int width, int height) {
        QByteArray lying = bytes;
        for (int i = 0; i < 3; ++i) {
            lying[24 + i] = char(((width - 1) >> (8 * i)) & 0xff);
            lying[27 + i] = char(((height - 1) >> (8 * i)) & 0xff);
        }
        return lying;
    };
    ASSERT_TRUE(ImageSource::createWithData(canvas(64, 48)));
    // A canvas larger than its image would be shown mostly empty; a huge
    // one must not be allocated at all.
    for (const QSize& size : {QSize(5000, 4000), QSize(16777216, 16777216), QSize(64, 16777216)}) {
        auto source = ImageSource::createWithData(canvas(size.width(), size.height()));
        EXPECT_TRUE(!source || source->imageAtIndex(0).isNull())
            << size.width() << "x" << size.height();
    }
}

} // namespace
