#include "platform/imagesource/JpegDecoder.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray endOfImage("\xff\xd9", 2);

QByteArray cjpeg(const QTemporaryDir& folder, const QImage& image, const QStringList& options) {
    const QString ppm = folder.filePath(QStringLiteral("source.ppm"));
    const QString out = folder.filePath(QStringLiteral("out.jpg"));
    EXPECT_TRUE(image.save(ppm, "PPM"));
    QString error;
    EXPECT_TRUE(FormatFixtures::run(QStringLiteral("cjpeg"),
                                    options + QStringList{QStringLiteral("-outfile"), out, ppm},
                                    &error))
        << qPrintable(error);
    QFile file(out);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The full image and the reduced one (an eighth, DCT-scaled) of the bytes.
struct Decoded {
    QImage full;
    QImage reduced;
};

Decoded decode(const QByteArray& bytes) {
    auto source = ImageSource::createWithData(bytes, QStringLiteral("jpg"));
    if (!source)
        return {};
    return {source->imageAtIndex(0), source->thumbnail(40)};
}

// libjpeg decodes a file that lacks only its end-of-image marker with a
// warning: all the picture is there. One cut inside its scan data is damaged.
TEST(JpegDecoder, MissingEndMarkerOpensButCutScanDataDoesNot) {
    QTemporaryDir folder;
    const QImage pattern = FormatFixtures::pattern(320, 240);
    const QList<QStringList> codings = {
        {}, {QStringLiteral("-restart"), QStringLiteral("1")}, {QStringLiteral("-progressive")}};
    for (const QStringList& coding : codings) {
        const QString what =
            coding.isEmpty() ? QStringLiteral("baseline") : coding.join(QLatin1Char(' '));
        const QByteArray whole = cjpeg(folder, pattern, coding);
        ASSERT_TRUE(whole.endsWith(endOfImage)) << qPrintable(what);
        const Decoded reference = decode(whole);
        ASSERT_FALSE(reference.full.isNull()) << qPrintable(what);

        const Decoded noMarker = decode(whole.chopped(2));
        EXPECT_EQ(noMarker.full, reference.full) << qPrintable(what);
        EXPECT_EQ(noMarker.reduced, reference.reduced) << qPrintable(what);
        EXPECT_EQ(noMarker.reduced.size(), QSize(40, 30)) << qPrintable(what);

        for (const qsizetype cut : {qsizetype(40), qsizetype(400)}) {
            const Decoded cutShort = decode(whole.chopped(cut));
            EXPECT_TRUE(cutShort.full.isNull()) << qPrintable(what) << " less " << cut;
            EXPECT_TRUE(cutShort.reduced.isNull()) << qPrintable(what) << " less " << cut;
        }
    }
}

TEST(JpegDecoder, ProgressiveFileEndingBetweenItsScansIsIncomplete) {
    QTemporaryDir folder;
    const QByteArray whole =
        cjpeg(folder, FormatFixtures::pattern(320, 240), {QStringLiteral("-progressive")});
    // Every scan but the last, each complete: the later refinements are missing.
    const qsizetype lastScan = whole.lastIndexOf(QByteArray("\xff\xda", 2));
    ASSERT_GT(lastScan, 0);
    EXPECT_TRUE(JpegDecoder::decode(whole.left(lastScan)).isNull());
    EXPECT_FALSE(JpegDecoder::decode(whole.chopped(2)).isNull());
}

} // namespace
