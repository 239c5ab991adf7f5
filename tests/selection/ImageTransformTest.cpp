#include "selection/ImageTransform.h"

#include <QColorSpace>
#include <gtest/gtest.h>

namespace {

const ImageTransform all[] = {
    ImageTransform(),
    ImageTransform::rotateClockwise(),
    ImageTransform::rotateCounterClockwise(),
    ImageTransform::rotate180(),
    ImageTransform::flipHorizontally(),
    ImageTransform::flipVertically(),
    ImageTransform::flipHorizontally().then(ImageTransform::rotateClockwise()),
    ImageTransform::flipHorizontally().then(ImageTransform::rotateCounterClockwise()),
};

// Every pixel different, in the given format.
QImage distinct(int w, int h, QImage::Format format) {
    QImage image(w, h, QImage::Format_RGBA64);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y,
                                QColor::fromRgba64(quint16(x * 4099 + 7), quint16(y * 3001),
                                                   quint16((x + y) * 977), 65535 - x * 31));
    QImage out = image.convertToFormat(format);
    if (format == QImage::Format_Mono) // a coloured table tells a widening from a greying
        out.setColorTable({qRgb(200, 30, 0), qRgb(0, 90, 220)});
    return out;
}

// Which way each named turn and flip goes, on a 2 x 1 image (red on the left, blue on the
// right); how every transform moves every pixel is checked against Qt's own turns below.
TEST(ImageTransformDirections, TurnsAndFlipsOfATwoByOneImage) {
    QImage wide(2, 1, QImage::Format_RGB32);
    wide.setPixel(0, 0, qRgb(255, 0, 0));
    wide.setPixel(1, 0, qRgb(0, 0, 255));
    const QImage cw = ImageTransform::rotateClockwise().apply(wide);
    EXPECT_EQ(cw.pixel(0, 0), wide.pixel(0, 0))
        << "a clockwise turn brings the left end to the top";
    EXPECT_EQ(ImageTransform::rotateCounterClockwise().apply(wide).pixel(0, 0), wide.pixel(1, 0));
    EXPECT_EQ(ImageTransform::flipHorizontally().apply(wide).pixel(0, 0), wide.pixel(1, 0));
    EXPECT_EQ(ImageTransform::flipVertically().apply(cw).pixel(0, 0), wide.pixel(1, 0));
}

// Qt's own mirror and quarter turns are the reference: a mirror first, then the turns clockwise.
// Indexed and one-bit images keep their colours.
TEST(ImageTransformPixels, EveryTransformMovesEachPixelAsQtsOwnTurnsAndMirrorsDo) {
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_RGB888, QImage::Format_RGBA64,
          QImage::Format_Grayscale16, QImage::Format_Grayscale8, QImage::Format_RGBA8888,
          QImage::Format_Indexed8, QImage::Format_Mono}) {
        // Wider and taller than the bands the rows are moved in.
        const QImage source = distinct(37, 19, format);
        const QImage wide = source.convertToFormat(QImage::Format_RGBA64);
        for (const ImageTransform& t : all) {
            SCOPED_TRACE(testing::Message() << "format " << format << " turns " << t.quarterTurns()
                                            << " mirror " << t.isMirrored());
            const QImage out = t.apply(source);
            // One-bit images keep their colours, not their depth.
            EXPECT_EQ(out.format(), format == QImage::Format_Mono ? out.format() : format);
            EXPECT_EQ(out.size(), t.mapSize(source.size()));
            const QImage expected = wide.mirrored(t.isMirrored(), false)
                                        .transformed(QTransform().rotate(90 * t.quarterTurns()));
            EXPECT_TRUE(out.convertToFormat(QImage::Format_RGBA64) == expected);
        }
    }
}

// Composing equals applying in turn; inverses and four quarter turns give back the pixels, the
// scale and the colour space.
TEST(ImageTransformComposition, ComposingEqualsApplyingInTurnAndInversesUndo) {
    QImage source = distinct(5, 3, QImage::Format_ARGB32);
    source.setDevicePixelRatio(2);
    source.setColorSpace(QColorSpace::DisplayP3);
    source.setDotsPerMeterX(1000);
    source.setDotsPerMeterY(3000);
    for (const ImageTransform& a : all) {
        EXPECT_TRUE(a.then(a.inverted()).isIdentity());
        EXPECT_EQ(a.inverted().apply(a.apply(source)), source);
        for (const ImageTransform& b : all)
            EXPECT_EQ(a.then(b).apply(source), b.apply(a.apply(source)))
                << a.quarterTurns() << a.isMirrored() << " then " << b.quarterTurns()
                << b.isMirrored();
    }
    QImage turned = source;
    ImageTransform total;
    for (int i = 0; i < 4; ++i) {
        turned = ImageTransform::rotateClockwise().apply(turned);
        total = total.then(ImageTransform::rotateClockwise());
        EXPECT_EQ(turned.size(), i % 2 == 0 ? QSize(3, 5) : QSize(5, 3));
        EXPECT_EQ(turned.dotsPerMeterX(), i % 2 == 0 ? 3000 : 1000);
    }
    EXPECT_EQ(turned, source);
    EXPECT_EQ(turned.devicePixelRatio(), 2) << "scale and colour space kept";
    EXPECT_EQ(turned.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
    EXPECT_TRUE(total.isIdentity());
    EXPECT_EQ(ImageTransform::flipHorizontally().then(ImageTransform::flipVertically()),
              ImageTransform::rotate180());
}

} // namespace
