#include "platform/ImageSource.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/RowImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Formats read row by row: every variant's rows are the whole-image
// decoder's pixels, its regions and overview those rows area-averaged, and
// an image over the budget, or in a file too large to read, goes this way.

namespace {

using F = FormatFixtures;
using Format = RowDecoder::Format;

// Smooth colour with a little texture; alpha from 128 up, where taking a
// white matte off leaves the colours close to what they were.
QImage picture(int width, int height, bool alpha = false) {
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba(x * 255 / width, y * 255 / height, (x * 7 + y * 13) % 256,
                                 alpha ? 128 + (x + y) % 128 : 255));
    return image;
}

// Colours laid over white by their alpha, as Photoshop stores its composite.
QImage matted(QImage image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const auto over = [a = qAlpha(p)](int c) {
                return (c * a + 255 * (255 - a) + 127) / 255;
            };
            image.setPixel(x, y, qRgba(over(qRed(p)), over(qGreen(p)), over(qBlue(p)), qAlpha(p)));
        }
    return image;
}

QByteArray magick(const QImage& image, const char* options, const char* format) {
    return F::convert(
        image, "convert",
        QStringList{"{in}"} + F::args(options) + QStringList{QString(format) + ":{out}"}, format);
}

struct Variant {
    const char* name;
    Format format;
    QByteArray bytes;
    int tolerance;          // against the picture written; -1 when colours were reduced
    bool wholeReads;        // the whole-image decoder reads it, to the same pixels
    int wholeTolerance = 0; // 16-bit samples: Qt's and stb's rounding
};

std::vector<Variant> variants(const QImage& opaque, const QImage& clear) {
    const QImage grey = opaque.convertToFormat(QImage::Format_Grayscale8);
    const QImage mono = opaque.convertToFormat(QImage::Format_Mono);
    const QImage flipped = opaque.mirrored(false, true);
    return {
        {"bmp 24", Format::Bmp, TestImages::encode(opaque, "BMP"), 0, true},
        {"bmp 8, palette", Format::Bmp,
         TestImages::encode(opaque.convertToFormat(QImage::Format_Indexed8), "BMP"), -1, true},
        {"bmp rle8", Format::Bmp, magick(opaque, "-type Palette -colors 200 -compress RLE", "bmp3"),
         -1, true},
        {"bmp 4", Format::Bmp, magick(opaque, "-type Palette -colors 16", "bmp3"), -1, true},
        {"bmp 1", Format::Bmp, TestImages::encode(mono, "BMP"), -1, true},
        {"bmp 16, bitfields", Format::Bmp, magick(opaque, "-define bmp:subtype=RGB565", "bmp"), 16,
         true},
        {"bmp 32, alpha", Format::Bmp, magick(clear, "", "bmp"), 0, true},
        {"bmp, old header", Format::Bmp, magick(opaque, "", "bmp2"), 0, true},
        // Rows stored from the top: the picture upside down with the height negated.
        {"bmp top-down", Format::Bmp,
         [&] {
             QByteArray b = TestImages::encode(flipped, "BMP");
             const qint32 h = -flipped.height();
             memcpy(b.data() + 22, &h, 4);
             return b;
         }(),
         0, true},
        {"ppm", Format::Pnm, TestImages::encode(opaque, "PPM"), 0, true},
        {"ppm 16", Format::Pnm, magick(opaque, "-depth 16", "ppm"), 0, true, 1},
        {"pgm", Format::Pnm, TestImages::encode(grey, "PGM"), -1, true},
        {"pgm 16", Format::Pnm, magick(grey, "-depth 16", "pgm"), -1, true, 1},
        {"pgm, maxval 100, comment", Format::Pnm,
         "P5\n# made here\n" + QByteArray::number(grey.width()) + " " +
             QByteArray::number(grey.height()) + "\n100\n" +
             QByteArray(grey.width() * grey.height(), char(40)),
         -1, true},
        {"pbm", Format::Pnm, TestImages::encode(mono, "PBM"), -1, true},
        // ImageMagick keeps the rows in the order it has them and only labels
        // the origin: flipped, they are stored from the bottom.
        // Qt reads only uncompressed true colour, and only from files with
        // the footer of TGA 2.0, which ImageMagick does not write.
        {"tga", Format::Tga, magick(opaque, "-flip -compress None", "tga"), 0, false},
        {"tga top origin", Format::Tga, magick(opaque, "-orient TopLeft", "tga"), 0, false},
        {"tga rle", Format::Tga, magick(opaque, "-flip -compress RLE", "tga"), 0, false},
        {"tga rle, alpha", Format::Tga, magick(clear, "-flip -compress RLE", "tga"), 0, false},
        {"tga colour-mapped", Format::Tga, magick(opaque, "-flip -type Palette", "tga"), -1, false},
        {"tga grey rle", Format::Tga, magick(grey, "-flip -type Grayscale -compress RLE", "tga"),
         -1, false},
        {"sgi", Format::Sgi, magick(opaque, "-depth 8 -compress None", "sgi"), 0, true},
        {"sgi rle, alpha", Format::Sgi, magick(clear, "-depth 8 -compress RLE", "sgi"), 0, true},
        {"sgi 16 rle", Format::Sgi, magick(opaque, "-depth 16 -compress RLE", "sgi"), 1, true, 1},
        {"sgi grey", Format::Sgi, magick(grey, "-depth 8 -type Grayscale", "sgi"), -1, true},
        {"psd rle", Format::Psd, magick(opaque, "-depth 8 -compress RLE", "psd"), 0, true},
        {"psd raw, alpha", Format::Psd, magick(matted(clear), "-depth 8 -compress None", "psd"), 3,
         true, 1},
        {"psd rle, alpha", Format::Psd, magick(matted(clear), "-depth 8 -compress RLE", "psd"), 3,
         true, 1},
        {"psd 16 raw", Format::Psd, magick(opaque, "-depth 16 -compress None", "psd"), 1, true, 1},
        // Modes stb_image does not read: shown row by row whatever their size.
        {"psd grey", Format::Psd, magick(grey, "-depth 8 -type Grayscale -compress RLE", "psd"), -1,
         false},
        {"psd cmyk", Format::Psd, magick(opaque, "-depth 8 -colorspace CMYK -compress RLE", "psd"),
         2, false},
    };
}

const char* extension(Format format) {
    switch (format) {
    case Format::Bmp:
        return "bmp";
    case Format::Pnm:
        return "pnm";
    case Format::Tga:
        return "tga";
    case Format::Sgi:
        return "sgi";
    case Format::Psd:
        return "psd";
    case Format::Hdr:
        return "hdr";
    }
    return "";
}

} // namespace

TEST(RowFormats, RowsAreTheWholeDecodersPixelsAndRegionsAndOverviewsTheirAverages) {
    const QImage opaque = picture(37, 23), clear = picture(37, 23, true);
    QTemporaryDir folder;
    for (const Variant& v : variants(opaque, clear)) {
        SCOPED_TRACE(v.name);
        ASSERT_FALSE(v.bytes.isEmpty());
        const auto rows = RowImageSource::open(v.bytes, v.format);
        ASSERT_TRUE(rows);
        const QRect all(0, 0, 37, 23);
        const QImage full = rows->region(all);
        ASSERT_EQ(full.size(), all.size());
        const auto whole = ImageSource::createWithData(v.bytes, extension(v.format));
        ASSERT_TRUE(whole);
        EXPECT_EQ(whole->type(), rows->type());
        if (v.wholeReads) {
            EXPECT_LE(TestImages::distance(full, whole->imageAtIndex(0)), v.wholeTolerance);
            // stb_image calls every PSD RGB with alpha, and Qt's readers
            // tell a 16-bit PNM from its header as 8 bits.
            QStringList keys = {"PixelWidth", "PixelHeight"};
            if (v.wholeTolerance == 0)
                keys << "Depth";
            if (v.format != Format::Psd)
                keys << "ColorModel"
                     << "HasAlpha";
            for (const QString& key : keys)
                EXPECT_EQ(rows->propertiesAtIndex(0).value(key),
                          whole->propertiesAtIndex(0).value(key))
                    << qPrintable(key);
        } else {
            EXPECT_EQ(whole->imageAtIndex(0), full); // the rows are the image
        }
        if (v.tolerance >= 0) {
            EXPECT_LE(TestImages::distance(full, full.hasAlphaChannel() ? clear : opaque),
                      v.tolerance);
        }
        const QRect area(5, 3, 27, 17);
        EXPECT_EQ(rows->region(area), full.copy(area));
        EXPECT_EQ(rows->region(area, 4), AreaReducer::averaged(full.copy(area), QSize(7, 5)));
        EXPECT_EQ(rows->overview(QSize(10, 10)), AreaReducer::averaged(full, QSize(10, 6)));
        EXPECT_TRUE(rows->region(QRect(30, 20, 8, 3)).isNull()); // outside
        // The same from the file, only its head held.
        const QString path = folder.filePath(v.name);
        ASSERT_TRUE(TestImages::write(path, v.bytes));
        const auto file = RowImageSource::open(*EncodedBytes::fromFile(path, 2048), v.format);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->region(all), full);
    }
}

TEST(RowFormats, AnImageOverTheBudgetOrInAFileTooLargeToReadGoesRowByRow) {
    // Files under the budget's megabyte, images over it: runs of eight
    // pixels, which run-length coding packs.
    const QImage image = picture(75, 480).scaled(600, 480);
    QTemporaryDir folder;
    for (const auto& [format, bytes] :
         {std::pair{"bmp", TestImages::encode(image, "BMP")},
          std::pair{"psd", magick(image, "-depth 8 -compress RLE", "psd")}}) {
        SCOPED_TRACE(format);
        const QString path = folder.filePath(QStringLiteral("over.") + format);
        ASSERT_TRUE(TestImages::write(path, bytes));
        TestImages::SmallBudget budget;
        for (const auto& source :
             {ImageSource::createWithData(bytes), ImageSource::createWithURL(path)}) {
            ASSERT_TRUE(source);
            EXPECT_TRUE(source->imageAtIndex(0).isNull());
            EXPECT_EQ(source->propertiesAtIndex(0).value("PixelWidth"), 600);
            EXPECT_EQ(TestImages::distance(source->overview(QSize(300, 300)),
                                           AreaReducer::averaged(image, QSize(300, 240))),
                      0);
            EXPECT_EQ(source->region(QRect(100, 400, 64, 80)), image.copy(100, 400, 64, 80));
            int rows = 0, bands = 0;
            EXPECT_TRUE(source->streamImage([&](const QImage& band) {
                EXPECT_EQ(band, image.copy(0, rows, 600, band.height()));
                rows += band.height(), ++bands;
                return true;
            }));
            EXPECT_EQ(rows, 480);
            EXPECT_GT(bands, 1);
        }
    }
    // A file over the file limit is read as it decodes, not held.
    const QString large = folder.filePath("large.bmp");
    ASSERT_TRUE(TestImages::write(large, TestImages::encode(picture(1200, 1000), "BMP")));
    TestImages::SmallBudget budget;
    const auto source = ImageSource::createWithURL(large);
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->encoded().isEmpty());
    EXPECT_EQ(source->overview(QSize(120, 120)).size(), QSize(120, 100));
}

TEST(RowFormats, AbsurdHeadersAndDataFarShortAreRefusedAndALittleShortGivesTheRowsThere) {
    const QImage image = picture(64, 40);
    const QByteArray bmp = TestImages::encode(image, "BMP");
    const auto patched = [](QByteArray b, int at, const QByteArray& value) {
        return b.replace(at, value.size(), value);
    };
    const QByteArray psd = magick(image, "-depth 8 -compress RLE", "psd");
    const QByteArray sgi = magick(image, "-depth 8 -compress RLE", "sgi");
    const QByteArray tga = magick(image, "-flip -compress RLE", "tga");
    for (const auto& [what, format, bytes] :
         std::initializer_list<std::tuple<const char*, Format, QByteArray>>{
             {"bmp beyond any side", Format::Bmp, patched(bmp, 22, F::le({300000}))},
             {"bmp a third there", Format::Bmp, bmp.left(bmp.size() / 3)},
             {"psd huge over little", Format::Psd, patched(psd, 14, F::be({200000, 200000}))},
             {"psd without its row table", Format::Psd, psd.left(200)},
             {"sgi without its row tables", Format::Sgi, sgi.left(600)},
             {"tga rle huge over little", Format::Tga, patched(tga, 12, F::le({60000, 60000}, 2))},
             {"pgm maxval beyond 16 bits", Format::Pnm,
              QByteArray("P5 4 4 70000\n") + QByteArray(32, 0)},
             {"pnm without white space after its header", Format::Pnm, QByteArray("P6 1 1 255")},
         }) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(RowImageSource::open(bytes, format));
    }
    // Three rows short: the bottom-up BMP loses its top rows, the others their last.
    for (const auto& [format, bytes, top] :
         {std::tuple{Format::Bmp, bmp.left(bmp.size() - 3 * 64 * 3), true},
          std::tuple{Format::Pnm, TestImages::encode(image, "PPM").chopped(3 * 64 * 3), false},
          std::tuple{Format::Tga, tga.left(tga.size() * 9 / 10), true}}) {
        SCOPED_TRACE(int(format));
        const auto source = RowImageSource::open(bytes, format);
        ASSERT_TRUE(source);
        const QImage rows = source->region(image.rect());
        ASSERT_FALSE(rows.isNull());
        const QRect kept = top ? QRect(0, 8, 64, 32) : QRect(0, 0, 64, 37);
        EXPECT_EQ(rows.copy(kept), image.copy(kept));
        EXPECT_EQ(rows.pixel(63, top ? 0 : 39), qRgb(0, 0, 0));
    }
}

TEST(RowFormats, RunLengthCodedBmpRowsFollowAbsoluteRunsAndDeltasAsQtsReaderDoes) {
    // RLE4, 8 x 4, bottom row first: a run; literal pixels padded to a word,
    // then a run; a delta past a row; a run, a delta along the row, a run.
    QByteArray bmp =
        "BM" + F::le({0, 0, 118, 40, 8, 4}) + F::le({1, 4}, 2) + F::le({2, 0, 0, 0, 16, 0});
    for (int i = 0; i < 16; ++i)
        bmp += F::le({quint32(qRgb(i * 17, 255 - i * 16, i * 5))});
    bmp += QByteArray::fromHex("0812"
                               "0000"
                               "0005345670"
                               "00"
                               "0399"
                               "0000"
                               "00020001"
                               "02ab"
                               "00020200"
                               "02cd"
                               "0001");
    const auto rows = RowImageSource::open(bmp, Format::Bmp);
    ASSERT_TRUE(rows);
    QImage qt = QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(qt.size(), QSize(8, 4));
    // What a delta skips is left undefined: Qt's reader leaves it as its buffer held it, ours
    // makes it the first colour, which no run or literal here uses.
    const QImage ours = rows->region(QRect(0, 0, 8, 4));
    int skipped = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            if (ours.pixel(x, y) == qRgb(0, 255, 0))
                qt.setPixel(x, y, qRgb(0, 255, 0)), ++skipped;
    EXPECT_EQ(skipped, 12);
    EXPECT_EQ(ours, qt);
}
