#include "viewer/ImageCollection.h"
#include "platform/FileName.h"
#include "platform/ImageSource.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QStringList names(const QStringList& paths) {
    QStringList result;
    for (const QString& p : paths)
        result.append(ImageCollection::lastPathComponent(p));
    return result;
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

// A name that is not UTF-8 keeps its bytes from the listing to the file.
TEST(ImageCollection, ListedNameThatIsNotUtf8StillOpens) {
    QTemporaryDir folder;
    const QByteArray raw = QFile::encodeName(folder.path()) + QByteArray("/caf\xe9.jpg");
    const QByteArray jpeg = TestImages::encode(TestImages::asymmetric(8, 6), "JPEG");
    // QTemporaryDir cannot remove a name that is not UTF-8 by itself.
    const struct Remove {
        QByteArray path;
        ~Remove() { ::unlink(path.constData()); }
    } remove{raw};
    FILE* file = std::fopen(raw.constData(), "wb");
    ASSERT_TRUE(file);
    std::fwrite(jpeg.constData(), 1, size_t(jpeg.size()), file);
    std::fclose(file);
    const auto images = ImageCollection::scanFolder(FileName::decode(raw));
    ASSERT_TRUE(images);
    ASSERT_EQ(images->size(), 1);
    EXPECT_EQ(FileName::encode(images->first()), raw);
    EXPECT_EQ(ImageCollection::folderOf(images->first()), folder.path());
    auto source = ImageSource::createWithURL(images->first());
    ASSERT_TRUE(source);
    EXPECT_EQ(source->imageAtIndex(0).size(), QSize(8, 6));
}

} // namespace
