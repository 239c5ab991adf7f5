#include "platform/imagesource/ApngDecoder.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

namespace {

using F = FormatFixtures;

QImage filled(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// Four frames on a 4 x 4 canvas that use every dispose and blend operation.
QList<F::ApngFrame> fourFrames() {
    return {
        F::ApngFrame{filled(4, 4, Qt::red), QPoint(0, 0), 1, 10, 0, 0},
        F::ApngFrame{filled(2, 2, QColor(0, 255, 0, 128)), QPoint(1, 1), 2, 10, 1,
                     1},                                                 // over, then cleared
        F::ApngFrame{filled(2, 2, Qt::blue), QPoint(0, 0), 3, 10, 2, 0}, // source, then restored
        F::ApngFrame{filled(1, 1, Qt::white), QPoint(3, 0), 7, 0, 0,
                     0}, // a zero denominator means 1/100
    };
}

QRgb at(const QImage& image, int x, int y) {
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

TEST(ApngDecoder, CompositesFramesWithTheirBlendAndDisposeOperations) {
    ApngDecoder decoder(F::animatedPng(QSize(4, 4), fourFrames()));
    ASSERT_TRUE(decoder.isValid());
    ASSERT_EQ(decoder.frameCount(), 4);

    const QImage second = decoder.frame(1);
    // Frame 1 is blended over; its area is cleared to transparent before
    // frame 2 is drawn; frame 2 is taken back: its area shows what was there.
    const struct {
        int frame, x, y;
        QRgb want; // alpha 0: transparent, whatever the colour
        int tolerance = 0;
    } pixels[] = {
        {0, 2, 2, qRgb(255, 0, 0)},    {1, 1, 1, qRgb(127, 128, 0), 2}, {1, 0, 0, qRgb(255, 0, 0)},
        {2, 0, 0, qRgb(0, 0, 255)},    {2, 1, 1, qRgb(0, 0, 255)},      {2, 2, 2, 0},
        {2, 3, 3, qRgb(255, 0, 0)},    {3, 0, 0, qRgb(255, 0, 0)},      {3, 1, 1, 0},
        {3, 3, 0, qRgb(255, 255, 255)}};
    for (const auto& p : pixels) {
        const QRgb got = at(decoder.frame(p.frame), p.x, p.y);
        EXPECT_EQ(qAlpha(got), qAlpha(p.want)) << p.frame << " at " << p.x << "," << p.y;
        EXPECT_TRUE(qAlpha(p.want) == 0 || TestImages::channelDistance(got, p.want) <= p.tolerance)
            << p.frame << " at " << p.x << "," << p.y << std::hex << " got " << got;
    }
    // Going back composites again from the start.
    EXPECT_EQ(decoder.frame(1), second);
    EXPECT_TRUE(decoder.frame(4).isNull());
    EXPECT_TRUE(decoder.frame(-1).isNull());
    // The fourth frame's zero denominator means hundredths; the plays count.
    auto source = ImageSource::createWithData(F::animatedPng(QSize(4, 4), fourFrames(), 5));
    ASSERT_TRUE(source);
    EXPECT_DOUBLE_EQ(
        source->propertiesAtIndex(3).value("{PNG}").toMap().value("UnclampedDelayTime").toDouble(),
        0.07);
    EXPECT_EQ(source->properties().value("{PNG}").toMap().value("LoopCount"), 5);
}

// --- Alpha and depth --------------------------------------------------------

TEST(ApngDecoder, GreyWithAlphaAnimationKeepsItsGrey) {
    QImage translucent = filled(4, 4, QColor(100, 100, 100));
    translucent.setPixelColor(0, 0, QColor(180, 180, 180, 60));
    const QList<F::ApngFrame> frames = {
        F::ApngFrame{translucent, QPoint(0, 0), 1, 10, 0, 0},
        F::ApngFrame{filled(2, 2, QColor(200, 200, 200, 128)), QPoint(2, 2), 1, 10, 0, 1}};
    auto source = ImageSource::createWithData(F::animatedPng(QSize(4, 4), frames, 0, 8, 4));
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 2);
    EXPECT_EQ(source->propertiesAtIndex(0).value("ColorModel").toString(), "Gray");
    const QImage first = source->imageAtIndex(0);
    EXPECT_EQ(at(first, 1, 1), qRgb(100, 100, 100));
    EXPECT_EQ(at(first, 0, 0), qRgba(180, 180, 180, 60));
    // 200 at alpha 128/255 over opaque 100.
    EXPECT_EQ(at(source->imageAtIndex(1), 3, 3), qRgb(150, 150, 150));
}

TEST(ApngDecoder, SixteenBitAnimationWithAlphaStaysSixteenBitAndTranslucent) {
    QImage base(4, 4, QImage::Format_RGBA64);
    base.fill(QColor::fromRgba64(1000, 30000, 65535, 32768));
    QImage patch(1, 1, QImage::Format_RGBA64);
    patch.fill(QColor::fromRgba64(65535, 0, 0, 65535));
    const QList<F::ApngFrame> frames = {F::ApngFrame{base, QPoint(0, 0), 1, 10, 0, 0},
                                        F::ApngFrame{patch, QPoint(3, 3), 1, 10, 0, 1}};
    auto source = ImageSource::createWithData(F::animatedPng(QSize(4, 4), frames, 0, 16, 6));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->propertiesAtIndex(0).value("Depth").toInt(), 16);
    const QImage first = source->imageAtIndex(0);
    EXPECT_EQ(first.depth(), 64);
    EXPECT_EQ(first.pixelColor(1, 1).rgba64(), QRgba64::fromRgba64(1000, 30000, 65535, 32768));
    const QImage second = source->imageAtIndex(1);
    EXPECT_EQ(second.pixelColor(3, 3).rgba64(), QRgba64::fromRgba64(65535, 0, 0, 65535));
    EXPECT_EQ(second.pixelColor(0, 0).rgba64(), QRgba64::fromRgba64(1000, 30000, 65535, 32768));
}

TEST(ApngDecoder, OverOntoNearlyTransparentPixelsKeepsBothColours) {
    // At alpha 3 a premultiplied 8-bit canvas has four levels per channel
    // left; straight alpha keeps the colour whole.
    const QList<F::ApngFrame> frames = {
        F::ApngFrame{filled(2, 2, QColor(200, 100, 50, 3)), QPoint(0, 0), 1, 10, 0, 0},
        F::ApngFrame{filled(2, 2, QColor(40, 180, 220, 3)), QPoint(0, 0), 1, 10, 0, 1},
        F::ApngFrame{filled(1, 1, QColor(0, 255, 0, 0)), QPoint(1, 1), 1, 10, 0, 1}};
    ApngDecoder decoder(F::animatedPng(QSize(2, 2), frames));
    ASSERT_TRUE(decoder.isValid());
    EXPECT_EQ(at(decoder.frame(0), 0, 0), qRgba(200, 100, 50, 3));
    const double source = 3 / 255.0, canvas = 3 / 255.0 * (1 - source), alpha = source + canvas;
    auto mix = [&](int s, int c) { return (s * source + c * canvas) / alpha; };
    const QRgb mixed = at(decoder.frame(1), 0, 0);
    EXPECT_EQ(qAlpha(mixed), int(std::lround(alpha * 255)));
    EXPECT_NEAR(qRed(mixed), mix(40, 200), 1);
    EXPECT_NEAR(qGreen(mixed), mix(180, 100), 1);
    EXPECT_NEAR(qBlue(mixed), mix(220, 50), 1);
    // A fully transparent source over a pixel leaves it as it was.
    EXPECT_EQ(at(decoder.frame(2), 1, 1), mixed);
}

TEST(ApngDecoder, FrameOutsideTheCanvasLeavesAStillPngAndDamagedDataNoFrame) {
    auto frames = fourFrames();
    frames[1].offset = QPoint(3, 3); // a 2 x 2 frame that sticks out
    const QByteArray bytes = F::animatedPng(QSize(4, 4), frames);
    EXPECT_FALSE(ApngDecoder(bytes).isValid());
    EXPECT_FALSE(ApngDecoder(TestImages::encode(filled(4, 4, Qt::red), "PNG")).isValid());
    auto source = ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->count(), 1);
    EXPECT_EQ(at(source->imageAtIndex(0), 0, 0), qRgb(255, 0, 0));
    // Damaged frame data gives no frame, but no crash.
    QByteArray damaged = F::animatedPng(QSize(4, 4), fourFrames());
    const qsizetype fdat = damaged.indexOf("fdAT");
    ASSERT_GT(fdat, 0);
    damaged[fdat + 10] = char(damaged[fdat + 10] ^ 0x5a); // inside the compressed data
    ApngDecoder decoder(damaged);
    ASSERT_TRUE(decoder.isValid());
    EXPECT_FALSE(decoder.frame(0).isNull());
    EXPECT_TRUE(decoder.frame(1).isNull());
    EXPECT_TRUE(decoder.frame(3).isNull());
}

} // namespace
