#include "core/FileTypes.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FileTypes, ExtensionTestIsEndsWithIgnoringCase) {
    for (const char* path : {"/a/b.WebP", "/a/b.avif", "/a/b.AVIFS", "/a/b.JXL", "/a/b.JPG",
                             "/a/b.xjpg", "/a/b.tar.Sr2"})
        EXPECT_TRUE(FileTypes::qualifies(QString::fromLatin1(path))) << path;
    for (const char* path : {"/a/jpg", "/a/b.jpg.txt", "/a/b.zip", "/a/b.", "/a.jpg/readme"})
        EXPECT_FALSE(FileTypes::qualifies(QString::fromLatin1(path))) << path;
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
