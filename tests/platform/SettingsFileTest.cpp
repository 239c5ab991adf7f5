#include "platform/SettingsFile.h"
#include "platform/RecentDocuments.h"
#include "platform/StoredVariantCheck.h"
#include "support/TestImages.h"

#include <QDataStream>
#include <QRect>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
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
    EXPECT_TRUE(SettingsFile::variantsAreSafe(written));
}

QByteArray streamed(const std::function<void(QDataStream&)>& write) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    write(out);
    return bytes;
}

// A count must fit in the bytes after it, nesting stays shallow, and only plain types are taken;
// bytes that simply run out are Qt's to stop at.
TEST(StoredVariantCheck, TakesWhatQtDecodesWithinItsBytes) {
    const QVariantMap folders{{"/home/u/Pictures", QByteArray(300, 'b')}, {"/mnt", QByteArray()}};
    QVariant nested = QVariantList{1};
    for (int i = 0; i < StoredVariantCheck::maximumDepth + 2; ++i)
        nested = QVariantList{nested};
    const auto header = [](quint32 type, quint32 count) {
        return streamed([&](QDataStream& out) { out << type << count; });
    };
    const std::pair<QByteArray, bool> cases[] = {
        {streamed([&](QDataStream& out) { out << QVariant(folders); }), true},
        {streamed([&](QDataStream& out) {
             out << QVariant(QVariantList{QRect(1, 2, 3, 4), QStringList{"a"}, 2.5, true});
         }),
         true},
        {streamed([&](QDataStream& out) { out << QVariant(folders); }).first(40), true},
        {header(QMetaType::QString, 0x7fffffff), true},
        {header(QMetaType::QVariantList, 0xffffffff), false},
        {header(QMetaType::QStringList, 3) + QByteArray(11, '\0'), false},
        {header(QMetaType::QStringList, 3) + QByteArray(12, '\0'), true},
        {header(QMetaType::QVariantMap, 100000) + QByteArray(16, '\0'), false},
        {streamed([&](QDataStream& out) { out << nested; }), false},
        {header(QMetaType::QColor, 0), false},
        {QByteArray(), true},
    };
    for (const auto& [bytes, safe] : cases)
        EXPECT_EQ(StoredVariantCheck::isSafe(bytes), safe) << bytes.toHex().left(40).data();
}

// Before Qt reads a file, the lines it could not decode safely go, once the original is kept.
TEST(SettingsFile, AValueQtCannotDecodeSafelyIsTakenOutBeforeReading) {
    SettingsFile::reset();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Ovisto.conf"));
    QByteArray folders;
    {
        QSettings written(dir.filePath(QStringLiteral("sound.conf")), QSettings::IniFormat);
        written.setValue("SavedFolders", QVariantMap{{"/home", QByteArray("bookmark")}});
        written.sync();
        folders = TestImages::read(written.fileName()).split('\n').at(1);
    }
    const QByteArray original =
        "[General]\nZoomingMode=2\nHuge=@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xff)\n" + folders +
        "\nWindowMode=1\n";
    ASSERT_TRUE(TestImages::write(path, original));
    EXPECT_FALSE(SettingsFile::variantsAreSafe(original));
    ASSERT_TRUE(SettingsFile::prepareToRead(path));
    EXPECT_EQ(TestImages::read(SettingsFile::backupPath(path)), original);
    EXPECT_TRUE(SettingsFile::variantsAreSafe(TestImages::read(path)));
    QSettings store(path, QSettings::IniFormat);
    EXPECT_EQ(store.allKeys(), QStringList({"SavedFolders", "WindowMode", "ZoomingMode"}));
    EXPECT_EQ(store.value("SavedFolders").toMap().value("/home"), QByteArray("bookmark"));
    EXPECT_TRUE(SettingsFile::write(&store, path, {{"HistogramType", 1}}))
        << "the file as repaired may be written";
    EXPECT_EQ(TestImages::read(SettingsFile::backupPath(path)), original);
    SettingsFile::reset();
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
