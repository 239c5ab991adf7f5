#include "platform/LargeImage.h"

#include <QColorSpace>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// Every byte random, opaque formats excepted: their unused byte is 255.
QImage noise(const QSize& size, QImage::Format format, quint32 seed) {
    const bool opaque = format == QImage::Format_RGBX8888;
    QImage image(size, opaque ? QImage::Format_RGBA8888 : format);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (qsizetype i = 0; i < image.bytesPerLine(); ++i)
            line[i] = uchar(random.generate());
    }
    return opaque ? image.convertToFormat(format) : image;
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    const qsizetype used = qsizetype(a.width()) * a.depth() / 8;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(used)) != 0)
            return false;
    return true;
}

} // namespace

// The byte orders decoders write, turned into Qt's, copied or converted: each
// pixel as Qt's own conversion gives it, in small odd sizes and in sizes that
// take large pages.
TEST(LargeImage, CopiesGiveThePixelsQtsConversionGives) {
    struct Case {
        QImage::Format from;
        QImage::Format to;
    };
    const Case cases[] = {
        {QImage::Format_RGBA8888, QImage::Format_ARGB32},
        {QImage::Format_RGBX8888, QImage::Format_RGB32},
        {QImage::Format_RGB888, QImage::Format_RGB32},
        {QImage::Format_RGBA64, QImage::Format_RGBA64},    // the same format
        {QImage::Format_Grayscale8, QImage::Format_RGB32}, // left to Qt
        {QImage::Format_RGBA8888, QImage::Format_RGB32},   // left to Qt: alpha is dropped its way
    };
    const QSize sizes[] = {{1, 1}, {37, 19}, {1, 300}, {1501, 700}};
    quint32 seed = 1;
    for (const Case& c : cases) {
        for (const QSize& size : sizes) {
            QImage source = noise(size, c.from, seed++);
            source.setColorSpace(QColorSpace::DisplayP3);
            const QImage copy = LargeImage::copy(source, c.to);
            SCOPED_TRACE(testing::Message() << c.from << " to " << c.to << ", " << size.width()
                                            << " x " << size.height());
            const QImage expected = source.convertToFormat(c.to);
            EXPECT_TRUE(samePixels(copy, expected));
            EXPECT_EQ(copy.colorSpace(), source.colorSpace());
            // In place in large-page memory, which Qt would not convert in
            // place; shared, the other holder keeps its pixels.
            QImage own = LargeImage::copy(source, c.from);
            EXPECT_TRUE(samePixels(LargeImage::converted(std::move(own), c.to), expected));
            EXPECT_TRUE(samePixels(LargeImage::converted(source, c.to), expected));
            EXPECT_TRUE(samePixels(source.convertToFormat(c.to), expected));
        }
    }
}

TEST(LargeImage, AllocatedImagesAreWholeAndWritable) {
    // 1.6 MB and 96 MB take large pages, the small one ordinary memory:
    // each has Qt's row length and takes a write to its very last byte.
    for (const QSize& size : {QSize(3, 5), QSize(801, 501), QSize(6000, 4000)}) {
        QImage image = LargeImage::allocate(size, QImage::Format_RGB32);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), size);
        EXPECT_EQ(image.bytesPerLine(),
                  QImage(1, 1, QImage::Format_RGB32).bytesPerLine() * size.width());
        image.scanLine(size.height() - 1)[image.bytesPerLine() - 1] = 7;
        // Converting in place or copying must not touch freed memory.
        EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32).size(), size);
    }
    const QImage packed = LargeImage::allocate(QSize(1001, 1001), QImage::Format_RGB888);
    EXPECT_EQ(packed.bytesPerLine(), 3004); // 3003 rounded up to whole 32-bit words
    EXPECT_TRUE(LargeImage::allocate(QSize(0, 10), QImage::Format_RGB32).isNull());
}
