#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"

#include <gtest/gtest.h>

namespace {

// EXR stores colour multiplied by alpha: a half-transparent white is stored
// as half grey, and must come back white, not grey.
TEST(ExrImageSource, SemiTransparentColourComesBackStraight) {
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 255, 255, 128));
    image.setPixel(1, 0, qRgba(255, 0, 0, 64));
    image.setPixel(2, 0, qRgba(40, 120, 200, 255));
    image.setPixel(3, 0, qRgba(0, 0, 0, 0));
    auto source =
        ImageSource::createWithData(FormatFixtures::openExr(image), QStringLiteral("exr"));
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->propertiesAtIndex(0).value(QStringLiteral("HasAlpha")).toBool());
    const QImage decoded = source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(decoded.size(), image.size());
    for (int x = 0; x < 3; ++x) {
        const QRgb expected = image.pixel(x, 0), actual = decoded.pixel(x, 0);
        EXPECT_NEAR(qRed(actual), qRed(expected), 2) << "pixel " << x;
        EXPECT_NEAR(qGreen(actual), qGreen(expected), 2) << "pixel " << x;
        EXPECT_NEAR(qBlue(actual), qBlue(expected), 2) << "pixel " << x;
        EXPECT_NEAR(qAlpha(actual), qAlpha(expected), 2) << "pixel " << x;
    }
    EXPECT_EQ(qAlpha(decoded.pixel(3, 0)), 0);
}

} // namespace
