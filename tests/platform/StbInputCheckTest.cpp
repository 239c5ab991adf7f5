#include "platform/imagesource/StbInputCheck.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray made(const QTemporaryDir& folder, const QString& name, const QStringList& arguments) {
    const QString path = folder.filePath(name);
    QString error;
    EXPECT_TRUE(FormatFixtures::run(QStringLiteral("/usr/bin/convert"),
                                    arguments + QStringList{path}, &error))
        << qPrintable(error);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(StbInputCheck, RadianceDataThatWouldHangTheDecoderIsRefused) {
    QTemporaryDir folder;
    const QByteArray bytes =
        made(folder, QStringLiteral("scene.hdr"),
             {QStringLiteral("-size"), QStringLiteral("16x4"), QStringLiteral("gradient:")});
    ASSERT_TRUE(StbInputCheck::radianceIsWhole(bytes));
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(bytes.left(bytes.size() - 3)));
    // A zero run count right after the first scanline's header.
    const qsizetype data = bytes.indexOf("+X 16\n") + 6;
    QByteArray zero = bytes;
    zero[data + 4] = 0;
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(zero));
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(QByteArray("#?RADIANCE\n\n-Y 4 +X")));
    EXPECT_FALSE(
        StbInputCheck::radianceIsWhole(QByteArray("#?RADIANCE\n\n-Y 2000000000 +X 2000000000\n")));
}

// Radiance lets each scanline choose run-length or flat coding, but stb, on
// meeting a flat row after coded ones, reads the whole image flat from there.
TEST(StbInputCheck, RadianceRowsSwitchingToFlatDataAreRefused) {
    QTemporaryDir folder;
    const QByteArray coded =
        made(folder, QStringLiteral("coded.hdr"),
             {QStringLiteral("-size"), QStringLiteral("16x4"), QStringLiteral("gradient:")});
    const QByteArray header = coded.left(coded.indexOf("+X 16\n") + 6);
    // The first row run-length coded: its header, then each of the four
    // components as one literal run of 16 values.
    QByteArray firstRow("\x02\x02\x00\x10", 4);
    for (int component = 0; component < 4; ++component)
        firstRow += char(16) + QByteArray(16, char(0x80));
    const QByteArray flatRows = QByteArray("\x80\x80\x80\x80", 4).repeated(16 * 3);
    const QByteArray mixed = header + firstRow + flatRows;
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(mixed));
    // Even with enough data after the switch for a whole flat image.
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(mixed + flatRows));
    auto source = ImageSource::createWithData(mixed + flatRows);
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->imageAtIndex(0).isNull());
    // Flat from the first row is what stb reads right.
    const QByteArray flat = header + QByteArray("\x80\x80\x80\x80", 4).repeated(16 * 4);
    EXPECT_TRUE(StbInputCheck::radianceIsWhole(flat));
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(flat.chopped(1)));
}

TEST(StbInputCheck, PhotoshopFileMustHoldAllItsImageData) {
    QTemporaryDir folder;
    for (const char* compression : {"RLE", "None"}) {
        const QByteArray bytes =
            made(folder, QStringLiteral("layers.psd"),
                 {QStringLiteral("-size"), QStringLiteral("40x30"), QStringLiteral("gradient:"),
                  QStringLiteral("-compress"), QString::fromLatin1(compression)});
        EXPECT_TRUE(StbInputCheck::psdIsWhole(bytes)) << compression;
        EXPECT_FALSE(StbInputCheck::psdIsWhole(bytes.left(bytes.size() - 10))) << compression;
        EXPECT_FALSE(StbInputCheck::psdIsWhole(bytes.left(40))) << compression;
    }
}

} // namespace
