#include "viewer/ImageCollection.h"
#include "platform/FileName.h"
#include "platform/ImageSource.h"
#include "support/TestImages.h"

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

TEST_F(SampleFolder, ListsInOrderStepsWrappingAndKeepsTheIndexInsideForAFileNotListed) {
    const auto list = ImageCollection::scanFolder(path("b.PNG"));
    ASSERT_TRUE(list);
    EXPECT_EQ(names(*list), QStringList({QStringLiteral("a.jpg"), QStringLiteral("b.PNG"),
                                         QStringLiteral("img10.gif"), QStringLiteral("img2.gif")}));
    EXPECT_EQ(ImageCollection::scanFolder(dir.path()), list) << "a folder lists itself";
    ImageCollection collection;
    collection.setList(list);
    collection.selectEntry(path("b.PNG"));
    EXPECT_EQ(collection.fileNumber(), 1u);
    EXPECT_TRUE(collection.isDirectory());
    for (const char* step : {"img10.gif", "img2.gif", "a.jpg"})
        EXPECT_EQ(collection.stepForward(), path(step));
    for (const char* step : {"img2.gif", "img10.gif"})
        EXPECT_EQ(collection.stepBackward(), path(step));

    collection.setFileNumber(3);
    collection.selectEntry(path("c.txt"));
    EXPECT_EQ(collection.fileNumber(), 3u);
    collection.setList(QStringList({path("a.jpg")}));
    collection.selectEntry(path("c.txt"));
    EXPECT_EQ(collection.fileNumber(), 0u) << "pulled back into a shorter list";
}

// One entry reopens itself, no list does nothing, and an unlistable folder has no list.
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
    EXPECT_FALSE(ImageCollection::scanFolder(QStringLiteral("/no/such/folder/x.jpg")));
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
    EXPECT_FALSE(ImageCollection::listFolder(dir.filePath(files[1]))) << "a file is not a folder";
    EXPECT_EQ(ImageCollection::scanFolder(dir.filePath(files[1])), list) << "but its folder lists";
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

// A new listing after changes: "+x" makes x, "-x" removes it, "|" lists in
// between; a letter alone is an image. The current entry keeps its place; a gone
// one stays current until a step goes to what now lies either side of it.
TEST(ImageCollection, ANewListingKeepsTheCurrentEntryAndStepsFromOneGoneToItsNeighbours) {
    struct Case {
        const char *files, *current, *changes;
        bool changed;
        quint64 number;
        const char *forward, *backward; // "": no step
    };
    const Case cases[] = {
        {"bd", "d", "+a", true, 2, "a", "b"},               // added before the current
        {"bd", "b", "+c", true, 0, "c", "d"},               // added after it
        {"abc", "b", "-b", true, 1, "c", "a"},              // the current removed
        {"abd", "b", "-b +c", true, 1, "c", "a"},           // another now in its place
        {"abc", "c", "-c", true, 2, "a", "b"},              // the last removed: forward wraps
        {"abc", "a", "-a", true, 0, "b", "c"},              // the first: backward wraps
        {"abcd", "b", "-b | -a -c", true, 0, "d", "d"},     // gone across two listings
        {"abc", "b", "-b | +b", true, 1, "c", "a"},         // made anew
        {"ab", "a", "+notes.txt +png", false, 0, "b", "b"}, // no images
        {"ab", "a", "-a -b", true, 0, "", ""},              // all removed
        {"ab", "a", "-b", true, 0, "a", "a"},               // only the current left
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.files) + " " + c.current + " " + c.changes);
        QTemporaryDir dir;
        const auto at = [&dir](const QString& name) {
            return dir.filePath(name.size() == 1 ? name + QStringLiteral(".png") : name);
        };
        for (const QChar name : QString::fromLatin1(c.files))
            TestImages::write(at(name), "x");
        ImageCollection collection;
        collection.setList(ImageCollection::imagesIn(dir.path()));
        collection.selectEntry(at(QString::fromLatin1(c.current)));
        bool changed = false;
        const auto relist = [&] {
            changed = collection.relist(*ImageCollection::imagesIn(dir.path()));
        };
        for (const QString& change : QString::fromLatin1(c.changes).split(QLatin1Char(' '))) {
            const QString name = at(change.mid(1));
            if (change == QLatin1String("|"))
                relist();
            else if (change.startsWith(QLatin1Char('+')))
                TestImages::write(name, "x");
            else
                QFile::remove(name);
        }
        relist();
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(collection.currentEntry(), at(QString::fromLatin1(c.current)));
        EXPECT_EQ(collection.fileNumber(), c.number);
        const auto step = [&](const char* name) {
            return *name ? std::optional(at(QString::fromLatin1(name))) : std::nullopt;
        };
        EXPECT_EQ(ImageCollection(collection).stepForward(), step(c.forward));
        EXPECT_EQ(ImageCollection(collection).stepBackward(), step(c.backward));
        const bool stepping = *c.forward && qstrcmp(c.forward, c.current) != 0;
        EXPECT_EQ(collection.isDirectory(), stepping);
        EXPECT_EQ(collection.neighbours(),
                  stepping ? QStringList({*step(c.forward), *step(c.backward)}) : QStringList());
    }
}

} // namespace
