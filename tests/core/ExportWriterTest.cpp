#include "core/ExportWriter.h"
#include "platform/ImageSource.h"
#include "support/ExifBuilder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using F = FormatFixtures;

// An image too large to hold is written from its file a band at a time: the
// full decode's pixels, in the formats that take rows in order; refused with
// a reason, and no file left, where that cannot be done.
TEST(ExportWriter, AnImageShownFromItsOverviewIsWrittenFromItsFileABandAtATime) {
    QImage picture(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 255 / 299, y * 255 / 199, (x + y) * 255 / 498));
    struct Case {
        const char* name;
        QByteArray bytes;
        ExportFormat format;
        int tolerance; // of the written pixels against the full decode; -1: refused
    };
    // The camera's metadata goes along.
    const QByteArray camera =
        ExifBuilder().text(0x010F, "OvistoCam").intoJpeg(TestImages::encode(picture, "JPEG"));
    const Case cases[] = {
        {"png.png", TestImages::encode(picture, "PNG"), ExportFormat::Png, 0},
        {"jpeg.jpg", camera, ExportFormat::Jpeg, 8},
        {"jpeg to png.jpg", camera, ExportFormat::Png, 0},
        {"tiled.tif",
         F::convert(picture, "convert",
                    F::args("{in} -define tiff:tile-geometry=64x64 -compress zip {out}"), "tif"),
         ExportFormat::Png, 0},
        {"as tiff.png", TestImages::encode(picture, "PNG"), ExportFormat::Tiff, -1},
        {"turned.jpg", TestImages::jpegWithOrientation(picture, 6), ExportFormat::Png, -1},
        {"interlaced.png",
         F::png(picture.size(), 8, 2, F::pngSamples(picture, 8, 2), QByteArray(), true),
         ExportFormat::Png, -1},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString shown = folder.filePath(c.name), out = folder.filePath("out");
        ASSERT_TRUE(TestImages::write(shown, c.bytes));
        ExportWriter::Request request;
        request.format = c.format;
        request.factor = 1.0f;
        request.path = out;
        request.metadataFile = shown;
        request.streamed = true;
        const QString reason = ExportWriter::write(request);
        if (c.tolerance < 0) {
            EXPECT_FALSE(reason.isEmpty());
            EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1) << "nothing left";
            QFile::remove(shown);
            continue;
        }
        ASSERT_TRUE(reason.isEmpty()) << qPrintable(reason);
        const QImage full = ImageSource::createWithURL(shown)->imageAtIndex(0);
        const QImage written = ImageSource::createWithURL(out)->imageAtIndex(0);
        ASSERT_EQ(written.size(), full.size());
        int largest = 0;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x)
                largest = std::max(
                    largest, TestImages::channelDistance(full.pixel(x, y), written.pixel(x, y)));
        EXPECT_LE(largest, c.tolerance);
        if (c.bytes == camera) {
            const QVariantMap tiff =
                ImageSource::createWithURL(out)->propertiesAtIndex(0).value("{TIFF}").toMap();
            EXPECT_EQ(tiff.value("Make"), "OvistoCam") << "the metadata goes along";
        }
        QFile::remove(shown);
        QFile::remove(out);
    }
}

} // namespace
