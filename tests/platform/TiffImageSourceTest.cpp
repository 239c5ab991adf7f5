#include "platform/ImageSource.h"
#include "support/TiffFixtures.h"

#include <QRgba64>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace {

using Layout = TiffFixtures::Layout;

// The value a sample of the given size stands for, back at 16 bits.
int widened(int v, int bits) {
    if (bits >= 16)
        return v;
    const int max = (1 << bits) - 1;
    return ((v >> (16 - bits)) * 65535 + max / 2) / max;
}

QRgba64 expected(const Layout& l, int x, int y) {
    auto s = [&](int c) {
        const int bits = l.sampleFormat == SAMPLEFORMAT_IEEEFP ? 16 : l.bits;
        return widened(TiffFixtures::sample(x, y, c), bits);
    };
    const int colour = l.samples - l.extraSamples;
    const int alpha = l.extraSamples > 0 ? s(colour) : 65535;
    switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
        return QRgba64::fromRgba64(s(0), s(0), s(0), alpha);
    case PHOTOMETRIC_MINISWHITE:
        return QRgba64::fromRgba64(65535 - s(0), 65535 - s(0), 65535 - s(0), alpha);
    case PHOTOMETRIC_PALETTE: {
        const int entries = 1 << l.bits;
        const int v = (TiffFixtures::sample(x, y, 0) >> (16 - l.bits)) * 255 / (entries - 1);
        return QRgba64::fromRgba64(v * 257, (255 - v) * 257, v / 2 * 257, 65535);
    }
    case PHOTOMETRIC_SEPARATED: {
        const qint64 white = 65535 - s(3);
        return QRgba64::fromRgba64((65535 - s(0)) * white / 65535, (65535 - s(1)) * white / 65535,
                                   (65535 - s(2)) * white / 65535, 65535);
    }
    default:
        return QRgba64::fromRgba64(s(0), s(1), s(2), alpha);
    }
}

// Every layout libtiff reads opens, at 16 bits where it has more than 8,
// with the right samples in every strip or tile (the last ones short).
TEST(TiffImageSource, ReadsEveryLayoutAtItsDepth) {
    struct Case {
        const char* name;
        Layout layout;
        int depth;     // of the decoded image, per channel
        int tolerance; // in 16-bit steps
    };
    const auto rgb = [](int bits, bool planar, bool tiled, int extra = 0,
                        int compression = COMPRESSION_NONE) {
        return Layout{bits,   3 + extra, PHOTOMETRIC_RGB,   extra,
                      planar, tiled,     SAMPLEFORMAT_UINT, compression};
    };
    const auto grey = [](int bits, int format = SAMPLEFORMAT_UINT,
                         int photometric = PHOTOMETRIC_MINISBLACK) {
        return Layout{bits, 1, photometric, 0, false, false, format};
    };
    const Case cases[] = {
        {"RGB 8-bit, deflate", rgb(8, false, false, 0, COMPRESSION_ADOBE_DEFLATE), 8, 130},
        {"RGB 16-bit strips", rgb(16, false, false), 16, 0},
        {"RGB 16-bit planar strips", rgb(16, true, false), 16, 0},
        {"RGB 16-bit planar tiles, LZW", rgb(16, true, true, 0, COMPRESSION_LZW), 16, 0},
        {"RGBA 16-bit contiguous tiles", rgb(16, false, true, 1), 16, 0},
        {"RGBA 8-bit planar", rgb(8, true, false, 1), 8, 130},
        {"RGB 10-bit packed", rgb(10, false, false), 16, 40},
        {"RGB and two extra samples", rgb(8, false, false, 2), 8, 130},
        {"grey 1-bit, white is zero", grey(1, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISWHITE), 8, 0},
        {"grey 4-bit", grey(4), 8, 130},
        {"grey 12-bit", grey(12), 16, 20},
        {"grey 16-bit signed", grey(16, SAMPLEFORMAT_INT), 16, 0},
        {"grey 24-bit", grey(24), 16, 0},
        {"grey 32-bit", grey(32), 16, 0},
        {"grey 32-bit float", grey(32, SAMPLEFORMAT_IEEEFP), 16, 1},
        {"grey 64-bit float", grey(64, SAMPLEFORMAT_IEEEFP), 16, 1},
        {"grey and alpha 16-bit", {16, 2, PHOTOMETRIC_MINISBLACK, 1}, 16, 0},
        {"palette 4-bit", {4, 1, PHOTOMETRIC_PALETTE}, 8, 130},
        {"palette 8-bit", {8, 1, PHOTOMETRIC_PALETTE}, 8, 130},
        {"CMYK 8-bit", {8, 4, PHOTOMETRIC_SEPARATED}, 8, 300},
        {"CMYK 16-bit planar tiles", {16, 4, PHOTOMETRIC_SEPARATED, 0, true, true}, 16, 2},
        {"CMYK 8-bit JPEG",
         {8, 4, PHOTOMETRIC_SEPARATED, 0, false, false, SAMPLEFORMAT_UINT, COMPRESSION_JPEG},
         8,
         3000},
        {"YCbCr JPEG",
         {8, 3, PHOTOMETRIC_YCBCR, 0, false, false, SAMPLEFORMAT_UINT, COMPRESSION_JPEG},
         8,
         3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = TiffFixtures::write(c.layout);
        ASSERT_FALSE(bytes.isEmpty());
        auto source = ImageSource::createWithData(bytes, "tif");
        ASSERT_TRUE(source);
        ASSERT_EQ(source->count(), 1);
        const QImage image = source->imageAtIndex(0);
        ASSERT_EQ(image.size(), TiffFixtures::size);
        EXPECT_EQ(image.depth() / (image.isGrayscale() && !image.hasAlphaChannel() ? 1 : 4),
                  c.depth);
        EXPECT_EQ(source->propertiesAtIndex(0).value("Depth").toInt(), c.layout.bits);
        for (const QPoint p :
             {QPoint(0, 0), QPoint(39, 23), QPoint(17, 9), QPoint(31, 20), QPoint(8, 16)}) {
            const QRgba64 want = expected(c.layout, p.x(), p.y());
            const QRgba64 got = image.pixelColor(p).rgba64();
            const int off = std::max(
                {std::abs(got.red() - want.red()), std::abs(got.green() - want.green()),
                 std::abs(got.blue() - want.blue()), std::abs(got.alpha() - want.alpha())});
            EXPECT_LE(off, c.tolerance) << "at " << p.x() << "," << p.y();
        }
    }
}

// A damaged file gives no image, or a whole one, never a crash or a page
// stitched from what is not there.
TEST(TiffImageSource, RefusesDamagedFiles) {
    const QByteArray whole = TiffFixtures::write(
        {16, 3, PHOTOMETRIC_RGB, 0, true, true, SAMPLEFORMAT_UINT, COMPRESSION_LZW});
    ASSERT_GT(whole.size(), 600);
    QByteArray garbled = whole; // the directory is written last: the tiles come first
    garbled.replace(300, 200, QByteArray(200, char(0xff)));
    for (const QByteArray& bytes : {whole.left(8), whole.left(whole.size() / 2), garbled}) {
        SCOPED_TRACE(bytes.size());
        auto source = ImageSource::createWithData(bytes, "tif");
        if (!source) {
            EXPECT_NE(bytes, garbled); // its directory is whole
            continue;
        }
        for (int i = 0; i < source->count(); ++i)
            EXPECT_TRUE(source->imageAtIndex(i).isNull());
    }
}

} // namespace
