#include "platform/imagesource/FaxDecoder.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray fixture(const char* extension) {
    QTemporaryDir folder;
    QString error;
    const QString path = FormatFixtures::make(QLatin1String(extension), folder.path(), &error);
    EXPECT_FALSE(path.isEmpty()) << qPrintable(error);
    return TestImages::read(path);
}

bool showsThePattern(const QImage& page) {
    const QImage pattern = FormatFixtures::faxPattern();
    if (page.width() != pattern.width() || page.height() < pattern.height())
        return false;
    for (const QPoint p : {QPoint(100, 32), QPoint(1000, 32), QPoint(100, 4), QPoint(1700, 60)})
        if (qGray(page.pixel(p)) != qGray(pattern.pixel(p)))
            return false;
    return true;
}

// Headerless Group 3 at the standard width, in either bit order; data that
// does not start with an end of line, or noise after one, is no fax.
TEST(FaxDecoder, DecodesHeaderlessGroup3InEitherBitOrder) {
    const QByteArray raw = fixture("fax");
    QByteArray reversed = raw, noise("\x00\x10", 2);
    for (char& c : reversed) {
        uchar r = 0;
        for (int i = 0; i < 8; ++i)
            r |= uchar(((uchar(c) >> i) & 1) << (7 - i));
        c = char(r);
    }
    quint32 state = 12345;
    for (int i = 0; i < 3000; ++i)
        noise += char((state = state * 1103515245u + 12345u) >> 24);
    EXPECT_TRUE(showsThePattern(FaxDecoder::decodeRawG3(raw)));
    EXPECT_TRUE(showsThePattern(FaxDecoder::decodeRawG3(reversed)));
    EXPECT_FALSE(FaxDecoder::looksLikeRawG3(QByteArray("\xff\xd8\xff\xe0", 4)));
    for (const QByteArray& bad : {QByteArray(4000, '\x55'), QByteArray(4000, '\0'), noise})
        EXPECT_TRUE(FaxDecoder::decodeRawG3(bad).isNull());
}

} // namespace
