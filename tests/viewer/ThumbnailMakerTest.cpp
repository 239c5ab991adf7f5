#include "viewer/ThumbnailMaker.h"
#include "support/TestImages.h"

#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Four solid quadrants: red, green / blue, white.
QImage quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = width / 2, h = height / 2;
    painter.fillRect(0, 0, w, h, Qt::red);
    painter.fillRect(w, 0, width - w, h, Qt::green);
    painter.fillRect(0, h, w, height - h, Qt::blue);
    painter.fillRect(w, h, width - w, height - h, Qt::white);
    return image;
}

// The colours at the centres of the four quadrants of an image, clockwise
// from the top left.
QList<QRgb> corners(const QImage& image) {
    const int w = image.width(), h = image.height();
    return {image.pixel(w / 4, h / 4), image.pixel(3 * w / 4, h / 4),
            image.pixel(3 * w / 4, 3 * h / 4), image.pixel(w / 4, 3 * h / 4)};
}

TEST(ThumbnailMaker, ReducedUprightAndEightBitsWhateverTheFormatAndFirstFrameOnly) {
    const QImage stored = quadrants(800, 400);
    const QRgb r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255),
               w = qRgb(255, 255, 255);
    QImage deep = stored.convertToFormat(QImage::Format_RGBA64);
    QImage dark(60, 40, QImage::Format_Grayscale8), light = dark;
    dark.fill(40);
    light.fill(220);
    const QRgb d = qRgb(40, 40, 40);
    const struct {
        const char* what;
        QByteArray bytes;
        int pixels;
        QSize size;
        QList<QRgb> corners; // clockwise from the top left
    } cases[] = {
        {"as stored", TestImages::jpegWithOrientation(stored, 1), 128, {128, 64}, {r, g, w, b}},
        {"turned half round",
         TestImages::jpegWithOrientation(stored, 3),
         128,
         {128, 64},
         {w, b, r, g}},
        {"turned right", TestImages::jpegWithOrientation(stored, 6), 128, {64, 128}, {b, r, g, w}},
        {"turned left", TestImages::jpegWithOrientation(stored, 8), 128, {64, 128}, {g, w, b, r}},
        {"16-bit PNG", TestImages::encode(deep, "png"), 256, {256, 128}, {r, g, w, b}},
        {"smaller than asked: kept",
         TestImages::encode(quadrants(40, 20), "png"),
         128,
         {40, 20},
         {r, g, w, b}},
        {"an animation: its first frame",
         TestImages::animatedGif({dark, light}, {10, 10}),
         128,
         {60, 40},
         {d, d, d, d}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ThumbnailMaker::Result result = ThumbnailMaker::ofData(c.bytes, QString(), c.pixels);
        ASSERT_FALSE(result.failed());
        EXPECT_EQ(result.image.size(), c.size);
        EXPECT_TRUE(result.image.format() == QImage::Format_RGB32 ||
                    result.image.format() == QImage::Format_ARGB32_Premultiplied);
        const QList<QRgb> seen = corners(result.image);
        for (int i = 0; i < 4; ++i)
            EXPECT_LE(TestImages::channelDistance(seen[i], c.corners[i]), 40) << i;
    }
}

// Under a decode budget far below what these images take whole (their files
// small enough to be read), their thumbnails are still made: they never are
// decoded whole.
TEST(ThumbnailMaker, LargeImagesAreReducedWhileTheyDecode) {
    const QImage large = quadrants(1600, 1200);
    const QByteArray jpeg = TestImages::encode(large, "jpeg", 80);
    const QByteArray png = TestImages::encode(large, "png", 0); // compressed most
    const TestImages::SmallBudget budget;
    for (const QByteArray& bytes : {jpeg, png}) {
        const ThumbnailMaker::Result result = ThumbnailMaker::ofData(bytes, QString(), 128);
        ASSERT_FALSE(result.failed());
        EXPECT_EQ(result.image.size(), QSize(128, 96));
    }
}

// Every way an item gives no picture is a failure with its reason.
TEST(ThumbnailMaker, WhatCannotBeDecodedFailsWithItsReason) {
    QTemporaryDir folder;
    const QString damaged = folder.filePath("damaged.jpg"), text = folder.filePath("text.png");
    ASSERT_TRUE(TestImages::write(damaged, TestImages::damagedJpeg()));
    ASSERT_TRUE(TestImages::write(text, "just some words, no picture"));
    const auto none = [] { return std::optional<QByteArray>(); };
    const auto empty = [] { return std::optional<QByteArray>(QByteArray()); };
    const auto cut = [] { return std::optional<QByteArray>(TestImages::damagedJpeg()); };
    const struct {
        const char* what;
        QString path;
        ThumbnailMaker::Reader read;
        DecodeFailure::Reason reason;
    } cases[] = {
        {"damaged file", damaged, {}, DecodeFailure::Damaged},
        {"not an image", text, {}, DecodeFailure::NotAnImage},
        {"missing file", folder.filePath("gone.png"), {}, DecodeFailure::NotFound},
        {"damaged entry", "in/archive.jpg", cut, DecodeFailure::Damaged},
        {"entry that cannot be read", "in/archive.jpg", none, DecodeFailure::Damaged},
        {"empty entry", "in/archive.jpg", empty, DecodeFailure::NotAnImage},
    };
    for (const auto& c : cases) {
        const ThumbnailMaker::Result result = ThumbnailMaker::ofItem(c.path, c.read, 128);
        EXPECT_TRUE(result.failed()) << c.what;
        EXPECT_EQ(result.failure, c.reason) << c.what;
    }
}

} // namespace
