#include "platform/SettingsFile.h"
#include "platform/RecentDocuments.h"
#include "support/TestImages.h"

#include <QRect>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The forms Qt reads and writes are sound; what it would drop or change on its next write is not.
TEST(SettingsFile, JudgesBytesByTheFormQtWrites) {
    const std::pair<QByteArray, bool> cases[] = {
        {"", false},
        {"\xEF\xBB\xBF[General]\nA=1\n", false},
        {"; comment\n# comment\n\n  [General]  \n A = 1 \n", false},
        {"[General]\nA=@@Rect(cut\nB=@Invalid()\nC=\"@Variant(\\0,\\0)\"\n", false},
        {"[General]\nA=x, @Rect(1 2 3 4), \"y, z\"\nB=\"a \\\" quote\"\n", false},
        {"[General]\n=value\n", false},
        {"[General]\nA=x, @Rect(1 2\n", true},
        {"[General]\nA=@(1)\n", true},
        {"[]\n", true},
        {"[General]\nA=\"x\\\"\n", true},
        {QByteArray(SettingsFile::maximumBytes + 1, ';'), true},
    };
    for (const auto& [bytes, damaged] : cases)
        EXPECT_EQ(SettingsFile::damage(bytes).isEmpty(), !damaged) << bytes.left(60).data();
}

// Else a file Qt wrote over a damaged one would count as damaged again, and its copy would stop
// every later write.
TEST(SettingsFile, WhatQtWritesIsSound) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("written.conf"));
    {
        QSettings store(path, QSettings::IniFormat);
        const QVariantMap folders{
            {QStringLiteral("/home/u/Pictures"), QByteArray("\0\x01,;\"\\", 6)}};
        const QVariant values[] = {
            QStringLiteral(" padded "),
            QStringLiteral("a, b; c = d \"q\" \\ \n\t\r end"),
            QStringLiteral("@Rect(not one"),
            QStringLiteral("éß€ 😀"),
            QString(),
            QStringList{QStringLiteral("@x"), QStringLiteral("y, z"), QString()},
            QVariantList{QVariant(), 1, QRect(1, 2, 3, 4)},
            QRect(-9000, 0, 420, 300),
            folders,
            QByteArray("\0\xff\x80", 3),
            1e300,
            true};
        int n = 0;
        for (const QVariant& value : values)
            store.setValue(QStringLiteral("Group %1/Key=%1;,").arg(n++), value);
        store.setValue(QString(QChar(u'\0')) + QStringLiteral("[odd]"), 1);
    }
    const QByteArray written = TestImages::read(path);
    ASSERT_FALSE(written.isEmpty());
    EXPECT_EQ(SettingsFile::damage(written), QString()) << written.data();
}

// What the store holds is read as far as it goes: text for one entry, a list for more; no
// relative, repeated or empty entries, and no more than the menu shows.
TEST(RecentDocuments, KeepsTheReadableEntries) {
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many.append(QStringLiteral("/pictures/%1.jpg").arg(i));
    const std::pair<QVariant, QStringList> cases[] = {
        {QStringLiteral("/a.png"), {"/a.png"}},
        {QStringList{"/a.png", "b.png", "", "/a.png", "/gone/c.png"}, {"/a.png", "/gone/c.png"}},
        {many, many.mid(0, RecentDocuments::maximumCount)},
        {QVariantMap{{"/a.png", 1}}, {}},
        {QRect(1, 2, 3, 4), {}},
        {QVariant(), {}},
    };
    for (const auto& [stored, kept] : cases)
        EXPECT_EQ(RecentDocuments::readable(stored), kept) << stored.toString().toStdString();
}

// The store goes through the same guard as the preferences: a damaged one gives what it can and is
// copied before the first write.
TEST(RecentDocuments, ADamagedStoreIsCopiedBeforeItIsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Ovisto-recent.conf"));
    const QByteArray damaged = "[General]\ndocuments=/a.png, b.png, /c.png\n\x01\xff\xfe";
    ASSERT_TRUE(TestImages::write(path, damaged));
    RecentDocuments recent(path);
    EXPECT_EQ(recent.recentDocuments(), QStringList({"/a.png", "/c.png"}));
    recent.noteNewRecentDocument(QStringLiteral("/d.png"));
    EXPECT_EQ(TestImages::read(SettingsFile::backupPath(path)), damaged);
    EXPECT_EQ(RecentDocuments(path).recentDocuments(), QStringList({"/d.png", "/a.png", "/c.png"}));
}

} // namespace
