#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using F = FormatFixtures;

// Smooth 16-bit ramps, a different one in each channel, alpha included when
// asked: every strip and tile, and a wrong channel, shows.
QImage ramps(bool alpha) {
    QImage image(40, 24, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y,
                                QColor::fromRgba64(x * 1680 + 3, y * 2849 + 5, (x + y) * 1040 + 7,
                                                   alpha ? 20000 + x * 800 : 65535));
    return image;
}

// Two pixels in one uncompressed strip, for the layouts ImageMagick writes
// not, or not to the letter.
QByteArray twoPixels(int samples, int bits, int photometric, const QByteArray& pixels,
                     const QByteArray& extraSamples = QByteArray()) {
    const auto n = [](int v) { return F::le({quint32(v)}, 2); };
    QList<F::TiffField> fields = {{256, 3, 1, n(2)},
                                  {257, 3, 1, n(1)},
                                  {258, 3, quint32(samples), n(bits).repeated(samples)},
                                  {262, 3, 1, n(photometric)},
                                  {273, 4, 1, F::le({8})},
                                  {277, 3, 1, n(samples)},
                                  {279, 4, 1, F::le({quint32(pixels.size())})}};
    if (!extraSamples.isEmpty())
        fields.append({338, 3, quint32(extraSamples.size() / 2), extraSamples});
    const quint32 directory = 8 + quint32(pixels.size());
    return QByteArray("II*\0", 4) + F::le({directory}) + pixels +
           F::tiffDirectory(fields, directory, 0);
}

// Every layout libtiff reads opens, at 16 bits where it has more than 8,
// with the samples ImageMagick reads from the same file in every strip or
// tile (the last ones short).
TEST(TiffImageSource, ReadsEveryLayoutAtItsDepth) {
    const struct {
        const char* options; // ImageMagick's, writing the ramps
        int bits;            // stored, per sample
        int depth;           // of the decoded image, per channel
        int tolerance;       // in 16-bit steps
        bool alpha = false;
    } cases[] = {
        {"-depth 8 -compress Zip", 8, 8, 0},
        {"-depth 16 -compress None", 16, 16, 0},
        {"-depth 16 -interlace Plane -compress None", 16, 16, 0},
        {"-depth 16 -interlace Plane -define tiff:tile-geometry=16x16 -compress LZW", 16, 16, 0},
        {"-depth 16 -define tiff:tile-geometry=16x16", 16, 16, 0, true},
        {"-depth 8 -interlace Plane -compress None", 8, 8, 0, true},
        {"-depth 10 -compress None", 10, 16, 0},
        {"-monochrome -depth 1 -define quantum:polarity=min-is-white -compress None", 1, 8, 0},
        {"-colorspace gray -depth 4 -compress None", 4, 8, 0},
        {"-colorspace gray -depth 12 -compress None", 12, 16, 0},
        {"-colorspace gray -depth 16 -define quantum:format=signed", 16, 16, 0},
        {"-colorspace gray -depth 32 -compress None", 32, 16, 0},
        {"-colorspace gray -depth 32 -define quantum:format=floating-point", 32, 16, 1},
        {"-colorspace gray -depth 64 -define quantum:format=floating-point", 64, 16, 1},
        {"-colorspace gray -depth 16", 16, 16, 0, true},
        {"-colors 16 -type palette -depth 4 -compress None", 4, 8, 0},
        {"-type palette -depth 8", 8, 8, 0},
        {"-colorspace CMYK -depth 8 -compress None", 8, 8, 257},
        {"-colorspace CMYK -depth 16 -define tiff:tile-geometry=16x16", 16, 16, 1},
        {"-colorspace CMYK -compress JPEG", 8, 8, 257},
        {"-colorspace YCbCr -compress JPEG", 8, 8, 0},
    };
    const auto check = [](const QByteArray& bytes, const QImage& reference, int bits, int depth,
                          int tolerance) {
        auto source = ImageSource::createWithData(bytes, "tif");
        ASSERT_TRUE(source);
        ASSERT_EQ(source->count(), 1);
        const QImage image = source->imageAtIndex(0);
        ASSERT_EQ(image.size(), reference.size());
        EXPECT_EQ(image.depth() / (image.isGrayscale() && !image.hasAlphaChannel() ? 1 : 4), depth);
        EXPECT_EQ(source->propertiesAtIndex(0).value("Depth").toInt(), bits);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgba64 want = reference.pixelColor(x, y).rgba64(),
                              got = image.pixelColor(x, y).rgba64();
                const int off = std::max(
                    {std::abs(got.red() - want.red()), std::abs(got.green() - want.green()),
                     std::abs(got.blue() - want.blue()), std::abs(got.alpha() - want.alpha())});
                ASSERT_LE(off, tolerance) << "at " << x << "," << y;
            }
    };
    const auto magick = [](const char* options, bool alpha) {
        return F::convert(ramps(alpha), "/usr/bin/convert",
                          F::args("{in} -define tiff:rows-per-strip=5") + F::args(options) +
                              QStringList{"tiff:{out}"},
                          "tif");
    };
    QTemporaryDir dir;
    const QString file = dir.filePath("layout.tif");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const QByteArray bytes = magick(c.options, c.alpha);
        ASSERT_TRUE(TestImages::write(file, bytes));
        check(bytes,
              QImage::fromData(
                  F::convert(QImage(), "/usr/bin/convert", {file, "PNG64:{out}"}, "png")),
              c.bits, c.depth, c.tolerance);
    }
    // Damaged strips or tiles give no image.
    for (const char* options :
         {"-compress Zip", "-define tiff:tile-geometry=16x16 -compress LZW"}) {
        SCOPED_TRACE(options);
        QByteArray garbled = magick(options, false);
        garbled.replace(16, 32, QByteArray(32, char(0xff))); // in the first strip or tile
        auto source = ImageSource::createWithData(garbled, "tif");
        ASSERT_TRUE(source);
        EXPECT_TRUE(source->imageAtIndex(0).isNull());
    }
    // Every page of a file counts, in order.
    auto pages = ImageSource::createWithData(F::convert(
        QImage(), "/usr/bin/convert", F::args("-size 8x8 xc:red xc:green xc:blue {out}"), "tif"));
    ASSERT_TRUE(pages);
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->imageAtIndex(0).pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(pages->imageAtIndex(2).pixel(0, 0), qRgb(0, 0, 255));
    // RGB and two extra samples, the first of them alpha; 24-bit grey in the
    // file's byte order (ImageMagick writes it most significant byte first).
    QImage rgba(2, 1, QImage::Format_RGBA64), grey(2, 1, QImage::Format_RGBX64);
    rgba.setPixelColor(0, 0, QColor(0x10, 0x20, 0x30, 0x80));
    rgba.setPixelColor(1, 0, QColor(0xf0, 0xe0, 0xd0, 0xff));
    grey.setPixelColor(0, 0, QColor::fromRgba64(0x5634, 0x5634, 0x5634));
    grey.setPixelColor(1, 0, QColor::fromRgba64(0xfedc, 0xfedc, 0xfedc));
    check(twoPixels(5, 8, 2, QByteArray("\x10\x20\x30\x80\x55\xf0\xe0\xd0\xff\x00", 10),
                    F::le({2, 0}, 2)),
          rgba, 8, 8, 0);
    check(twoPixels(1, 24, 1, QByteArray("\x12\x34\x56\xfe\xdc\xfe", 6)), grey, 24, 16, 0);
}

} // namespace
