#include "platform/imagesource/StbInputCheck.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"

#include <gtest/gtest.h>

namespace {

QByteArray made(const char* arguments, const char* extension) {
    return FormatFixtures::convert(QImage(), "/usr/bin/convert", FormatFixtures::args(arguments),
                                   QLatin1String(extension));
}

// Data that would hang the decoder: cut short, a zero run count, a header
// without its size or with an absurd one. Radiance lets each scanline choose
// run-length or flat coding, but stb, on meeting a flat row after coded ones,
// reads the whole image flat from there.
TEST(StbInputCheck, RadianceDataThatWouldHangOrMisleadTheDecoderIsRefused) {
    const QByteArray bytes = made("-size 16x4 gradient: {out}", "hdr");
    const QByteArray header = bytes.left(bytes.indexOf("+X 16\n") + 6);
    QByteArray zero = bytes;
    zero[header.size() + 4] = 0;
    // The first row run-length coded: its header, then each of the four
    // components as one literal run of 16 values.
    QByteArray firstRow("\x02\x02\x00\x10", 4);
    for (int component = 0; component < 4; ++component)
        firstRow += char(16) + QByteArray(16, char(0x80));
    const QByteArray flatRows = QByteArray("\x80\x80\x80\x80", 4).repeated(16 * 3);
    const QByteArray flat = header + QByteArray("\x80\x80\x80\x80", 4).repeated(16 * 4);
    EXPECT_TRUE(StbInputCheck::radianceIsWhole(bytes));
    EXPECT_TRUE(StbInputCheck::radianceIsWhole(flat));
    for (const QByteArray& refused :
         {bytes.chopped(3), zero, QByteArray("#?RADIANCE\n\n-Y 4 +X"),
          QByteArray("#?RADIANCE\n\n-Y 2000000000 +X 2000000000\n"), header + firstRow + flatRows,
          header + firstRow + flatRows + flatRows, flat.chopped(1)})
        EXPECT_FALSE(StbInputCheck::radianceIsWhole(refused)) << refused.size();
    auto source = ImageSource::createWithData(header + firstRow + flatRows + flatRows);
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->imageAtIndex(0).isNull());
}

TEST(StbInputCheck, PhotoshopFileMustHoldAllItsImageData) {
    for (const char* arguments : {"-size 40x30 gradient: -compress RLE {out}",
                                  "-size 40x30 gradient: -compress None {out}"}) {
        const QByteArray bytes = made(arguments, "psd");
        EXPECT_TRUE(StbInputCheck::psdIsWhole(bytes)) << arguments;
        EXPECT_FALSE(StbInputCheck::psdIsWhole(bytes.left(bytes.size() - 10))) << arguments;
        EXPECT_FALSE(StbInputCheck::psdIsWhole(bytes.left(40))) << arguments;
    }
}

} // namespace
