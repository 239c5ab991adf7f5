#include "platform/FolderBookmark.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FolderBookmark, ResolvesOnlyToTheSameFolder) {
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
}

TEST(FolderBookmark, BadBytesAndNonFoldersGiveNothing) {
    QTemporaryDir dir;
    EXPECT_FALSE(FolderBookmark::create(dir.filePath("missing")));
    const auto bookmark = FolderBookmark::create(dir.path());
    ASSERT_TRUE(bookmark);
    for (qsizetype cut = 0; cut < bookmark->size(); ++cut)
        EXPECT_FALSE(FolderBookmark::resolve(bookmark->left(cut))) << "cut at " << cut;
    QByteArray huge = *bookmark;
    // The path's length field claims far more than there is.
    huge[24] = char(0x7f);
    EXPECT_FALSE(FolderBookmark::resolve(huge));
    EXPECT_FALSE(FolderBookmark::resolve(QByteArray("garbage")));
}

} // namespace
