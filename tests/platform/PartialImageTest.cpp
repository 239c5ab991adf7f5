#include "platform/imagesource/PartialImage.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

namespace {

// A file cut short shows the rows it holds, exactly as the whole file decodes
// them, and transparency below; one cut before any row shows nothing.
TEST(PartialImage, ATruncatedImageKeepsTheRowsItHoldsAndNothingElse) {
    // Noise, so that every cut lands inside the image data.
    const QImage pattern = TestImages::noise(64, 96);
    struct Case {
        const char* format;
        QByteArray whole;
        QByteArray dataStart; // the cut right after it leaves no row
    } cases[] = {
        {"png",
         FormatFixtures::png(pattern.size(), 8, 2, FormatFixtures::pngSamples(pattern, 8, 2)),
         "IDAT"},
        {"baseline jpeg", TestImages::encode(pattern, "JPEG"), "\xFF\xDA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const QImage full = ImageSource::createWithData(c.whole)->imageAtIndex(0).convertToFormat(
            QImage::Format_ARGB32);
        ASSERT_FALSE(full.isNull());
        const qsizetype header = c.whole.indexOf(c.dataStart) + c.dataStart.size() + 12;
        for (const qsizetype cut : {header, c.whole.size() / 3, c.whole.size() * 2 / 3}) {
            SCOPED_TRACE(cut);
            const auto source = ImageSource::createWithData(c.whole.left(cut));
            const QImage partial = source ? source->imageAtIndex(0) : QImage();
            if (cut == header) {
                EXPECT_TRUE(partial.isNull());
                continue;
            }
            ASSERT_EQ(partial.size(), full.size());
            EXPECT_TRUE(PartialImage::isPartial(partial));
            const QImage argb = partial.convertToFormat(QImage::Format_ARGB32);
            int rows = 0;
            while (rows < argb.height() && argb.pixel(0, rows) != 0)
                ++rows;
            EXPECT_GT(rows, 0);
            EXPECT_LT(rows, argb.height());
            for (int y = 0; y < argb.height(); ++y) {
                const QRgb* got = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
                const QRgb* want = reinterpret_cast<const QRgb*>(full.constScanLine(y));
                for (int x = 0; x < argb.width(); ++x)
                    ASSERT_EQ(got[x], y < rows ? want[x] : 0u) << x << "," << y;
            }
        }
    }
}

} // namespace
