#include "platform/ImageSource.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/JpegScanIndex.h"
#include "platform/imagesource/PngImageSource.h"
#include "platform/imagesource/TiffImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

// Overviews and regions: the two ways an image too large to decode whole is
// shown. An overview is the area average of the full decode; a region is the
// full decode's pixels there, exactly.

namespace {

using F = FormatFixtures;

// Colour blocks of 16 x 16 over a gradient, away from the ends of the range
// where a lossy codec's clamping would tell averaging before decoding from
// averaging after it.
QImage picture(int width, int height, bool alpha = false) {
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int block = (x / 16 * 7 + y / 16 * 13) % 5;
            image.setPixel(x, y,
                           qRgba(40 + 30 * block + x % 16, 200 - 30 * block, 40 + y * 160 / height,
                                 alpha ? 255 - 40 * block : 255));
        }
    return image;
}

QByteArray qtEncoded(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// The plain box average of `image` at `size`, each target pixel over the
// source pixels [i * W / w, (i + 1) * W / w).
QImage boxAverage(const QImage& image, QSize size) {
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage out(size, QImage::Format_ARGB32);
    for (int ty = 0; ty < size.height(); ++ty)
        for (int tx = 0; tx < size.width(); ++tx) {
            double a = 0, r = 0, g = 0, b = 0, n = 0;
            for (int y = ty * source.height() / size.height();
                 y < (ty + 1) * source.height() / size.height(); ++y)
                for (int x = tx * source.width() / size.width();
                     x < (tx + 1) * source.width() / size.width(); ++x) {
                    const QRgb p = source.pixel(x, y);
                    a += qAlpha(p);
                    r += qRed(p) * qAlpha(p);
                    g += qGreen(p) * qAlpha(p);
                    b += qBlue(p) * qAlpha(p);
                    ++n;
                }
            out.setPixel(tx, ty,
                         a == 0 ? 0
                                : qRgba(int(r / a + 0.5), int(g / a + 0.5), int(b / a + 0.5),
                                        int(a / n + 0.5)));
        }
    return out;
}

struct Fixture {
    const char* name;
    QByteArray bytes;
    int tolerance; // of the overview against the box average of the full decode
    bool indexed = false; // its regions low in the image start from a row of MCUs there
    bool streams = false; // also read from its file as it decodes
    int frames = 1;       // still counted when too large to play
};

QByteArray jp2(const QImage& image) {
    static QTemporaryDir folder;
    QString error;
    const QString path = F::make("jp2", folder.path(), &error, image);
    EXPECT_FALSE(path.isEmpty()) << qPrintable(error);
    return TestImages::read(path);
}

// Two frames, the first covering the canvas: too large to play, it shows its first.
QByteArray animation(const char* extension, const QImage& first) {
    static QTemporaryDir folder;
    QImage second = first;
    second.fill(qRgb(200, 200, 40));
    QString error;
    const QString path =
        F::makeAnimation(extension, folder.path(), {first, second}, {100, 100}, &error);
    EXPECT_FALSE(path.isEmpty()) << qPrintable(error);
    return TestImages::read(path);
}

std::vector<Fixture> fixtures() {
    const QImage opaque = picture(1296, 816), clear = picture(1296, 816, true);
    const QImage grey = opaque.convertToFormat(QImage::Format_Grayscale8);
    return {
        // The full decode's chroma upsampling spreads colour a little over
        // the blocks' edges; the DCT-scaled one does not.
        {"jpeg", qtEncoded(opaque, "jpeg"), 20, true},
        {"progressive jpeg", qtEncoded(opaque, "jpeg", true), 20},
        {"grey jpeg", qtEncoded(grey, "jpeg"), 2, true},
        {"4:4:4 jpeg",
         F::convert(opaque, "cjpeg", F::args("-quality 95 -sample 1x1 -outfile {out} {in}"), "jpg",
                    "PPM"),
         20, true},
        // Every other row of MCUs begins after a restart marker.
        {"jpeg with restarts",
         F::convert(opaque, "cjpeg", F::args("-quality 95 -restart 2 -outfile {out} {in}"), "jpg",
                    "PPM"),
         20, true},
        {"png", qtEncoded(opaque, "png"), 1, false, true},
        // libwebp's own scaling makes the overview.
        {"webp", F::convert(opaque, "cwebp", F::args("-quiet -q 95 {in} -o {out}"), "webp"), 20},
        {"lossless webp with alpha",
         F::convert(clear, "cwebp", F::args("-quiet -lossless -exact {in} -o {out}"), "webp"), 2},
        {"png with alpha", qtEncoded(clear, "png"), 1},
        {"animated webp", animation("webp", clear), 2, false, false, 2},
        {"animated jpeg xl", animation("jxl", clear), 0, false, false, 2},
        {"16-bit png", F::png(opaque.size(), 16, 6, F::pngSamples(clear, 16, 6)), 1},
        {"tiff in strips",
         F::convert(opaque, "convert", F::args("{in} -compress lzw {out}"), "tif"), 1},
        // Each channel in a plane of its own.
        {"planar tiff in strips",
         F::convert(opaque, "convert", F::args("{in} -interlace plane -compress lzw {out}"), "tif"),
         1},
        {"planar tiled tiff",
         F::convert(opaque, "convert",
                    F::args("{in} -interlace plane -define tiff:tile-geometry=64x64 {out}"), "tif"),
         1},
        {"tiled tiff with alpha",
         F::convert(clear, "convert",
                    F::args("{in} -define tiff:tile-geometry=128x128 -compress zip {out}"), "tif"),
         1, false, true},
        // Its lower resolutions are wavelet low-passes on the even pixels,
        // not box averages: at the blocks' edges they differ by half a block's step.
        {"jpeg 2000", jp2(opaque), 32},
        // libheif decodes only whole images: a part is cut from one decode.
        {"heic", F::convert(opaque, "heif-enc", F::args("-q 95 {in} -o {out}"), "heic"), 20},
        // Rendered a group at a time into the overview's sums or the area: the same pixels.
        {"jpeg xl", F::convert(opaque, "cjxl", F::args("{in} {out} -d 1"), "jxl"), 0},
        {"lossless jpeg xl with alpha",
         F::convert(clear, "cjxl", F::args("{in} {out} -d 0"), "jxl"), 0},
        // From the last pass only, every other row: blocks keep it close.
        // Tone-mapped a band at a time with the full decode's white point.
        {"openexr", F::openExr(opaque), 0},
        {"openexr with alpha", F::openExr(clear), 0},
        {"bright piz openexr", F::openExr(clear, 6.0f, 4), 0},
        {"interlaced png", F::png(opaque.size(), 8, 2, F::pngSamples(opaque, 8, 2), {}, true), 3},
    };
}

// The process's peak resident and peak mapped memory, in MB: memory set
// aside is a large allocation too, even before it is touched.
std::pair<qint64, qint64> peakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    qint64 resident = 0, mapped = 0;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && (fields[0] == "VmHWM:" || fields[0] == "VmPeak:"))
                (fields[0] == "VmHWM:" ? resident : mapped) = fields[1].toLongLong() / 1024;
        }
    return {resident, mapped};
}

} // namespace

TEST(ReducedDecode, AreaAveragesAreTheExactRoundedMeansOfTheirBoxes) {
    struct Case {
        QSize from, to;
        QImage::Format format;
    };
    for (const Case& c : {
             Case{
                 {250, 125}, {144, 72}, QImage::Format_RGB32}, // under 2:1, as from a pyramid level
             Case{{96, 64}, {48, 32}, QImage::Format_RGB32},   // exactly 2:1
             Case{{97, 61}, {13, 7}, QImage::Format_RGB32},    // uneven boxes
             Case{{97, 61}, {13, 7}, QImage::Format_Grayscale8},
             Case{{97, 61}, {13, 7}, QImage::Format_ARGB32},
             Case{{300, 200}, {2, 1}, QImage::Format_RGB32},  // boxes of more than 4096 pixels
             Case{{300, 260}, {1, 1}, QImage::Format_ARGB32}, // sums past 32 bits
         }) {
        SCOPED_TRACE(testing::Message() << c.from.width() << "x" << c.from.height() << " to "
                                        << c.to.width() << ", format " << c.format);
        QImage source = c.format == QImage::Format_ARGB32
                            ? picture(c.from.width(), c.from.height(), true)
                            : TestImages::noise(c.from.width(), c.from.height());
        source.convertTo(c.format);
        const QImage reduced = AreaReducer::averaged(source, c.to);
        ASSERT_EQ(reduced.size(), c.to);
        EXPECT_EQ(TestImages::distance(reduced, boxAverage(source, c.to)), 0);
        if (c.format == QImage::Format_Grayscale8)
            continue;
        // The same from spans of RGBA bytes, right to left and bottom up.
        const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
        AreaReducer scattered = AreaReducer::scattered(c.from, c.to, source.hasAlphaChannel());
        for (int y = c.from.height() - 1; y >= 0; --y)
            for (int left = (c.from.width() - 1) / 7 * 7; left >= 0; left -= 7)
                scattered.addSpan(left, y, std::min(7, c.from.width() - left),
                                  rgba.constScanLine(y) + left * 4);
        EXPECT_EQ(scattered.result().convertToFormat(reduced.format()), reduced);
    }
}

TEST(ReducedDecode, OverviewsAverageTheFullDecodeAndRegionsMatchItExactly) {
    QTemporaryDir folder;
    for (const Fixture& f : fixtures())
        for (const bool streamed : {false, true}) {
            if (streamed && !f.streams)
                continue;
            SCOPED_TRACE(std::string(f.name) + (streamed ? ", from its file" : ""));
            std::unique_ptr<ImageSource> source;
            if (streamed) {
                // A head far shorter than the file: the pixels come from the file.
                const QString path = folder.filePath(f.name);
                ASSERT_TRUE(TestImages::write(path, f.bytes));
                const auto file = EncodedBytes::fromFile(path, 4096);
                ASSERT_TRUE(file);
                source = f.bytes.startsWith("\x89PNG") ? PngImageSource::openStreamed(*file)
                                                       : TiffImageSource::openStreamed(*file);
                EXPECT_TRUE(source && source->encoded().isEmpty()) << "not held";
            } else {
                source = ImageSource::createWithData(f.bytes);
            }
            ASSERT_TRUE(source);
            const QImage full = source->imageAtIndex(0);
            ASSERT_EQ(full.size(), QSize(1296, 816));
            const QSize bound(324, 400);
            EXPECT_EQ(JpegScanIndex::build(f.bytes).has_value(), f.indexed);
            EXPECT_FALSE(JpegScanIndex::build(f.bytes.left(f.bytes.size() * 3 / 4))); // data missing
            TestImages::SmallBudget budget;
            EXPECT_TRUE(source->imageAtIndex(0).isNull());
            EXPECT_EQ(source->count(), f.frames);
            const QImage overview = source->overview(bound);
            ASSERT_EQ(overview.size(), QSize(324, 204));
            EXPECT_LE(TestImages::distance(overview, boxAverage(full, overview.size())),
                      f.tolerance);
            // Block-aligned, odd, and at the right and bottom edges.
            for (const QRect area :
                 {QRect(0, 0, 16, 16), QRect(32, 48, 64, 80), QRect(7, 9, 101, 53),
                  QRect(1296 - 33, 816 - 17, 33, 17), QRect(0, 400, 1296, 20)}) {
                SCOPED_TRACE(area.x());
                const QImage part = source->region(area);
                ASSERT_EQ(part.size(), area.size());
                EXPECT_EQ(part.convertToFormat(full.format()), full.copy(area));
            }
            // At a quarter of its size, an aligned area is its average.
            const QRect aligned(32, 48, 64, 80);
            const QImage quarter = source->region(aligned, 4);
            ASSERT_EQ(quarter.size(), QSize(16, 20));
            EXPECT_LE(TestImages::distance(quarter, boxAverage(full.copy(aligned), quarter.size())),
                      f.tolerance);
            // An export in bands hands on the full decode's rows, in order.
            QImage rows(full.size(), QImage::Format_ARGB32);
            int next = 0;
            if (source->streamImage([&](const QImage& band) {
                    const QImage out = band.convertToFormat(QImage::Format_ARGB32);
                    for (int y = 0; y < out.height() && next < rows.height(); ++y)
                        std::memcpy(rows.scanLine(next++), out.constScanLine(y),
                                    size_t(out.width()) * 4);
                    return true;
                })) {
                EXPECT_EQ(rows, full.convertToFormat(QImage::Format_ARGB32));
            }
            EXPECT_TRUE(source->region(QRect(QPoint(), full.size())).isNull()); // over the budget
            EXPECT_TRUE(source->region(QRect(1260, 700, 41, 10)).isNull());     // outside
        }
}

TEST(ReducedDecode, AHeaderClaimingAHugeImageOverAFewBytesGivesNothingAndTakesLittle) {
    // Progressive: its decoder would hold every coefficient the header claims.
    QByteArray jpeg = qtEncoded(picture(64, 64), "jpeg", true);
    const qsizetype sof = jpeg.indexOf("\xff\xc2");
    ASSERT_GT(sof, 0);
    jpeg[sof + 5] = jpeg[sof + 7] = char(0x4e); // 20,000 a side
    jpeg[sof + 6] = jpeg[sof + 8] = char(0x20);
    const QByteArray png =
        QByteArray("\x89PNG\r\n\x1a\n", 8) +
        F::pngChunk("IHDR", F::be({100000, 100000}) + QByteArray("\x08\x02\0\0\0", 5)) +
        F::pngChunk("IDAT", qCompress(QByteArray(300, '\0')).mid(4)) + F::pngChunk("IEND", {});
    const auto [residentBefore, mappedBefore] = peakMegabytes();
    for (const QByteArray& bytes : {jpeg, png}) {
        auto source = ImageSource::createWithData(bytes);
        ASSERT_TRUE(source);
        EXPECT_TRUE(source->overview(QSize(2000, 2000)).isNull());
        EXPECT_TRUE(source->region(QRect(50000, 50000, 100, 100)).isNull());
    }
    const auto [resident, mapped] = peakMegabytes();
    EXPECT_LT(resident - residentBefore, 64);
    EXPECT_LT(mapped - mappedBefore, 256);
}

TEST(ReducedDecode, APyramidsLevelsAreNoPagesAndTheSmallestThatHoldsTheOverviewMakesIt) {
    // Levels of plain colours, so that what the overview was made from shows.
    QTemporaryDir folder;
    const auto saved = [&](const QImage& image, const char* name) {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    };
    QImage half(648, 408, QImage::Format_RGB32), quarter(324, 204, QImage::Format_RGB32);
    half.fill(qRgb(200, 40, 40));
    quarter.fill(qRgb(40, 200, 40));
    const QString tiff = folder.filePath("pyramid.tif");
    QString error;
    ASSERT_TRUE(F::run("convert",
                       {saved(picture(1296, 816), "full.png"), saved(half, "half.png"),
                        saved(quarter, "quarter.png"), "-define", "tiff:tile-geometry=64x64",
                        "-compress", "zip", tiff},
                       &error) &&
                F::run("exiftool",
                       {"-q", "-overwrite_original", "-n", "-IFD1:SubfileType=1",
                        "-IFD2:SubfileType=1", tiff},
                       &error))
        << qPrintable(error);
    auto source = ImageSource::createWithData(TestImages::read(tiff));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->count(), 1);
    struct Case {
        QSize bound;
        QRgb made; // 0: from the page itself
    } cases[] = {
        {{300, 300}, quarter.pixel(0, 0)}, {{500, 500}, half.pixel(0, 0)}, {{1000, 1000}, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bound.width());
        const QImage overview = source->overview(c.bound);
        ASSERT_FALSE(overview.isNull());
        if (c.made)
            EXPECT_EQ(overview.pixel(overview.width() / 2, overview.height() / 2), c.made);
        else
            EXPECT_NE(overview.pixel(0, 0), half.pixel(0, 0));
    }
}

TEST(ReducedDecode, AJpegTooLargeToReadIsDecodedFromItsFileMapped) {
    // Noise, so that the file is larger than the budget's megabyte.
    const QImage noise = TestImages::noise(1400, 1000);
    QTemporaryDir folder;
    const QString path = folder.filePath("noise.jpg");
    ASSERT_TRUE(TestImages::write(path, qtEncoded(noise, "jpeg")));
    const QImage full = ImageSource::createWithURL(path)->imageAtIndex(0);
    ASSERT_FALSE(full.isNull());
    TestImages::SmallBudget budget;
    ASSERT_GT(QFileInfo(path).size(), 1 << 20);
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->encoded().isEmpty()) << "not held";
    EXPECT_EQ(source->overview(QSize(300, 300)).width(), 300);
    const QRect area(100, 500, 300, 120);
    EXPECT_EQ(source->region(area).convertToFormat(full.format()), full.copy(area));
}

TEST(ReducedDecode, AJpegXlTooLargeToDecodeWholeComesUprightAndStreamsItsRowsInOrder) {
    // Turned a quarter by its orientation, which the library applies: the
    // rows to stream are the upright image's 1296, more than the bands the
    // export keeps in hand at once.
    QTemporaryDir folder;
    const QString jpeg = folder.filePath("turned.jpg");
    QString error;
    ASSERT_TRUE(
        picture(1296, 816).save(jpeg, "JPEG", 95) &&
        F::run("exiftool", {"-q", "-overwrite_original", "-n", "-Orientation=6", jpeg}, &error))
        << qPrintable(error);
    const QString turned = folder.filePath("turned.jxl");
    ASSERT_TRUE(F::run("cjxl", {jpeg, turned, "-j", "0", "-d", "1"}, &error)) << qPrintable(error);
    const struct {
        const char* name;
        QByteArray bytes;
        QSize size;
        QImage::Format format; // of the full decode and so of its regions
    } cases[] = {
        {"turned", TestImages::read(turned), {816, 1296}, QImage::Format_RGB32},
        {"16-bit",
         F::convert(picture(1296, 816, true).convertToFormat(QImage::Format_RGBA64), "cjxl",
                    F::args("{in} {out} -d 0"), "jxl"),
         {1296, 816},
         QImage::Format_RGBA64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = ImageSource::createWithData(c.bytes);
        ASSERT_TRUE(source);
        const QImage full = source->imageAtIndex(0);
        ASSERT_EQ(full.size(), c.size);
        ASSERT_EQ(full.format(), c.format);
        TestImages::SmallBudget budget;
        const QImage overview = source->overview(QSize(200, 200));
        ASSERT_EQ(overview.size(), AreaReducer::fitted(full.size(), QSize(200, 200)));
        EXPECT_LE(TestImages::distance(overview, AreaReducer::averaged(full, overview.size())), 1);
        const QRect area(300, 500, 90, 70);
        EXPECT_EQ(source->region(area), full.copy(area));
        QImage streamed(full.size(), QImage::Format_ARGB32);
        int top = 0, bands = 0;
        EXPECT_TRUE(source->streamImage([&](const QImage& band) {
            for (int y = 0; y < band.height(); ++y)
                std::memcpy(streamed.scanLine(top + y),
                            band.convertToFormat(QImage::Format_ARGB32).constScanLine(y),
                            size_t(band.width()) * 4);
            top += band.height();
            return ++bands < 100;
        }));
        EXPECT_EQ(top, full.height());
        EXPECT_LE(TestImages::distance(streamed, full), c.format == QImage::Format_RGBA64 ? 1 : 0);
        // Stopped by its sink, or its data cut short: nothing, and no hang.
        EXPECT_FALSE(source->streamImage([](const QImage&) { return false; }));
        auto cut = ImageSource::createWithData(c.bytes.left(c.bytes.size() / 2));
        ASSERT_TRUE(cut);
        EXPECT_TRUE(cut->overview(QSize(200, 200)).isNull());
        EXPECT_TRUE(cut->region(area).isNull());
        EXPECT_FALSE(cut->streamImage([](const QImage&) { return true; }));
    }
}
