#include "platform/imagesource/SgiDecoder.h"
#include "support/FormatFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray convertToSgi(const QTemporaryDir& folder, const QStringList& options) {
    const QString out = folder.filePath(QStringLiteral("made.sgi"));
    QString error;
    EXPECT_TRUE(FormatFixtures::run(QStringLiteral("/usr/bin/convert"),
                                    QStringList{QStringLiteral("-size"), QStringLiteral("6x4"),
                                                QStringLiteral("xc:rgba(255,128,0,0.5)")} +
                                        options + QStringList{QStringLiteral("sgi:") + out},
                                    &error))
        << qPrintable(error);
    QFile file(out);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(SgiDecoder, SixteenBitChannelsKeepTheirDepth) {
    QTemporaryDir folder;
    const QByteArray bytes = convertToSgi(folder, {QStringLiteral("-depth"), QStringLiteral("16")});
    SgiDecoder::Header header;
    ASSERT_TRUE(SgiDecoder::readHeader(bytes, &header));
    EXPECT_EQ(header.bytesPerChannel, 2);
    EXPECT_EQ(header.channels, 4);
    const QImage image = SgiDecoder::decode(bytes);
    ASSERT_EQ(image.format(), QImage::Format_RGBA64);
    const QRgba64 p = image.pixelColor(3, 2).rgba64();
    EXPECT_EQ(p.red(), 65535);
    EXPECT_NEAR(p.green(), 32896, 2);
    EXPECT_NEAR(p.alpha(), 32768, 2);
}

TEST(SgiDecoder, RunThatOverrunsTheRowIsDamage) {
    QTemporaryDir folder;
    QByteArray bytes = convertToSgi(folder, {QStringLiteral("-depth"), QStringLiteral("8"),
                                             QStringLiteral("-compress"), QStringLiteral("RLE")});
    SgiDecoder::Header header;
    ASSERT_TRUE(SgiDecoder::readHeader(bytes, &header));
    ASSERT_TRUE(header.rle);
    ASSERT_FALSE(SgiDecoder::decode(bytes).isNull());
    // The first row's first run now claims 127 pixels of a 6-pixel row.
    const auto* table = reinterpret_cast<const uchar*>(bytes.constData() + 512);
    const int start = (table[0] << 24) | (table[1] << 16) | (table[2] << 8) | table[3];
    bytes[start] = char(0x7f);
    EXPECT_TRUE(SgiDecoder::decode(bytes).isNull());
}

TEST(SgiDecoder, RowTableOutsideTheFileIsDamage) {
    QTemporaryDir folder;
    QByteArray bytes = convertToSgi(folder, {QStringLiteral("-depth"), QStringLiteral("8"),
                                             QStringLiteral("-compress"), QStringLiteral("RLE")});
    bytes[512] = char(0x7f);
    EXPECT_TRUE(SgiDecoder::decode(bytes).isNull());
    EXPECT_TRUE(SgiDecoder::decode(bytes.left(600)).isNull());
}

} // namespace
