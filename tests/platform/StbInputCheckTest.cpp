#include "platform/imagesource/StbInputCheck.h"
#include "support/FormatFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray made(const QTemporaryDir& folder, const QString& name, const QStringList& arguments) {
    const QString path = folder.filePath(name);
    QString error;
    EXPECT_TRUE(FormatFixtures::run(QStringLiteral("/usr/bin/convert"), arguments + QStringList{path}, &error))
        << qPrintable(error);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(StbInputCheck, RadianceDataThatWouldHangTheDecoderIsRefused) {
    QTemporaryDir folder;
    const QByteArray bytes =
        made(folder, QStringLiteral("scene.hdr"), {QStringLiteral("-size"), QStringLiteral("16x4"), QStringLiteral("gradient:")});
    ASSERT_TRUE(StbInputCheck::radianceIsWhole(bytes));
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(bytes.left(bytes.size() - 3)));
    // A zero run count right after the first scanline's header.
    const qsizetype data = bytes.indexOf("+X 16\n") + 6;
    QByteArray zero = bytes;
    zero[data + 4] = 0;
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(zero));
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(QByteArray("#?RADIANCE\n\n-Y 4 +X")));
    EXPECT_FALSE(StbInputCheck::radianceIsWhole(QByteArray("#?RADIANCE\n\n-Y 2000000000 +X 2000000000\n")));
}

TEST(StbInputCheck, PhotoshopFileMustHoldAllItsImageData) {
    QTemporaryDir folder;
    for (const char* compression : {"RLE", "None"}) {
        const QByteArray bytes = made(folder, QStringLiteral("layers.psd"),
                                      {QStringLiteral("-size"), QStringLiteral("40x30"), QStringLiteral("gradient:"),
                                       QStringLiteral("-compress"), QString::fromLatin1(compression)});
        EXPECT_TRUE(StbInputCheck::psdIsWhole(bytes)) << compression;
        EXPECT_FALSE(StbInputCheck::psdIsWhole(bytes.left(bytes.size() - 10))) << compression;
        EXPECT_FALSE(StbInputCheck::psdIsWhole(bytes.left(40))) << compression;
    }
}

} // namespace
