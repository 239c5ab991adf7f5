#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QColorSpace>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

using F = FormatFixtures;

QByteArray be16s(std::initializer_list<quint32> values) {
    return F::be(values, 2);
}

QImage decoded(const QByteArray& png) {
    auto source = ImageSource::createWithData(png);
    return source ? source->imageAtIndex(0) : QImage();
}

// --- Pixel layouts ---------------------------------------------------------

TEST(PngDecoder, SixteenBitTruecolourWithATrnsColourGetsAlphaThere) {
    // The transparent colour differs from its neighbour only in the low
    // byte of blue: the comparison must be made on all 16 bits.
    const QByteArray samples =
        be16s({1000, 2000, 3000, 1000, 2000, 3001, 65535, 0, 40000, 1000, 2000, 3000});
    const QByteArray png =
        F::png(QSize(2, 2), 16, 2, samples, F::pngChunk("tRNS", be16s({1000, 2000, 3000})));
    auto source = ImageSource::createWithData(png);
    ASSERT_TRUE(source);
    const QVariantMap properties = source->propertiesAtIndex(0);
    EXPECT_EQ(properties.value("Depth").toInt(), 16);
    EXPECT_TRUE(properties.value("HasAlpha").toBool());
    const QImage image = source->imageAtIndex(0);
    ASSERT_EQ(image.format(), QImage::Format_RGBA64);
    EXPECT_EQ(image.pixelColor(0, 0).rgba64().alpha(), 0);
    EXPECT_EQ(image.pixelColor(1, 1).rgba64().alpha(), 0);
    EXPECT_EQ(image.pixelColor(1, 0).rgba64(), QRgba64::fromRgba64(1000, 2000, 3001, 65535));
    EXPECT_EQ(image.pixelColor(0, 1).rgba64(), QRgba64::fromRgba64(65535, 0, 40000, 65535));
}

TEST(PngDecoder, PaletteAndGreyAreExpandedWithTheirTransparency) {
    // Palette: entry 0 transparent, 1 half, 2 (beyond tRNS) opaque.
    const QByteArray palette =
        F::pngChunk("PLTE", QByteArray("\xff\x00\x00\x00\xff\x00\x00\x00\xff", 9)) +
        F::pngChunk("tRNS", QByteArray("\x00\x80", 2));
    const QImage indexed =
        decoded(F::png(QSize(3, 1), 8, 3, QByteArray("\x00\x01\x02", 3), palette));
    ASSERT_FALSE(indexed.isNull());
    EXPECT_EQ(qAlpha(indexed.pixel(0, 0)), 0);
    EXPECT_EQ(indexed.pixelColor(1, 0).rgba(), qRgba(0, 255, 0, 128));
    EXPECT_EQ(indexed.pixelColor(2, 0).rgba(), qRgba(0, 0, 255, 255));

    // Grey with alpha keeps its grey under any alpha.
    const QImage greyAlpha = decoded(F::png(QSize(2, 1), 8, 4, QByteArray("\x64\x32\xc8\xff", 4)));
    ASSERT_FALSE(greyAlpha.isNull());
    EXPECT_EQ(greyAlpha.pixelColor(0, 0).rgba(), qRgba(100, 100, 100, 50));
    EXPECT_EQ(greyAlpha.pixelColor(1, 0).rgba(), qRgba(200, 200, 200, 255));

    // 16-bit grey with a tRNS grey.
    const QImage grey16 =
        decoded(F::png(QSize(2, 1), 16, 0, be16s({513, 514}), F::pngChunk("tRNS", be16s({513}))));
    ASSERT_EQ(grey16.format(), QImage::Format_RGBA64);
    EXPECT_EQ(grey16.pixelColor(0, 0).rgba64().alpha(), 0);
    EXPECT_EQ(grey16.pixelColor(1, 0).rgba64(), QRgba64::fromRgba64(514, 514, 514, 65535));
}

// --- Properties ------------------------------------------------------------

TEST(PngDecoder, PropertiesComeFromTheHeaderAndChunks) {
    // pHYs at 3779 per metre (96 dpi).
    const QByteArray phys =
        F::pngChunk("pHYs", QByteArray("\x00\x00\x0e\xc3\x00\x00\x0e\xc3\x01", 9));
    auto grey =
        ImageSource::createWithData(F::png(QSize(4, 2), 16, 0, QByteArray(16, '\x40'), phys));
    ASSERT_TRUE(grey);
    const QVariantMap properties = grey->propertiesAtIndex(0);
    EXPECT_EQ(properties.value("ColorModel").toString(), "Gray");
    EXPECT_FALSE(properties.value("HasAlpha").toBool());
    EXPECT_NEAR(properties.value("DPIWidth").toDouble(), 96.0, 0.05);
}

// --- Colour ----------------------------------------------------------------

TEST(PngDecoder, GammaChunkIsConvertedAndSrgbChunkWinsOverIt) {
    // Linear-light mid grey (gamma 1.0) is sRGB 188; an sRGB chunk says the
    // values are sRGB already.
    const QByteArray linear = F::pngChunk("gAMA", QByteArray("\x00\x01\x86\xa0", 4));
    const QImage converted =
        decoded(F::png(QSize(1, 1), 8, 2, QByteArray("\x80\x80\x80", 3), linear));
    ASSERT_FALSE(converted.isNull());
    EXPECT_NEAR(qRed(converted.pixel(0, 0)), 188, 2);
    const QByteArray both = F::pngChunk("sRGB", QByteArray(1, '\0')) + linear;
    const QImage kept = decoded(F::png(QSize(1, 1), 8, 2, QByteArray("\x80\x80\x80", 3), both));
    EXPECT_EQ(qRed(kept.pixel(0, 0)), 128);
    // 16-bit data is converted in 16 bits.
    const QImage deep = decoded(F::png(QSize(1, 1), 16, 2, be16s({32768, 32768, 32768}), linear));
    EXPECT_EQ(deep.depth(), 64);
}

// --- Hostile input ---------------------------------------------------------

TEST(PngDecoder, DamagedDataGivesTheStatedSizeOrNothing) {
    // An interlaced 16-bit image with a gAMA chunk, and an animation: every
    // path through libpng's error handling, none of which may crash or leak.
    QImage picture = F::pattern(24, 20).convertToFormat(QImage::Format_RGBA64);
    const QByteArray still = F::png(picture.size(), 16, 6, F::pngSamples(picture, 16, 6),
                                    F::pngChunk("gAMA", QByteArray("\x00\x00\xb1\x8f", 4)), true);
    const QByteArray animated =
        F::animatedPng(QSize(8, 8), {F::ApngFrame{F::pattern(8, 8), QPoint(0, 0)},
                                     F::ApngFrame{F::pattern(4, 4), QPoint(2, 2), 1, 10, 2, 1}});
    // Cut inside the image data there is no image; damage after it costs
    // nothing that is shown.
    EXPECT_TRUE(decoded(still.left(still.indexOf("IDAT") + 10)).isNull());
    EXPECT_FALSE(decoded(still.chopped(2)).isNull());
    QRandomGenerator random(7);
    for (const QByteArray& original : {still, animated}) {
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = original;
            for (int flips = 1 + int(random.bounded(3)); flips > 0; --flips) {
                const qsizetype at = 8 + qsizetype(random.bounded(quint32(bytes.size() - 8)));
                bytes[at] = char(random.bounded(256));
            }
            auto source = ImageSource::createWithData(bytes);
            if (!source)
                continue;
            for (int i = 0; i < source->count(); ++i) {
                const QImage image = source->imageAtIndex(i);
                const int width = source->propertiesAtIndex(i).value("PixelWidth").toInt();
                EXPECT_TRUE(image.isNull() || image.width() == width) << round;
            }
        }
    }
}

} // namespace
