#include "platform/imagesource/ColorConversion.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Linear light within range is only encoded (0.5 is 188 in sRGB); brighter
// scenes keep their order and reach white without clipping all above 1;
// non-finite samples do not poison the image.
TEST(ColorConversion, ToneMappingKeepsOrderAndFiniteSamples) {
    const QImage plain =
        ColorConversion::toneMapped({0.5f, 0.0f, 1.0f, 1.0f, 0.5f, 0.0f, 1.0f, 1.0f}, 2, 1, false);
    ASSERT_EQ(plain.size(), QSize(2, 1));
    EXPECT_EQ(plain.pixel(1, 0), qRgb(188, 0, 255));
    std::vector<float> pixels(16, 1.0f);
    const float levels[] = {0.1f, 1.0f, 10.0f, 100.0f};
    for (size_t i = 0; i < 4; ++i)
        pixels[i * 4] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = levels[i];
    const QImage bright = ColorConversion::toneMapped(pixels, 4, 1, false);
    for (int x = 1; x < 4; ++x)
        EXPECT_GT(qRed(bright.pixel(x, 0)), qRed(bright.pixel(x - 1, 0))) << x;
    EXPECT_GE(qRed(bright.pixel(3, 0)), 250);
    EXPECT_LT(qRed(bright.pixel(2, 0)), 250);
    std::vector<float> poisoned(16, 0.25f);
    poisoned[0] = std::nanf("");
    poisoned[5] = INFINITY;
    const QImage clean = ColorConversion::toneMapped(poisoned, 2, 2, false);
    EXPECT_EQ(qRed(clean.pixel(0, 0)), 0);
    EXPECT_EQ(clean.pixel(1, 1), clean.pixel(0, 1));
}

TEST(ColorConversion, CicpCodePointsNameTheirColourSpacesAndUntaggedIsLeftAlone) {
    EXPECT_EQ(ColorConversion::fromCicp(12, 13), QColorSpace(QColorSpace::DisplayP3));
    EXPECT_EQ(ColorConversion::fromCicp(1, 13), QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(ColorConversion::fromCicp(1, 8), QColorSpace(QColorSpace::SRgbLinear));
    EXPECT_FALSE(ColorConversion::fromCicp(99, 13).isValid());
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    EXPECT_EQ(ColorConversion::toSRGB(image), image);
}

} // namespace
