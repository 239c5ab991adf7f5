#include "viewer/FullScreenBackdrop.h"
#include "geometry/ZoomEngine.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(FullScreenBackdrop, LayersFollowTheBackgroundModeAndTheBlurredCopyCoversTheScreen) {
    const QColor teal(0, 128, 128);
    // Black under the blurred copy; an unknown mode shows nothing of our own.
    const struct {
        int mode;
        bool colored, blurred;
        QColor color;
    } cases[] = {{0, false, false, {}},
                 {1, true, false, teal},
                 {2, true, true, Qt::black},
                 {7, false, false, {}}};
    for (const auto& c : cases) {
        const auto layers = FullScreenBackdrop::forMode(c.mode, teal);
        EXPECT_EQ(layers.colored, c.colored) << c.mode;
        EXPECT_EQ(layers.blurred, c.blurred) << c.mode;
        EXPECT_TRUE(!c.colored || layers.color == c.color) << c.mode;
    }

    // A 400 x 300 image on a 1440 x 900 screen has a screen-covering copy.
    ZoomEngine engine;
    engine.imageWidth = 400;
    engine.imageHeight = 300;
    ZoomEngine::Environment env;
    env.windowFrame = QRectF(0, 0, 1440, 900);
    env.screenFrame = QRectF(0, 0, 1440, 900);
    env.screenVisibleFrame = QRectF(0, 0, 1440, 875);
    env.windowFullScreenStyle = true;
    env.viewWidth = 1440;
    env.viewHeight = 900;
    env.hasImage = true;
    const auto result = engine.zoomImageWithEvent(ZoomEngine::requestForMode(0), env);
    ASSERT_EQ(result.outcome, ZoomEngine::Outcome::Accepted);
    EXPECT_EQ(result.imageTo.size(), QSizeF(400, 300)) << "fit to screen keeps a small image";
    EXPECT_FALSE(result.setWindowFrame);
    EXPECT_DOUBLE_EQ(engine.blurImWidth, 1440);
    EXPECT_DOUBLE_EQ(engine.blurImHeight, 1080);
    // Centred, it covers the whole screen.
    const QRectF r =
        FullScreenBackdrop::blurRect(QSizeF(1440, 900), engine.blurImWidth, engine.blurImHeight);
    EXPECT_EQ(r, QRectF(0, -90, 1440, 1080));
    // Before any zoom there is no size yet: the copy covers the view.
    EXPECT_EQ(FullScreenBackdrop::blurRect(QSizeF(800, 600), 0, 0), QRectF(0, 0, 800, 600));
    EXPECT_EQ(FullScreenBackdrop::blurRect(QSizeF(800, 600), 900, 600), QRectF(-50, 0, 900, 600));
}

TEST(FullScreenBackdrop, TheBlurWorksOnASixteenthSizeCopySpreadsAnEdgeAndKeepsFlatAreas) {
    EXPECT_EQ(FullScreenBackdrop::workingSize(QSizeF(1440, 1080)), QSize(90, 68));
    // Never empty, however thin.
    EXPECT_EQ(FullScreenBackdrop::workingSize(QSizeF(3, 1)), QSize(1, 1));
    // A large source comes out at the working size, or at the size asked.
    QImage big(4000, 3000, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    EXPECT_EQ(FullScreenBackdrop::blurred(big, QSizeF(1440, 1080)).size(), QSize(90, 68));
    EXPECT_EQ(FullScreenBackdrop::blurred(big, QSizeF(1440, 1080), QSize(720, 540)).size(),
              QSize(720, 540));
    EXPECT_TRUE(FullScreenBackdrop::blurred(QImage(), QSizeF(1440, 1080)).isNull());
    EXPECT_TRUE(FullScreenBackdrop::blurred(big, QSizeF()).isNull());

    // Left half black, right half white: the edge becomes a ramp.
    QImage image(64, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, x < 32 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    const QImage out = FullScreenBackdrop::gaussianBlur(image, 5.0);
    ASSERT_EQ(out.size(), image.size());
    auto grey = [&out](int x) { return qRed(out.pixel(x, 4)); };
    EXPECT_EQ(grey(0), 0) << "far from the edge, flat stays flat";
    EXPECT_EQ(grey(63), 255);
    EXPECT_GT(grey(31), 60);
    EXPECT_LT(grey(32), 195);
    for (int x = 1; x < 64; ++x)
        EXPECT_GE(grey(x), grey(x - 1)) << "a ramp rises monotonically, at " << x;
    // Rows are all alike: the vertical pass added nothing.
    EXPECT_EQ(out.pixel(31, 0), out.pixel(31, 7));
    // Opaque stays opaque at the repeated edges.
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(out.pixel(63, 7)), 255);
    // A single-pixel image survives.
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(qRgb(10, 20, 30));
    EXPECT_EQ(FullScreenBackdrop::gaussianBlur(one, 5.0).pixel(0, 0), qRgb(10, 20, 30));
}

} // namespace
