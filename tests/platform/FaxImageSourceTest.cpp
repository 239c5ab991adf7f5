#include "platform/ImageSource.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTransform>
#include <gtest/gtest.h>

namespace {

// A TIFF as Qt writes it, with the orientation tag the transformation names.
QByteArray tiff(const QImage& image, QImageIOHandler::Transformations transformation = {}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setTransformation(transformation);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

void expectNear(QRgb actual, QRgb expected, const char* what) {
    EXPECT_NEAR(qRed(actual), qRed(expected), 1) << what;
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 1) << what;
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 1) << what;
    EXPECT_NEAR(qAlpha(actual), qAlpha(expected), 1) << what;
}

// A fax program may store a colour page with alpha; libtiff hands it over
// premultiplied, which read as straight colour darkens every soft edge.
TEST(FaxImageSource, ColourPageWithAlphaKeepsItsColours) {
    QImage page(3, 1, QImage::Format_ARGB32);
    page.setPixel(0, 0, qRgba(255, 255, 255, 128));
    page.setPixel(1, 0, qRgba(200, 100, 0, 51));
    page.setPixel(2, 0, qRgba(10, 20, 30, 255));
    auto source = ImageSource::createWithData(tiff(page), QStringLiteral("jfx"));
    ASSERT_TRUE(source);
    ASSERT_EQ(source->type(), QStringLiteral("public.tiff"));
    const QImage decoded = source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(decoded.size(), page.size());
    expectNear(decoded.pixel(0, 0), page.pixel(0, 0), "half-transparent white");
    // A fifth of 200 and 100 keeps no more than about 1 in 5 of precision.
    EXPECT_NEAR(qRed(decoded.pixel(1, 0)), 200, 5);
    EXPECT_NEAR(qGreen(decoded.pixel(1, 0)), 100, 5);
    EXPECT_EQ(qAlpha(decoded.pixel(1, 0)), 51);
    expectNear(decoded.pixel(2, 0), page.pixel(2, 0), "opaque");
}

// The page comes as stored and its Orientation tag is applied once, by the
// thumbnail here as by the viewer.
TEST(FaxImageSource, OrientedPageIsTurnedOnce) {
    const QImage stored = TestImages::asymmetric(40, 30).convertToFormat(QImage::Format_RGB32);
    const QImage upright = stored.transformed(QTransform().rotate(90));
    QImage bilevel(40, 30, QImage::Format_Mono);
    bilevel.fill(1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 5; ++x)
            bilevel.setPixel(x, y, 0); // a black block in the stored top left
    const QImage bilevelUpright =
        bilevel.transformed(QTransform().rotate(90)).convertToFormat(QImage::Format_RGB32);
    for (const auto& [page, expected] :
         {std::pair(stored, upright), std::pair(bilevel, bilevelUpright)}) {
        const char* what = page.format() == QImage::Format_Mono ? "bilevel" : "colour";
        auto source = ImageSource::createWithData(
            tiff(page, QImageIOHandler::TransformationRotate90), QStringLiteral("jfx"));
        ASSERT_TRUE(source) << what;
        EXPECT_EQ(source->propertiesAtIndex(0).value(QStringLiteral("Orientation")).toInt(), 6)
            << what;
        EXPECT_EQ(source->imageAtIndex(0).size(), QSize(40, 30)) << what;
        const QImage shown = source->thumbnail(100).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(30, 40)) << what;
        for (const QPoint p : {QPoint(0, 0), QPoint(29, 0), QPoint(0, 39), QPoint(29, 39)})
            EXPECT_EQ(shown.pixel(p), expected.pixel(p)) << what << " at " << p.x() << "," << p.y();
    }
}

} // namespace
