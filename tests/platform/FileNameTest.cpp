#include "platform/FileName.h"

#include <QList>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

TEST(FileName, AnyBytesComeBackExactly) {
    const QList<QByteArray> names = {
        QByteArray("caf\xe9.jpg"),           // Latin-1
        QByteArray("\xc3\xa9t\xc3\xa9.png"), // UTF-8 "été"
        QByteArray("\xf0\x9f\x93\xb7"),      // a code point beyond the BMP
        QByteArray("\xed\xb3\xa9"),          // an encoded surrogate is not UTF-8
        QByteArray("\xc0\xaf"),              // nor is an overlong slash
        QByteArray("\xf4\x90\x80\x80"),      // nor anything beyond U+10FFFF
        QByteArray("\xe2\x82"),              // a sequence cut short
        QByteArray("\xf0\x90\x82\x80\xe9"),  // U+10080 pairs with U+DC80, then an escaped byte
    };
    for (const QByteArray& name : names)
        EXPECT_EQ(FileName::encode(FileName::decode(name)), name) << name.toHex().constData();
    QRandomGenerator random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes(int(random.bounded(1, 24)), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(random.bounded(1, 256)); // a name holds no NUL
        ASSERT_EQ(FileName::encode(FileName::decode(bytes)), bytes) << bytes.toHex().constData();
    }
}

// Valid UTF-8 decodes as usual; invalid bytes are escaped and shown as
// replacement characters; a real surrogate pair whose low half lies in the
// escape range stays.
TEST(FileName, InvalidBytesAreEscapedAndShownAsReplacementCharacters) {
    const QByteArray utf8 = QStringLiteral("/tmp/ünïcødé/写真 📷.png").toUtf8();
    EXPECT_EQ(FileName::decode(utf8), QString::fromUtf8(utf8));
    EXPECT_EQ(FileName::display(FileName::decode(utf8)), QString::fromUtf8(utf8));
    const QString name = FileName::decode(QByteArray("caf\xe9.jpg"));
    EXPECT_EQ(name, QStringLiteral("caf") + QChar(0xDCE9) + ".jpg");
    EXPECT_EQ(FileName::display(name), "caf\uFFFD.jpg");
    const QString astral = FileName::decode(QByteArray("\xf0\x90\x82\x80"));
    EXPECT_EQ(FileName::display(astral), astral);
    // A title stays one line: control characters show as replacements too.
    EXPECT_EQ(FileName::display(FileName::decode(QByteArray("a\nb\tc\x7f\xc2\x85.jpg"))),
              "a\uFFFDb\uFFFDc\uFFFD\uFFFD.jpg");
    EXPECT_EQ(FileName::display("--help.jpg"), "--help.jpg");
}

} // namespace
