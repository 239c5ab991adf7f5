#include "platform/imagesource/SgiDecoder.h"
#include "support/FormatFixtures.h"

#include <gtest/gtest.h>

namespace {

QByteArray sgi(const char* options) {
    return FormatFixtures::convert(QImage(), "/usr/bin/convert",
                                   FormatFixtures::args("-size 6x4 xc:rgba(255,128,0,0.5)") +
                                       FormatFixtures::args(options) + QStringList{"sgi:{out}"},
                                   "sgi");
}

// A run that overruns its row, a row table outside the file: damage.
TEST(SgiDecoder, RunsAndRowTablesOutsideTheirBoundsAreDamage) {
    const QByteArray bytes = sgi("-depth 8 -compress RLE");
    SgiDecoder::Header header;
    ASSERT_TRUE(SgiDecoder::readHeader(bytes, &header));
    ASSERT_TRUE(header.rle);
    ASSERT_FALSE(SgiDecoder::decode(bytes).isNull());
    // The first row's first run now claims 127 pixels of a 6-pixel row.
    QByteArray overrun = bytes, outside = bytes;
    const auto* table = reinterpret_cast<const uchar*>(bytes.constData() + 512);
    overrun[(table[0] << 24) | (table[1] << 16) | (table[2] << 8) | table[3]] = char(0x7f);
    outside[512] = char(0x7f);
    for (const QByteArray& damaged : {overrun, outside, bytes.left(600)})
        EXPECT_TRUE(SgiDecoder::decode(damaged).isNull());
}

} // namespace
