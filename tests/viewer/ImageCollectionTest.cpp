#include "support/TestImages.h"
#include "viewer/ImageCollection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList names(const QStringList& paths) {
    QStringList result;
    for (const QString& p : paths)
        result.append(ImageCollection::lastPathComponent(p));
    return result;
}

TEST(ImageCollection, SortsByFileNameWithoutNumericOrdering) {
    QStringList paths = {QStringLiteral("/z/img2.gif"), QStringLiteral("/a/img10.gif"),
                         QStringLiteral("/m/b.PNG"), QStringLiteral("/q/a.jpg")};
    ImageCollection::sortByFileName(paths);
    EXPECT_EQ(names(paths), QStringList({QStringLiteral("a.jpg"), QStringLiteral("b.PNG"),
                                         QStringLiteral("img10.gif"), QStringLiteral("img2.gif")}))
        << "folders do not matter, only the file name";
}

class SampleFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TestImages::makeSampleFolder(dir.path());
    }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir;
};

TEST_F(SampleFolder, ListsSupportedImagesInOrder) {
    const auto list = ImageCollection::scanFolder(path("b.PNG"));
    ASSERT_TRUE(list);
    EXPECT_EQ(names(*list), QStringList({QStringLiteral("a.jpg"), QStringLiteral("b.PNG"),
                                         QStringLiteral("img10.gif"), QStringLiteral("img2.gif")}));
    EXPECT_EQ(ImageCollection::scanFolder(dir.path()), list) << "a folder lists itself";
}

TEST_F(SampleFolder, StepsWrapAroundAtBothEnds) {
    ImageCollection collection;
    collection.setList(ImageCollection::scanFolder(path("b.PNG")));
    collection.selectEntry(path("b.PNG"));
    EXPECT_EQ(collection.fileNumber(), 1u);
    EXPECT_EQ(collection.stepForward(), path("img10.gif"));
    EXPECT_EQ(collection.stepForward(), path("img2.gif"));
    EXPECT_EQ(collection.stepForward(), path("a.jpg"));
    EXPECT_EQ(collection.stepBackward(), path("img2.gif"));
    EXPECT_EQ(collection.stepBackward(), path("img10.gif"));
    EXPECT_TRUE(collection.isDirectory());
}

TEST_F(SampleFolder, AFileNotInTheListKeepsTheIndexInside) {
    ImageCollection collection;
    collection.setList(ImageCollection::scanFolder(path("c.txt")));
    collection.setFileNumber(3);
    collection.selectEntry(path("c.txt"));
    EXPECT_EQ(collection.fileNumber(), 3u);
    collection.setList(QStringList({path("a.jpg")}));
    collection.selectEntry(path("c.txt"));
    EXPECT_EQ(collection.fileNumber(), 0u) << "pulled back into a shorter list";
}

TEST(ImageCollection, OneEntryReopensItselfAndNoListDoesNothing) {
    ImageCollection collection;
    EXPECT_FALSE(collection.stepForward());
    EXPECT_FALSE(collection.stepBackward());
    collection.setList(QStringList());
    EXPECT_FALSE(collection.stepForward());
    collection.setList(QStringList({QStringLiteral("/only.png")}));
    EXPECT_FALSE(collection.isDirectory());
    EXPECT_EQ(collection.stepForward(), QStringLiteral("/only.png"));
    EXPECT_EQ(collection.stepBackward(), QStringLiteral("/only.png"));
}

TEST(ImageCollection, UnlistableFolderHasNoList) {
    EXPECT_FALSE(ImageCollection::scanFolder(QStringLiteral("/no/such/folder/x.jpg")));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain.jpg"));
    TestImages::write(file, "x");
    EXPECT_FALSE(ImageCollection::listFolder(file)) << "a file is not a folder";
    EXPECT_TRUE(ImageCollection::scanFolder(file)) << "but its folder lists";
}

TEST(ImageCollection, KeepsHiddenAndNonAsciiNamesAndSkipsNothingElse) {
    QTemporaryDir dir;
    const QStringList files = {QStringLiteral(".hidden.png"), QStringLiteral("été à Zürich.jpg"),
                               QStringLiteral("with space.tif"), QStringLiteral("日本.gif")};
    for (const QString& f : files)
        TestImages::write(dir.filePath(f), "x");
    const auto list = ImageCollection::scanFolder(dir.path());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), 4);
    for (const QString& f : files)
        EXPECT_TRUE(list->contains(dir.filePath(f))) << f.toStdString();
}

} // namespace
