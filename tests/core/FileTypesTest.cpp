#include "core/FileTypes.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FileTypes, ExtensionTestIsEndsWithIgnoringCase) {
    EXPECT_TRUE(FileTypes::qualifies(QStringLiteral("/a/b.WebP")));
    EXPECT_TRUE(FileTypes::qualifies(QStringLiteral("/a/b.avif")));
    EXPECT_TRUE(FileTypes::qualifies(QStringLiteral("/a/b.AVIFS")));
    EXPECT_TRUE(FileTypes::qualifies(QStringLiteral("/a/b.JXL")));
    EXPECT_TRUE(FileTypes::qualifies(QStringLiteral("/a/b.JPG")));
    EXPECT_TRUE(FileTypes::qualifies(QStringLiteral("/a/b.xjpg")));
    EXPECT_TRUE(FileTypes::qualifies(QStringLiteral("/a/b.tar.Sr2")));
    EXPECT_FALSE(FileTypes::qualifies(QStringLiteral("/a/jpg")));
    EXPECT_FALSE(FileTypes::qualifies(QStringLiteral("/a/b.jpg.txt")));
    EXPECT_FALSE(FileTypes::qualifies(QStringLiteral("/a/b.zip")));
    EXPECT_FALSE(FileTypes::qualifies(QStringLiteral("/a/b.")));
    EXPECT_FALSE(FileTypes::qualifies(QStringLiteral("/a.jpg/readme")));
}

TEST(FileTypes, NamesAndFoldersOfPaths) {
    EXPECT_EQ(FileTypes::lastPathComponent(QStringLiteral("/a/b.png//")), QStringLiteral("b.png"));
    EXPECT_EQ(FileTypes::lastPathComponent(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(FileTypes::pathExtension(QStringLiteral("/a.d/readme")), QString());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = QDir(dir.path()).absolutePath();
    EXPECT_EQ(FileTypes::folderOf(folder), folder) << "a folder is its own";
    EXPECT_EQ(FileTypes::folderOf(folder + QStringLiteral("/missing.jpg")), folder)
        << "a path that names nothing counts as a file";
}

} // namespace
