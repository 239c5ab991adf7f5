#include "platform/imagesource/PartialImage.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QImageWriter>
#include <gtest/gtest.h>

namespace {

using F = FormatFixtures;

// A file cut short shows the rows it holds, exactly as the whole file decodes
// them, and transparency below; one cut before any row shows nothing. An
// interlaced image shows the blocks its first pass stands for (exact at
// their corners), then all of it, coarse, once that pass is whole.
TEST(PartialImage, ATruncatedImageKeepsTheRowsItHoldsAndNothingElse) {
    // Noise, so that every cut lands inside the image data.
    const QImage pattern = TestImages::noise(64, 96);
    const QImage large = TestImages::noise(256, 192);
    // Lossy WebP with alpha is in the extended layout, its alpha in a chunk of its own.
    QImage translucent = pattern.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 1; x < translucent.width(); x += 2)
            translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xffffff) | 0x80000000);
    const QStringList convert = F::args("{in} gif:{out}");
    const QByteArray frame("\x2C\0\0\0\0\x40\0\x60\0", 9); // at 0, 0, 64 by 96
    struct Case {
        const char* format;
        QByteArray whole;
        QByteArray dataStart; // the cut right after it leaves no row
        QList<double> rowCuts, coarseCuts = {}; // as shares of the file
        int step = 1;                      // pixels at multiples of it in both directions are exact
    } cases[] = {
        {"png", F::png(pattern.size(), 8, 2, F::pngSamples(pattern, 8, 2)), "IDAT", {0.3, 0.6}},
        {"interlaced png",
         F::png(large.size(), 8, 2, F::pngSamples(large, 8, 2), {}, true),
         "IDAT",
         {0.012},
         {0.3, 0.6},
         8},
        {"baseline jpeg", TestImages::encode(pattern, "JPEG"), "\xFF\xDA", {0.3, 0.6}},
        {"gif", F::convert(pattern, "/usr/bin/convert", convert, "gif"), frame, {0.3, 0.6}},
        {"interlaced gif",
         F::convert(pattern, "/usr/bin/convert", F::args("-interlace GIF") + convert, "gif"),
         frame,
         {0.14},
         {0.3, 0.6},
         8},
        {"lossy webp",
         F::convert(translucent, "cwebp", F::args("-quiet {in} -o {out}"), "webp"),
         "VP8 ",
         {0.3, 0.6}},
        {"lossless webp",
         F::convert(pattern, "cwebp", F::args("-quiet -lossless {in} -o {out}"), "webp"),
         "VP8L",
         {0.3, 0.6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const QImage full = ImageSource::createWithData(c.whole)->imageAtIndex(0).convertToFormat(
            QImage::Format_ARGB32);
        ASSERT_FALSE(full.isNull());
        const qsizetype header = c.whole.indexOf(c.dataStart) + c.dataStart.size() + 12;
        ASSERT_GT(header, 12);
        const auto source = ImageSource::createWithData(c.whole.left(header));
        EXPECT_TRUE(!source || source->imageAtIndex(0).isNull());
        for (const double share : c.rowCuts + c.coarseCuts) {
            const qsizetype cut = qsizetype(double(c.whole.size()) * share);
            SCOPED_TRACE(cut);
            const auto source = ImageSource::createWithData(c.whole.left(cut));
            const QImage partial = source ? source->imageAtIndex(0) : QImage();
            ASSERT_EQ(partial.size(), full.size());
            EXPECT_TRUE(PartialImage::isPartial(partial));
            const QImage argb = partial.convertToFormat(QImage::Format_ARGB32);
            int rows = 0;
            while (rows < argb.height() && argb.pixel(0, rows) != 0)
                ++rows;
            EXPECT_GT(rows, 0);
            if (c.coarseCuts.contains(share))
                EXPECT_EQ(rows, argb.height());
            else
                EXPECT_LT(rows, argb.height());
            for (int y = 0; y < argb.height(); ++y) {
                const QRgb* got = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
                const QRgb* want = reinterpret_cast<const QRgb*>(full.constScanLine(y));
                for (int x = 0; x < argb.width(); ++x) {
                    const bool exact = x % c.step == 0 && y % c.step == 0;
                    if (y >= rows)
                        ASSERT_EQ(got[x], 0u) << x << "," << y;
                    else if (exact)
                        ASSERT_EQ(got[x], want[x]) << x << "," << y;
                    else
                        ASSERT_EQ(qAlpha(got[x]), 255) << x << "," << y;
                }
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

// The header of a file cut short is read as far as it goes, but noise where
// its chunks should be is no image, whatever the RIFF size says.
TEST(PartialImage, NoiseAfterAWebpHeaderIsNoImage) {
    const QImage noise = TestImages::noise(16, 16);
    const QByteArray bytes(reinterpret_cast<const char*>(noise.constBits()), noise.sizeInBytes());
    for (const char* chunk : {"JUNK", "VP8 ", "VP8L", "VP8X"}) {
        const auto source = ImageSource::createWithData("RIFF" + F::le({4000}) + "WEBP" + chunk +
                                                        F::le({3000}) + bytes);
        EXPECT_TRUE(!source || source->imageAtIndex(0).isNull()) << chunk;
    }
}

} // namespace
