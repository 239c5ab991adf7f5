#include "platform/ImageSource.h"
#include "platform/imagesource/MpoIndex.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

namespace {

QByteArray solidJpeg(QColor color, QSize size = QSize(24, 16)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return TestImages::encode(image, "JPEG", 95);
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 &&
           std::abs(a.blue() - b.blue()) < 8;
}

// A large-thumbnail entry is a preview of the same photograph; an entry
// pointing outside the file is dropped; a plain JPEG has no index.
TEST(MpoImageSource, PreviewsAndEntriesOutsideTheFileMakeNoSecondImage) {
    const QByteArray preview =
        FormatFixtures::mpo({solidJpeg(Qt::red), solidJpeg(Qt::red, QSize(8, 4))}, 0x010001);
    const QByteArray whole = FormatFixtures::mpo({solidJpeg(Qt::red), solidJpeg(Qt::blue)});
    const QByteArray cut = whole.left(whole.size() - 40); // the second picture loses its end
    EXPECT_EQ(MpoIndex::read(preview).size(), 2);
    EXPECT_EQ(MpoIndex::read(cut).size(), 1);
    for (const QByteArray& bytes : {preview, cut}) {
        auto source = ImageSource::createWithData(bytes);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->type(), "public.jpeg");
        EXPECT_EQ(source->count(), 1);
        EXPECT_TRUE(near(source->imageAtIndex(0).pixelColor(2, 2), Qt::red));
    }
    EXPECT_TRUE(MpoIndex::read(solidJpeg(Qt::red)).isEmpty());
    EXPECT_TRUE(MpoIndex::read(QByteArray("\xff\xd8\xff\xe2\x00\x08MPF\0", 10)).isEmpty());
}

} // namespace
