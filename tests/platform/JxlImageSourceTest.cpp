#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using F = FormatFixtures;

QByteArray cjxl(const QImage& image, const char* options) {
    return F::convert(image, "cjxl", F::args("{in} {out}") + F::args(options), "jxl");
}

void expectPattern(const QImage& decoded, int tolerance, const char* what) {
    F::expectPattern(decoded, F::pattern(decoded.width(), decoded.height()), tolerance,
                     QLatin1String(what));
}

TEST(JxlImageSource, GreyFilesComeBackGreyInEitherMode) {
    QImage grey(64, 48, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.setPixel(x, y, qRgb(x * 4, x * 4, x * 4));
    for (const char* mode : {"-d 0", "-d 1"}) {
        SCOPED_TRACE(mode);
        auto source = ImageSource::createWithData(cjxl(grey, mode));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->propertiesAtIndex(0).value("ColorModel").toString(), "Gray");
        const QImage decoded = source->imageAtIndex(0);
        ASSERT_EQ(decoded.size(), grey.size());
        for (const int x : {4, 30, 60})
            EXPECT_LE(TestImages::channelDistance(decoded.pixel(x, 20), qRgb(x * 4, x * 4, x * 4)),
                      6)
                << x;
    }
}

// A large progressive file shows its DC pass first, then finishes the same
// decode a whole one gives; without an early pass, or small, there is no
// first look and the decode is kept.
TEST(JxlImageSource, FirstLookComesFromAnEarlyPassOfALargeFile) {
    const QImage large = F::pattern(2400, 1800);
    const struct {
        const char* options;
        QImage picture;
        int tolerance; // -1: no first look
        int finished;
    } cases[] = {
        {"-p -d 1 -e 3", large, 40, 40}, {"-d 0 -e 1", large, -1, 2}, {"-p", F::pattern(), -1, 40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const QByteArray bytes = cjxl(c.picture, c.options);
        auto source = ImageSource::createWithData(bytes);
        ASSERT_TRUE(source);
        const QImage first = source->firstLook();
        EXPECT_EQ(first.isNull(), c.tolerance < 0);
        EXPECT_TRUE(first.isNull() || first.size() == c.picture.size());
        if (!first.isNull())
            expectPattern(first, c.tolerance, "first look");
        const QImage finished = source->imageAtIndex(0);
        expectPattern(finished, c.finished, "finished");
        expectPattern(source->imageAtIndex(0), c.finished, "asked again");
        EXPECT_EQ(finished, ImageSource::createWithData(bytes)->imageAtIndex(0));
    }
}

// Light beyond white is tone-mapped, not clipped. cjxl takes a PFM's floats
// as sRGB-encoded: 0.46 is mid grey (0.18 in linear light), 3.0 a highlight
// about ninety times brighter. On the PQ curve 0.5807 is 203 cd/m² (the white
// of SDR video) and 0.7518 1000 cd/m²: lossless keeps the curve for us to
// undo; lossy comes back from the library in linear light scaled to the
// file's intensity target. Reference white lands at 1.0, compressed against a
// 1000 cd/m² white point: 0.52 in linear light, 191 once encoded.
TEST(JxlImageSource, LightBeyondWhiteIsToneMappedNotClipped) {
    QTemporaryDir dir;
    QByteArray pfm("PF\n64 32\n-1.0\n");
    for (int i = 0; i < 64 * 32; ++i)
        for (int c = 0; c < 3; ++c) {
            const float v = i % 64 < 32 ? 0.46f : 3.0f;
            pfm.append(reinterpret_cast<const char*>(&v), 4);
        }
    const QString light = dir.filePath("light.pfm");
    ASSERT_TRUE(TestImages::write(light, pfm));
    QImage pq(64, 32, QImage::Format_RGBX64);
    for (int y = 0; y < pq.height(); ++y)
        for (int x = 0; x < pq.width(); ++x) {
            const quint16 v = quint16(std::lround((x < 32 ? 0.5807 : 0.7518) * 65535));
            pq.setPixelColor(x, y, QColor::fromRgba64(v, v, v));
        }
    const auto floats = [&](const char* distance) {
        return F::convert(QImage(), "cjxl", {light, "{out}", "-d", QLatin1String(distance)}, "jxl");
    };
    const struct {
        const char* what;
        QByteArray bytes;
        bool isFloat;
        int leftLow, leftHigh, rightLow;
    } cases[] = {
        {"float lossless", floats("0"), true, 80, 140, 240},
        {"float lossy", floats("1"), true, 80, 140, 240},
        {"PQ lossless", cjxl(pq, "-x color_space=RGB_D65_202_Rel_PeQ -d 0"), false, 187, 195, 245},
        {"PQ lossy", cjxl(pq, "-x color_space=RGB_D65_202_Rel_PeQ -d 1"), false, 187, 195, 245},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto source = ImageSource::createWithData(c.bytes);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->propertiesAtIndex(0).value("IsFloat").toBool(), c.isFloat);
        const QImage image = source->imageAtIndex(0);
        ASSERT_EQ(image.size(), QSize(64, 32));
        EXPECT_TRUE(!c.isFloat || image.depth() == 32);
        const int left = qGreen(image.pixel(10, 16)), right = qGreen(image.pixel(54, 16));
        EXPECT_GE(left, c.leftLow);
        EXPECT_LE(left, c.leftHigh);
        EXPECT_GT(right, c.rightLow);
    }
}

} // namespace
