#include "platform/AtomicFileWriter.h"
#include "platform/ExportFormat.h"
#include "platform/ImageEncoder.h"
#include "platform/ImageSource.h"
#include "support/TestImages.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Every pixel different; 16-bit values that 8 bits could not hold.
QImage pattern(int w, int h, QImage::Format format) {
    QImage image(w, h, QImage::Format_RGBA64);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(
                x, y,
                QColor::fromRgba64(quint16(x * 2311 + y * 17 + 1), quint16(y * 1999 + 3),
                                   quint16((x * y * 131) & 0xffff), quint16(65535 - x * 97)));
    return image.convertToFormat(format);
}

// The pixels of `a` and `b` in one common format, compared bit for bit.
::testing::AssertionResult samePixels(const QImage& a, const QImage& b, QImage::Format as) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes differ";
    const QImage ca = a.convertToFormat(as), cb = b.convertToFormat(as);
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(ca.constScanLine(y), cb.constScanLine(y), size_t(ca.bytesPerLine())) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    return ::testing::AssertionSuccess();
}

// PNG and TIFF keep 16 bits where there are more than 8; JPEG 2000 is
// lossless at the top of the slider; BMP keeps 8-bit opaque pixels.
TEST(ImageEncoderRoundTrip, LosslessFormatsGiveBackEveryPixelAtTheirDepth) {
    using F = QImage::Format;
    const std::vector<F> deepAndShallow = {F::Format_RGBA64, F::Format_ARGB32, F::Format_RGB32,
                                           F::Format_Grayscale16};
    const struct {
        ExportFormat format;
        float quality;
        std::vector<F> pixels;
        F comparedAs;
    } cases[] = {
        {ExportFormat::Png, 0.5f, deepAndShallow, F::Format_RGBA64},
        {ExportFormat::Tiff, 0.5f, deepAndShallow, F::Format_RGBA64},
        {ExportFormat::Jpeg2000,
         1.0f,
         {F::Format_RGB32, F::Format_ARGB32, F::Format_RGBA64, F::Format_Grayscale8},
         F::Format_RGBA64},
        {ExportFormat::Bmp, 1.0f, {F::Format_RGB32}, F::Format_RGB32},
    };
    for (const auto& c : cases) {
        for (const F pixels : c.pixels) {
            SCOPED_TRACE(ExportFormats::title(c.format).toStdString() + " from format " +
                         std::to_string(pixels));
            const QImage source = pattern(37, 23, pixels);
            const QByteArray bytes = ImageEncoder::encode(source, c.format, c.quality);
            ASSERT_FALSE(bytes.isEmpty());
            // Qt's reader premultiplies a TIFF's alpha as it reads: ours keeps
            // the file's own samples.
            const bool straightAlpha = c.format == ExportFormat::Tiff && pixels == F::Format_ARGB32;
            const QImage back = straightAlpha || c.format == ExportFormat::Jpeg2000
                                    ? ImageSource::createWithData(bytes)->imageAtIndex(0)
                                    : QImage::fromData(bytes);
            ASSERT_FALSE(back.isNull());
            EXPECT_TRUE(samePixels(source, back, c.comparedAs));
            if (c.format != ExportFormat::Png && c.format != ExportFormat::Tiff)
                continue;
            const bool deep = source.depth() >= 48 || pixels == F::Format_Grayscale16;
            EXPECT_EQ(back.depth() >= 48 || back.format() == F::Format_Grayscale16, deep);
            EXPECT_TRUE(pixels == F::Format_Grayscale16 || straightAlpha ||
                        back.colorSpace() == QColorSpace(QColorSpace::SRgb));
        }
    }
    // A single pixel has no resolution level to spare.
    EXPECT_FALSE(
        ImageEncoder::encode(pattern(1, 1, QImage::Format_RGB32), ExportFormat::Jpeg2000, 1)
            .isEmpty());
    // BMP has no alpha: transparent pixels are laid on white.
    QImage clear(4, 4, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage flat = QImage::fromData(ImageEncoder::encode(clear, ExportFormat::Bmp, 1));
    ASSERT_FALSE(flat.isNull());
    EXPECT_EQ(flat.pixel(1, 1) | 0xff000000, qRgb(255, 255, 255));
}

TEST(ImageEncoderRoundTrip, JpegFollowsTheSliderAndCarriesAnSrgbProfile) {
    QImage smooth(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            smooth.setPixel(x, y, qRgb(x * 4, y * 5, 128));
    const QByteArray best = ImageEncoder::encode(smooth, ExportFormat::Jpeg, 1.0f);
    const QByteArray least = ImageEncoder::encode(smooth, ExportFormat::Jpeg, 0.0f);
    ASSERT_FALSE(best.isEmpty());
    ASSERT_FALSE(least.isEmpty());
    EXPECT_LT(least.size(), best.size());
    const QImage back = QImage::fromData(best, "JPEG");
    ASSERT_EQ(back.size(), smooth.size());
    EXPECT_EQ(back.colorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_LE(std::abs(qRed(back.pixel(20, 20)) - 80), 3);
    // 16-bit and transparent pixels are encoded too.
    EXPECT_FALSE(
        ImageEncoder::encode(pattern(9, 9, QImage::Format_RGBA64), ExportFormat::Jpeg, 0.9f)
            .isEmpty());
    // Noise at the best quality takes far more room than a photo: the output
    // outgrows its first guess, whole and intact.
    const QImage noise = TestImages::noise(600, 400);
    const QByteArray large = ImageEncoder::encode(noise, ExportFormat::Jpeg, 1.0f);
    EXPECT_GT(large.size(), 600 * 400 / 4);
    const QImage noiseBack = QImage::fromData(large, "JPEG");
    ASSERT_EQ(noiseBack.size(), noise.size());
    EXPECT_LE(std::abs(qGreen(noiseBack.pixel(599, 399)) - qGreen(noise.pixel(599, 399))), 40);
    QString reason;
    EXPECT_TRUE(ImageEncoder::encode(QImage(), ExportFormat::Jpeg, 0.9f, &reason).isEmpty());
    EXPECT_FALSE(reason.isEmpty());
}

TEST(ExportFormatNames, TheExtensionFollowsTheFormatOnlyWhenThereIsOne) {
    EXPECT_EQ(ExportFormats::withSuffix("photo.jpg", ExportFormat::Bmp), "photo.bmp");
    EXPECT_EQ(ExportFormats::withSuffix("a.b.png", ExportFormat::Jpeg2000), "a.b.jp2");
    EXPECT_EQ(ExportFormats::withSuffix("photo", ExportFormat::Bmp), "photo");
    EXPECT_EQ(ExportFormats::withSuffix(".hidden", ExportFormat::Png), ".hidden");
    EXPECT_EQ(ExportFormats::withSuffix("dir.d/photo", ExportFormat::Png), "dir.d/photo");
    EXPECT_EQ(ExportFormats::atIndex(9), ExportFormat::Png) << "out of range";
}

class AtomicWrite : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString target() const { return dir.filePath("out.png"); }
    void putOld() {
        QFile old(target());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    QByteArray contents() const {
        QFile f(target());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList leftovers() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

// The target is replaced whole, in pieces; a disk that fills during the
// second piece leaves the old file and no temporary one.
TEST_F(AtomicWrite, ReplacesTheTargetWholeOrLeavesItAsItWas) {
    putOld();
    const QByteArray big(9 << 20, 'x'); // more than one piece
    ASSERT_TRUE(AtomicFileWriter().write(target(), big));
    EXPECT_EQ(contents(), big);
    EXPECT_EQ(leftovers(), QStringList{"out.png"});
    putOld();
    int pieces = 0;
    AtomicFileWriter writer([&](QFileDevice& file, QByteArrayView piece, QString* reason) {
        if (++pieces == 2) {
            file.write(piece.data(), piece.size() / 2);
            *reason = "No space left on device";
            return false;
        }
        return file.write(piece.data(), piece.size()) == piece.size();
    });
    EXPECT_FALSE(writer.write(target(), big));
    EXPECT_EQ(writer.errorString(), "No space left on device");
    EXPECT_EQ(contents(), "old contents");
    EXPECT_EQ(leftovers(), QStringList{"out.png"});
}

} // namespace
