#include "platform/ImageSource.h"
#include "platform/imagesource/ApngDecoder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

namespace {

QImage filled(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// Four frames on a 4 x 4 canvas that use every dispose and blend operation.
QList<FormatFixtures::ApngFrame> fourFrames() {
    using F = FormatFixtures::ApngFrame;
    return {
        F{filled(4, 4, Qt::red), QPoint(0, 0), 1, 10, 0, 0},
        F{filled(2, 2, QColor(0, 255, 0, 128)), QPoint(1, 1), 2, 10, 1, 1}, // over, then cleared
        F{filled(2, 2, Qt::blue), QPoint(0, 0), 3, 10, 2, 0},                // source, then restored
        F{filled(1, 1, Qt::white), QPoint(3, 0), 7, 0, 0, 0},                // a zero denominator means 1/100
    };
}

QRgb at(const QImage& image, int x, int y) {
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

TEST(ApngDecoder, CompositesFramesWithTheirBlendAndDisposeOperations) {
    ApngDecoder decoder(FormatFixtures::animatedPng(QSize(4, 4), fourFrames()));
    ASSERT_TRUE(decoder.isValid());
    ASSERT_EQ(decoder.frameCount(), 4);

    const QImage first = decoder.frame(0);
    EXPECT_EQ(at(first, 2, 2), qRgb(255, 0, 0));

    const QImage second = decoder.frame(1);
    const QRgb blended = at(second, 1, 1);
    EXPECT_NEAR(qRed(blended), 127, 2);
    EXPECT_NEAR(qGreen(blended), 128, 2);
    EXPECT_EQ(qAlpha(blended), 255);
    EXPECT_EQ(at(second, 0, 0), qRgb(255, 0, 0));

    // Frame 1's area was cleared to transparent before frame 2 was drawn.
    const QImage third = decoder.frame(2);
    EXPECT_EQ(at(third, 0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(at(third, 1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(at(third, 2, 2)), 0);
    EXPECT_EQ(at(third, 3, 3), qRgb(255, 0, 0));

    // Frame 2 is taken back: its area shows what was there before it.
    const QImage fourth = decoder.frame(3);
    EXPECT_EQ(at(fourth, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(at(fourth, 1, 1)), 0);
    EXPECT_EQ(at(fourth, 3, 0), qRgb(255, 255, 255));
}

TEST(ApngDecoder, GoingBackRecompositesFromTheStart) {
    ApngDecoder decoder(FormatFixtures::animatedPng(QSize(4, 4), fourFrames()));
    const QImage once = decoder.frame(1);
    decoder.frame(3);
    EXPECT_EQ(decoder.frame(1), once);
    EXPECT_TRUE(decoder.frame(4).isNull());
    EXPECT_TRUE(decoder.frame(-1).isNull());
}

TEST(ApngDecoder, ReportsFrameDelaysAndLoopCountThroughTheSource) {
    auto source = ImageSource::createWithData(FormatFixtures::animatedPng(QSize(4, 4), fourFrames(), 5));
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 4);
    EXPECT_EQ(source->type(), QStringLiteral("public.png"));
    const double expected[] = {0.1, 0.2, 0.3, 0.07};
    for (int i = 0; i < 4; ++i) {
        const QVariantMap png = source->propertiesAtIndex(i).value(QStringLiteral("{PNG}")).toMap();
        EXPECT_DOUBLE_EQ(png.value(QStringLiteral("UnclampedDelayTime")).toDouble(), expected[i]) << i;
        EXPECT_DOUBLE_EQ(png.value(QStringLiteral("DelayTime")).toDouble(), expected[i]) << i;
    }
    EXPECT_EQ(source->properties().value(QStringLiteral("{PNG}")).toMap().value(QStringLiteral("LoopCount")).toInt(), 5);
    EXPECT_EQ(source->imageAtIndex(0).size(), QSize(4, 4));
}

TEST(ApngDecoder, ZeroDelayIsClampedForPlayback) {
    auto frames = fourFrames();
    frames[0].delayNumerator = 0;
    auto source = ImageSource::createWithData(FormatFixtures::animatedPng(QSize(4, 4), frames));
    ASSERT_TRUE(source);
    const QVariantMap png = source->propertiesAtIndex(0).value(QStringLiteral("{PNG}")).toMap();
    EXPECT_DOUBLE_EQ(png.value(QStringLiteral("UnclampedDelayTime")).toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(png.value(QStringLiteral("DelayTime")).toDouble(), 0.1);
}

TEST(ApngDecoder, FrameOutsideTheCanvasLeavesAStillPng) {
    auto frames = fourFrames();
    frames[1].offset = QPoint(3, 3); // a 2 x 2 frame that sticks out
    const QByteArray bytes = FormatFixtures::animatedPng(QSize(4, 4), frames);
    EXPECT_FALSE(ApngDecoder(bytes).isValid());
    auto source = ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->count(), 1);
    EXPECT_EQ(at(source->imageAtIndex(0), 0, 0), qRgb(255, 0, 0));
}

TEST(ApngDecoder, StillPngIsNotAnAnimation) {
    EXPECT_FALSE(ApngDecoder(TestImages::encode(filled(4, 4, Qt::red), "PNG")).isValid());
}

TEST(ApngDecoder, DamagedFrameDataGivesNoFrameButNoCrash) {
    QByteArray bytes = FormatFixtures::animatedPng(QSize(4, 4), fourFrames());
    const qsizetype fdat = bytes.indexOf("fdAT");
    ASSERT_GT(fdat, 0);
    bytes[fdat + 10] = char(bytes[fdat + 10] ^ 0x5a); // inside the compressed data
    ApngDecoder decoder(bytes);
    ASSERT_TRUE(decoder.isValid());
    EXPECT_FALSE(decoder.frame(0).isNull());
    EXPECT_TRUE(decoder.frame(1).isNull());
    EXPECT_TRUE(decoder.frame(3).isNull());
}

} // namespace
