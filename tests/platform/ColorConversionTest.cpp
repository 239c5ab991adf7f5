#include "platform/imagesource/ColorConversion.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<float> uniform(int pixels, float r, float g, float b) {
    std::vector<float> v(size_t(pixels) * 4, 1.0f);
    for (size_t i = 0; i < v.size(); i += 4) {
        v[i] = r;
        v[i + 1] = g;
        v[i + 2] = b;
    }
    return v;
}

TEST(ColorConversion, SceneWithinRangeIsOnlyEncoded) {
    const QImage image = ColorConversion::toneMapped(uniform(4, 0.5f, 0.0f, 1.0f), 2, 2, false);
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(1, 1), qRgb(188, 0, 255)); // 0.5 linear is 188 in sRGB
}

TEST(ColorConversion, BrightSceneKeepsItsOrderAndReachesWhite) {
    std::vector<float> pixels(16, 1.0f);
    const float levels[] = {0.1f, 1.0f, 10.0f, 100.0f};
    for (size_t i = 0; i < 4; ++i)
        pixels[i * 4] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = levels[i];
    const QImage image = ColorConversion::toneMapped(pixels, 4, 1, false);
    int previous = -1;
    for (int x = 0; x < 4; ++x) {
        const int v = qRed(image.pixel(x, 0));
        EXPECT_GT(v, previous) << x;
        previous = v;
    }
    EXPECT_GE(previous, 250);
    EXPECT_LT(qRed(image.pixel(2, 0)), 250); // not everything above 1 is clipped
}

TEST(ColorConversion, NonFiniteSamplesDoNotPoisonTheImage) {
    std::vector<float> pixels = uniform(4, 0.25f, 0.25f, 0.25f);
    pixels[0] = std::nanf("");
    pixels[5] = INFINITY;
    const QImage image = ColorConversion::toneMapped(pixels, 2, 2, false);
    EXPECT_EQ(qRed(image.pixel(0, 0)), 0);
    EXPECT_EQ(image.pixel(1, 1), image.pixel(0, 1));
}

TEST(ColorConversion, CicpCodePointsNameTheirColourSpaces) {
    EXPECT_EQ(ColorConversion::fromCicp(12, 13), QColorSpace(QColorSpace::DisplayP3));
    EXPECT_EQ(ColorConversion::fromCicp(1, 13), QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(ColorConversion::fromCicp(1, 8), QColorSpace(QColorSpace::SRgbLinear));
    EXPECT_FALSE(ColorConversion::fromCicp(99, 13).isValid());
}

TEST(ColorConversion, UntaggedImageIsLeftAlone) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    EXPECT_EQ(ColorConversion::toSRGB(image), image);
}

} // namespace
