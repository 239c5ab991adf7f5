#include "platform/imagesource/PartialImage.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QImageWriter>
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

// A progressive JPEG cut short is the whole picture, coarser: cut inside its
// first pass, the rows that pass did not reach stay empty; cut before any of
// it, nothing shows.
TEST(PartialImage, AProgressiveJpegCutShortShowsCoarse) {
    // Smooth, so that its first, coarsest pass is already close to it.
    QImage pattern(64, 256, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, qRgb(x * 4, y, 128));
    QByteArray whole;
    QBuffer buffer(&whole);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(pattern));
    const QImage full =
        ImageSource::createWithData(whole)->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
    const qsizetype firstScan = whole.indexOf("\xFF\xDA") + 14;
    const qsizetype secondScan = whole.indexOf("\xFF\xDA", firstScan);
    ASSERT_GT(secondScan, firstScan);
    struct Case {
        qsizetype cut;
        bool shows;
        bool allRows;
    } cases[] = {
        {firstScan, false, false},
        {(firstScan + secondScan) / 2, true, false},
        {whole.size() * 2 / 3, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cut);
        const auto source = ImageSource::createWithData(whole.left(c.cut));
        const QImage partial = source ? source->imageAtIndex(0) : QImage();
        ASSERT_EQ(partial.isNull(), !c.shows);
        if (!c.shows)
            continue;
        ASSERT_EQ(partial.size(), full.size());
        EXPECT_TRUE(PartialImage::isPartial(partial));
        const QImage argb = partial.convertToFormat(QImage::Format_ARGB32);
        int rows = 0;
        while (rows < argb.height() && qAlpha(argb.pixel(0, rows)) == 255)
            ++rows;
        EXPECT_EQ(rows == argb.height(), c.allRows);
        EXPECT_GT(rows, 0);
        for (int y = rows; y < argb.height(); ++y)
            ASSERT_EQ(argb.pixel(argb.width() - 1, y), 0u) << y;
        // The rows shown are the picture, only coarser: near the full decode on average.
        qint64 difference = 0;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < argb.width(); ++x)
                difference += qAbs(qGreen(argb.pixel(x, y)) - qGreen(full.pixel(x, y)));
        EXPECT_LT(difference / (qint64(rows) * argb.width()), 8);
    }
}

} // namespace
