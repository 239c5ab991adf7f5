#include "platform/FolderBookmark.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FolderBookmark, ResolvesOnlyToTheSameFolderFromSoundBytes) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("granted");
    QDir().mkpath(folder);
    const auto bookmark = FolderBookmark::create(folder);
    ASSERT_TRUE(bookmark);
    EXPECT_EQ(FolderBookmark::resolve(*bookmark), QDir(folder).canonicalPath());

    // Replaced by another folder of the same name: not the folder granted.
    // A file kept open holds the old inode, so the new one cannot reuse it.
    const QString keep = dir.filePath("keep");
    ASSERT_TRUE(QDir().rename(folder, keep));
    QDir().mkpath(folder);
    EXPECT_FALSE(FolderBookmark::resolve(*bookmark));
    QDir(folder).removeRecursively();
    EXPECT_FALSE(FolderBookmark::resolve(*bookmark)) << "gone";

    // Bad bytes and non-folders give nothing.
    EXPECT_FALSE(FolderBookmark::create(folder));
    const auto sound = FolderBookmark::create(dir.path());
    ASSERT_TRUE(sound);
    for (qsizetype cut = 0; cut < sound->size(); ++cut)
        EXPECT_FALSE(FolderBookmark::resolve(sound->left(cut))) << "cut at " << cut;
    QByteArray huge = *sound;
    // The path's length field claims far more than there is.
    huge[24] = char(0x7f);
    EXPECT_FALSE(FolderBookmark::resolve(huge));
    EXPECT_FALSE(FolderBookmark::resolve(QByteArray("garbage")));
}

} // namespace
