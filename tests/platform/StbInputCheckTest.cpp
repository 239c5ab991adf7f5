#include "platform/imagesource/StbInputCheck.h"
#include "support/FormatFixtures.h"

#include <gtest/gtest.h>

namespace {

QByteArray made(const char* arguments, const char* extension) {
    return FormatFixtures::convert(QImage(), "/usr/bin/convert", FormatFixtures::args(arguments),
                                   QLatin1String(extension));
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
