#include "platform/imagesource/FaxDecoder.h"
#include "support/FormatFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray rawFax(const QTemporaryDir& folder) {
    QString error;
    const QString path = FormatFixtures::make(QStringLiteral("fax"), folder.path(), &error);
    EXPECT_FALSE(path.isEmpty()) << qPrintable(error);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool showsThePattern(const QImage& page) {
    const QImage pattern = FormatFixtures::faxPattern();
    if (page.width() != pattern.width() || page.height() < pattern.height())
        return false;
    for (const QPoint p : {QPoint(100, 32), QPoint(1000, 32), QPoint(100, 4), QPoint(1700, 60)}) {
        if (qGray(page.pixel(p)) != qGray(pattern.pixel(p)))
            return false;
    }
    return true;
}

TEST(FaxDecoder, DecodesHeaderlessGroup3AtTheStandardWidth) {
    QTemporaryDir folder;
    const QImage page = FaxDecoder::decodeRawG3(rawFax(folder));
    EXPECT_TRUE(showsThePattern(page));
}

TEST(FaxDecoder, FindsTheBitOrderOfTheData) {
    QTemporaryDir folder;
    QByteArray reversed = rawFax(folder);
    for (char& c : reversed) {
        uchar b = uchar(c), r = 0;
        for (int i = 0; i < 8; ++i)
            r |= uchar(((b >> i) & 1) << (7 - i));
        c = char(r);
    }
    EXPECT_TRUE(showsThePattern(FaxDecoder::decodeRawG3(reversed)));
}

TEST(FaxDecoder, DataThatDoesNotStartWithAnEndOfLineIsNoFax) {
    EXPECT_FALSE(FaxDecoder::looksLikeRawG3(QByteArray("\xff\xd8\xff\xe0", 4)));
    EXPECT_TRUE(FaxDecoder::decodeRawG3(QByteArray(4000, '\x55')).isNull());
    EXPECT_TRUE(FaxDecoder::decodeRawG3(QByteArray(4000, '\0')).isNull());
}

TEST(FaxDecoder, NoiseAfterAnEndOfLineDecodesToNothing) {
    QByteArray noise("\x00\x10", 2);
    quint32 state = 12345;
    for (int i = 0; i < 3000; ++i) {
        state = state * 1103515245u + 12345u;
        noise += char(state >> 24);
    }
    EXPECT_TRUE(FaxDecoder::decodeRawG3(noise).isNull());
}

TEST(FaxDecoder, ReadsTheClassFTiffPage) {
    QTemporaryDir folder;
    QString error;
    const QString path = FormatFixtures::make(QStringLiteral("jfx"), folder.path(), &error);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(error);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray tiff = file.readAll();
    EXPECT_EQ(FaxDecoder::pageCount(tiff), 1);
    EXPECT_EQ(FaxDecoder::pageSize(tiff, 0), FormatFixtures::faxPattern().size());
    EXPECT_TRUE(showsThePattern(FaxDecoder::decodePage(tiff, 0)));
    EXPECT_TRUE(FaxDecoder::decodePage(tiff, 1).isNull());
    EXPECT_TRUE(FaxDecoder::decodePage(tiff.left(tiff.size() / 2), 0).isNull());
}

} // namespace
