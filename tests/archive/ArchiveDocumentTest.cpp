#include "viewer/ArchiveDocument.h"
#include "support/TestImages.h"
#include "support/ZipBuilder.h"

#include <QTemporaryDir>
#include <QtConcurrent>
#include <gtest/gtest.h>

namespace {

class ArchiveDocumentTest : public ::testing::Test {
  protected:
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(TestImages::write(path, bytes));
        return path;
    }
    static QByteArray sketch(const QByteArray& preview) {
        ZipBuilder zip;
        zip.add("Data/document.json", "{}");
        if (!preview.isEmpty())
            zip.add("previews/preview.png", preview);
        return zip.bytes();
    }

    QTemporaryDir dir;
    const QByteArray png = TestImages::encode(TestImages::asymmetric(), "PNG");
};

TEST_F(ArchiveDocumentTest, ListsImagesByFileNameAcrossFolders) {
    ZipBuilder zip;
    zip.add("z/b.png", "b");
    zip.add("a/c.JPG", "c");
    zip.add("m/a.gif", "a");
    zip.add("readme.txt");
    zip.add("more.zip", ZipBuilder().bytes("x"));
    zip.add("__MACOSX/m/._a.gif", "fork");
    const ArchiveDocument archive(write("photos.zip", zip.bytes()));
    EXPECT_EQ(archive.outcome(), ArchiveDocument::Outcome::Opened);
    EXPECT_EQ(archive.imageFiles(),
              QStringList({QStringLiteral("m/a.gif"), QStringLiteral("z/b.png"),
                           QStringLiteral("a/c.JPG")}));
    EXPECT_EQ(archive.contentsOfEntry(QStringLiteral("a/c.JPG")), QByteArray("c"));
    EXPECT_EQ(archive.imageDataForEntry(QStringLiteral("z/b.png")), QByteArray("b"));
    EXPECT_FALSE(archive.contentsOfEntry(QStringLiteral("z")));

    EXPECT_TRUE(ArchiveDocument::isArchive(QStringLiteral("/x/Photos.ZIP")));
    EXPECT_FALSE(ArchiveDocument::isArchive(QStringLiteral("/x/photos.zip.png")));
}

TEST_F(ArchiveDocumentTest, DamagedArchivesCannotBeOpenedAndOnesWithoutImagesSaySo) {
    const ArchiveDocument garbage(write("damaged.zip", "PK\3\4 and then nothing"));
    EXPECT_EQ(garbage.outcome(), ArchiveDocument::Outcome::CannotOpen);
    EXPECT_EQ(garbage.error().code(), 2);
    EXPECT_TRUE(garbage.imageFiles().isEmpty());
    EXPECT_FALSE(garbage.contentsOfEntry(QStringLiteral("a.png")));

    // The reader opens this one, but reports the first entry's bad checksum.
    ZipBuilder crc;
    crc.add("a.png", "tiny").crc = 7;
    crc.add("b.png", "fine");
    EXPECT_EQ(ArchiveDocument(write("crc.zip", crc.bytes())).outcome(),
              ArchiveDocument::Outcome::CannotOpen);
    ZipBuilder docs;
    docs.add("notes.txt", "text");
    docs.add("inner.zip", ZipBuilder().bytes("x"));
    docs.add("__MACOSX/._cover.png", "fork");
    EXPECT_EQ(ArchiveDocument(write("docs.zip", docs.bytes())).outcome(),
              ArchiveDocument::Outcome::NoImages);
}

// On disk or inside an archive (through a nested reader), a sketch shows its preview.
TEST_F(ArchiveDocumentTest, SketchShowsItsPreviewOnDiskAndInsideAnArchive) {
    EXPECT_EQ(ArchiveDocument::sketchPreviewAtPath(write("design.sketch", sketch(png))), png);
    EXPECT_FALSE(ArchiveDocument::sketchPreviewAtPath(write("empty.sketch", sketch(QByteArray()))));
    EXPECT_FALSE(ArchiveDocument::sketchPreviewAtPath(write("fake.sketch", png)));
    EXPECT_TRUE(ArchiveDocument::isSketch(QStringLiteral("a/Design.SKETCH")));

    ZipBuilder zip;
    zip.add("b/design.sketch", sketch(png));
    zip.add("a/bare.sketch", sketch(QByteArray()));
    const ArchiveDocument archive(write("designs.zip", zip.bytes()));
    ASSERT_EQ(archive.outcome(), ArchiveDocument::Outcome::Opened);
    EXPECT_EQ(archive.imageFiles(),
              QStringList({QStringLiteral("a/bare.sketch"), QStringLiteral("b/design.sketch")}));
    EXPECT_EQ(archive.imageDataForEntry(QStringLiteral("b/design.sketch")), png);
    EXPECT_FALSE(archive.imageDataForEntry(QStringLiteral("a/bare.sketch")));
}

TEST_F(ArchiveDocumentTest, EntriesCanBeReadFromSeveralThreadsAtOnce) {
    ZipBuilder zip;
    QList<int> reads;
    for (int i = 0; i < 128; ++i) {
        if (i < 16)
            zip.add("img" + QByteArray::number(i) + ".png", QByteArray(40000 + i, char('a' + i)));
        reads.append(i % 16);
    }
    const ArchiveDocument archive(write("many.zip", zip.bytes()));
    const QList<bool> good = QtConcurrent::blockingMapped(reads, [&archive](int i) {
        return archive.contentsOfEntry(QStringLiteral("img%1.png").arg(i)) ==
               QByteArray(40000 + i, char('a' + i));
    });
    EXPECT_EQ(good.count(true), reads.size());
}

} // namespace
