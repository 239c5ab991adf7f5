#include "viewer/MessageColors.h"
#include "viewer/RoundedMask.h"

#include <gtest/gtest.h>

namespace {

using Appearance = MessageColors::Appearance;

TEST(MessageColors, ReadableColourFlipsAtBrightness160) {
    EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(QColor(176, 176, 176)),
              QColor(Qt::black));
    EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(QColor(64, 64, 64)),
              QColor(Qt::white));
    EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(QColor(160, 160, 160)),
              QColor(Qt::black));
    EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(QColor(159, 159, 159)),
              QColor(Qt::white));
    // Yellow is bright, pure green just too dark for black text, blue dark.
    EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(QColor(255, 255, 0)),
              QColor(Qt::black));
    EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(QColor(0, 255, 0)),
              QColor(Qt::white));
    EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(QColor(0, 0, 255)),
              QColor(Qt::white));
}

TEST(MessageColors, TextColourByAppearanceAndBackdrop) {
    const QColor light(176, 176, 176);
    EXPECT_EQ(MessageColors::textColor(Appearance::Day, false, 1, light), QColor(Qt::white));
    EXPECT_EQ(MessageColors::textColor(Appearance::Night, true, 0, light), QColor(Qt::white));
    EXPECT_EQ(MessageColors::textColor(Appearance::Day, true, 0, light), QColor(Qt::black));
    EXPECT_EQ(MessageColors::textColor(Appearance::Legacy, true, 0, light), QColor(Qt::black));
    EXPECT_EQ(MessageColors::textColor(Appearance::Night, true, 1, light), QColor(Qt::black));
    EXPECT_EQ(MessageColors::textColor(Appearance::Day, true, 2, QColor(Qt::black)),
              QColor(Qt::white));
    EXPECT_NEAR(MessageColors::titleColor(Qt::white).alphaF(), 0.75, 0.002);
    EXPECT_NEAR(MessageColors::descriptionColor(Qt::white).alphaF(), 0.5, 0.002);
}

TEST(RoundedMask, SizedInPixelsWithTransparentCorners) {
    const QImage mask = RoundedMask::maskedImageForSize(QSizeF(100.7, 54.9), 8, 2.0);
    ASSERT_EQ(mask.size(), QSize(201, 109));
    EXPECT_EQ(mask.devicePixelRatio(), 2.0);
    EXPECT_EQ(qAlpha(mask.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(mask.pixel(200, 108)), 0);
    EXPECT_EQ(mask.pixel(100, 54), qRgba(0, 0, 0, 255));
    EXPECT_EQ(qAlpha(mask.pixel(100, 0)), 255) << "straight edges are filled to the border";
    EXPECT_TRUE(RoundedMask::maskedImageForSize(QSizeF(0.4, 10), 8, 1.0).isNull());
}

} // namespace
