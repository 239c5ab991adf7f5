#include "viewer/MessageColors.h"
#include "viewer/RoundedMask.h"

#include <gtest/gtest.h>

namespace {

using Appearance = MessageColors::Appearance;

TEST(MessageColors, ReadableColourFlipsAtBrightness160AndFollowsAppearanceAndBackdrop) {
    // Yellow is bright, pure green just too dark for black text, blue dark.
    const std::pair<QColor, QColor> cases[] = {
        {QColor(176, 176, 176), Qt::black}, {QColor(64, 64, 64), Qt::white},
        {QColor(160, 160, 160), Qt::black}, {QColor(159, 159, 159), Qt::white},
        {QColor(255, 255, 0), Qt::black},   {QColor(0, 255, 0), Qt::white},
        {QColor(0, 0, 255), Qt::white}};
    for (const auto& [background, text] : cases)
        EXPECT_EQ(MessageColors::readableForegroundColorForBackgroundColor(background), text)
            << background.name().toStdString();

    // By appearance and backdrop.
    const QColor light(176, 176, 176);
    const struct {
        Appearance appearance;
        bool fullScreen;
        int mode;
        QColor background, text;
    } byAppearance[] = {{Appearance::Day, false, 1, light, Qt::white},
                        {Appearance::Night, true, 0, light, Qt::white},
                        {Appearance::Day, true, 0, light, Qt::black},
                        {Appearance::Legacy, true, 0, light, Qt::black},
                        {Appearance::Night, true, 1, light, Qt::black},
                        {Appearance::Day, true, 2, Qt::black, Qt::white}};
    for (const auto& c : byAppearance)
        EXPECT_EQ(MessageColors::textColor(c.appearance, c.fullScreen, c.mode, c.background),
                  c.text)
            << int(c.appearance) << c.fullScreen << c.mode;
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
