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

// A new listing of the folder shown: "+x" makes x, "-x" removes it, "|" lists
// the folder in between. The current entry keeps its place; a gone one stays
// current until a step, which goes to what now lies either side of it.
TEST(ImageCollection, ANewListingKeepsTheCurrentEntryAndStepsFromOneGoneToItsNeighbours) {
    struct Case {
        const char* what;
        QStringList files;
        const char* current;
        QStringList changes;
        bool changed;
        quint64 number;
        bool gone;
        const char* forward; // nullptr: no step
        const char* backward;
    };
    const auto png = [](std::initializer_list<const char*> names) {
        QStringList files;
        for (const char* name : names)
            files.append(QString::fromUtf8(name));
        return files;
    };
    const Case cases[] = {
        {"added before", png({"b.png", "d.png"}), "d.png", png({"+a.png"}), true, 2, false, "a.png",
         "b.png"},
        {"added after", png({"b.png", "d.png"}), "b.png", png({"+c.png"}), true, 0, false, "c.png",
         "d.png"},
        {"current removed", png({"a.png", "b.png", "c.png"}), "b.png", png({"-b.png"}), true, 1,
         true, "c.png", "a.png"},
        {"another now in its place", png({"a.png", "b.png", "d.png"}), "b.png",
         png({"-b.png", "+c.png"}), true, 1, true, "c.png", "a.png"},
        {"last removed wraps", png({"a.png", "b.png", "c.png"}), "c.png", png({"-c.png"}), true, 2,
         true, "a.png", "b.png"},
        {"first removed wraps", png({"a.png", "b.png", "c.png"}), "a.png", png({"-a.png"}), true, 0,
         true, "b.png", "c.png"},
        {"gone across two listings", png({"a.png", "b.png", "c.png", "d.png"}), "b.png",
         png({"-b.png", "|", "-a.png", "-c.png"}), true, 0, true, "d.png", "d.png"},
        {"made anew", png({"a.png", "b.png", "c.png"}), "b.png", png({"-b.png", "|", "+b.png"}),
         true, 1, false, "c.png", "a.png"},
        {"not images", png({"a.png", "b.png"}), "a.png", png({"+notes.txt", "+sub/", "+png"}),
         false, 0, false, "b.png", "b.png"},
        {"all removed", png({"a.png", "b.png"}), "a.png", png({"-a.png", "-b.png"}), true, 0, true,
         nullptr, nullptr},
        {"only the current left", png({"a.png", "b.png"}), "a.png", png({"-b.png"}), true, 0, false,
         "a.png", "a.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const auto at = [&dir](const QString& name) { return dir.filePath(name); };
        for (const QString& name : c.files)
            TestImages::write(at(name), "x");
        ImageCollection collection;
        collection.setList(ImageCollection::imagesIn(dir.path()));
        collection.selectEntry(at(QString::fromUtf8(c.current)));
        bool changed = false;
        const auto relist = [&] {
            changed = collection.relist(*ImageCollection::imagesIn(dir.path()));
        };
        for (const QString& change : c.changes) {
            const QString name = change.mid(1);
            if (change == QLatin1String("|"))
                relist();
            else if (change.endsWith(QLatin1Char('/')))
                QDir().mkpath(at(name));
            else if (change.startsWith(QLatin1Char('+')))
                TestImages::write(at(name), "x");
            else
                QFile::remove(at(name));
        }
        relist();
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(collection.currentEntry(), at(QString::fromUtf8(c.current)));
        EXPECT_EQ(collection.fileNumber(), c.number);
        EXPECT_EQ(collection.isCurrentGone(), c.gone);
        const auto step = [&](const char* name) {
            return name ? std::optional(at(QString::fromUtf8(name))) : std::nullopt;
        };
        EXPECT_EQ(ImageCollection(collection).stepForward(), step(c.forward));
        EXPECT_EQ(ImageCollection(collection).stepBackward(), step(c.backward));
        const bool stepping = c.forward && QString::fromUtf8(c.forward) != c.current;
        EXPECT_EQ(collection.isDirectory(), stepping);
        EXPECT_EQ(collection.neighbours(),
                  stepping ? QStringList({*step(c.forward), *step(c.backward)}) : QStringList());
    }
}

} // namespace
