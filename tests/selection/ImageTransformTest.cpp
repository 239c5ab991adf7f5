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
    return image.convertToFormat(format);
}

// A 2 x 1 image: red on the left, blue on the right.
QImage redBlue() {
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 0, 255));
    return image;
}

TEST(ImageTransformDirections, TurnsAndFlipsOfATwoByOneImage) {
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    const QImage cw = ImageTransform::rotateClockwise().apply(redBlue());
    ASSERT_EQ(cw.size(), QSize(1, 2));
    EXPECT_EQ(cw.pixel(0, 0), red) << "a clockwise turn brings the left end to the top";
    const QImage ccw = ImageTransform::rotateCounterClockwise().apply(redBlue());
    ASSERT_EQ(ccw.size(), QSize(1, 2));
    EXPECT_EQ(ccw.pixel(0, 0), blue);
    const QImage flippedH = ImageTransform::flipHorizontally().apply(redBlue());
    EXPECT_EQ(flippedH.pixel(0, 0), blue);
    EXPECT_EQ(ImageTransform::flipVertically().apply(redBlue()), redBlue())
        << "a single row has nothing to flip top to bottom";
    const QImage tall = cw;
    EXPECT_EQ(ImageTransform::flipVertically().apply(tall).pixel(0, 0), blue);
    EXPECT_EQ(ImageTransform::flipHorizontally().apply(tall), tall);
    EXPECT_EQ(ImageTransform::rotate180().apply(redBlue()).pixel(0, 0), blue);
}

// Qt's own mirror and quarter turns are the reference: a mirror first, then the turns clockwise.
TEST(ImageTransformPixels, EveryTransformMovesEachPixelAsQtsOwnTurnsAndMirrorsDo) {
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_RGB888, QImage::Format_RGBA64,
          QImage::Format_Grayscale16, QImage::Format_Grayscale8, QImage::Format_RGBA8888}) {
        // Wider and taller than the bands the rows are moved in.
        const QImage source = distinct(37, 19, format);
        const QImage wide = source.convertToFormat(QImage::Format_RGBA64);
        for (const ImageTransform& t : all) {
            SCOPED_TRACE(testing::Message() << "format " << format << " turns " << t.quarterTurns()
                                            << " mirror " << t.isMirrored());
            const QImage out = t.apply(source);
            EXPECT_EQ(out.format(), format);
            EXPECT_EQ(out.size(), t.mapSize(source.size()));
            const QImage expected = wide.mirrored(t.isMirrored(), false)
                                        .transformed(QTransform().rotate(90 * t.quarterTurns()));
            EXPECT_TRUE(out.convertToFormat(QImage::Format_RGBA64) == expected);
        }
    }
}

TEST(ImageTransformPixels, IndexedAndOneBitImagesKeepTheirColours) {
    QImage mono(9, 3, QImage::Format_Mono);
    mono.fill(0);
    mono.setPixel(0, 0, 1);
    mono.setPixel(8, 2, 1);
    const QImage turned = ImageTransform::rotateClockwise().apply(mono);
    ASSERT_EQ(turned.size(), QSize(3, 9));
    EXPECT_EQ(turned.pixel(2, 0), mono.pixel(0, 0));
    EXPECT_EQ(turned.pixel(0, 8), mono.pixel(8, 2));
    EXPECT_NE(turned.pixel(0, 0), mono.pixel(0, 0));

    const QImage indexed = distinct(6, 2, QImage::Format_ARGB32)
                               .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const QImage back = ImageTransform::rotateCounterClockwise().apply(indexed);
    EXPECT_EQ(back.format(), QImage::Format_Indexed8);
    EXPECT_EQ(back.pixel(0, 5), indexed.pixel(0, 0));
}

TEST(ImageTransformPixels, KeepsScaleAndColourSpace) {
    QImage image = distinct(4, 2, QImage::Format_ARGB32);
    image.setDevicePixelRatio(2);
    image.setColorSpace(QColorSpace::DisplayP3);
    const QImage out = ImageTransform::rotateClockwise().apply(image);
    EXPECT_EQ(out.devicePixelRatio(), 2);
    EXPECT_EQ(out.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

TEST(ImageTransformComposition, ComposingEqualsApplyingInTurn) {
    const QImage source = distinct(5, 3, QImage::Format_ARGB32);
    for (const ImageTransform& a : all)
        for (const ImageTransform& b : all)
            EXPECT_EQ(a.then(b).apply(source), b.apply(a.apply(source)))
                << a.quarterTurns() << a.isMirrored() << " then " << b.quarterTurns()
                << b.isMirrored();
}

TEST(ImageTransformComposition, InversesAndRepeatsGiveBackThePixels) {
    const QImage source = distinct(5, 3, QImage::Format_ARGB32);
    for (const ImageTransform& a : all)
        EXPECT_TRUE(a.then(a.inverted()).isIdentity());
    const ImageTransform h = ImageTransform::flipHorizontally();
    EXPECT_EQ(h.apply(h.apply(source)), source);
    const QImage quarter = ImageTransform::rotateClockwise().apply(source);
    EXPECT_EQ(ImageTransform::rotateCounterClockwise().apply(quarter), source);
    QImage turned = source;
    for (int i = 0; i < 4; ++i) {
        turned = ImageTransform::rotateClockwise().apply(turned);
        EXPECT_EQ(turned.size(), i % 2 == 0 ? QSize(3, 5) : QSize(5, 3));
    }
    EXPECT_EQ(turned, source);
    ImageTransform total;
    for (int i = 0; i < 4; ++i)
        total = total.then(ImageTransform::rotateClockwise());
    EXPECT_TRUE(total.isIdentity());
    EXPECT_EQ(ImageTransform::flipHorizontally().then(ImageTransform::flipVertically()),
              ImageTransform::rotate180());
}

} // namespace
