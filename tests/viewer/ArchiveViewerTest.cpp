#include "support/ViewerWindowTest.h"
#include "support/ZipBuilder.h"
#include "viewer/ViewerCommands.h"

#include <QDir>
#include <QMenu>

namespace {

QByteArray png(int w, int h) {
    return TestImages::encode(TestImages::asymmetric(w, h), "PNG");
}

QByteArray sketch(bool withPreview) {
    ZipBuilder inner;
    inner.add("Data/document.json", "{}");
    if (withPreview)
        inner.add("previews/preview.png", png(33, 22));
    return inner.bytes();
}

class ArchiveViewer : public ViewerWindowTest {
protected:
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        TestImages::write(path, bytes);
        return path;
    }
    void open(const QString& path) { ASSERT_TRUE(ViewerWindowTest::open(path)); }
};

TEST_F(ArchiveViewer, EntriesAcrossFoldersAreSteppedByFileName) {
    ZipBuilder zip;
    zip.add("b/2.png", png(20, 10));
    zip.add("a/1.png", png(10, 10));
    zip.add("c/10.png", png(30, 10));
    zip.add("__MACOSX/a/._1.png", "resource fork");
    zip.add("inner.zip", ZipBuilder().bytes());
    zip.add("notes.txt", "words");
    open(write("photos.zip", zip.bytes()));
    EXPECT_TRUE(vc->viewerState().isZip);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("1.png"));
    EXPECT_EQ(vc->viewerState().openedURL, QStringLiteral("a/1.png"));
    EXPECT_EQ(resolution(), QStringLiteral("10px × 10px"));
    EXPECT_FALSE(vc->viewerState().imageData.isEmpty()) << "the entry's bytes are kept";
    vc->showNextImage();
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("10.png"));
    vc->showPreviousImage();
    vc->showPreviousImage();
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("2.png"));
    EXPECT_EQ(resolution(), QStringLiteral("20px × 10px"));
    const QList<QAction*> openWith = vc->commands()->openWithMenu()->actions();
    ASSERT_EQ(openWith.size(), 1);
    EXPECT_EQ(openWith[0]->text(), QStringLiteral("No applications"));
}

TEST_F(ArchiveViewer, DamagedAndImagelessArchivesSaySo) {
    open(write("damaged.zip", "PK\x03\x04 this is not really an archive"));
    ASSERT_TRUE(vc->shownMessage());
    EXPECT_EQ(vc->shownMessage()->description, QStringLiteral("Unable to open this archive."));
    EXPECT_FALSE(vc->isFileLoaded());
    ZipBuilder text;
    text.add("readme.txt", "no pictures here");
    open(write("text.zip", text.bytes()));
    ASSERT_TRUE(vc->shownMessage());
    EXPECT_EQ(vc->shownMessage()->description, QStringLiteral("No supported images in this archive."));
}

TEST_F(ArchiveViewer, SketchDocumentsShowTheirPreviewOnDiskAndInsideAnArchive) {
    open(write("design.sketch", sketch(true)));
    EXPECT_EQ(resolution(), QStringLiteral("33px × 22px"));
    ZipBuilder zip;
    zip.add("work/design.sketch", sketch(true));
    zip.add("work/plain.sketch", sketch(false));
    open(write("sketches.zip", zip.bytes()));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("design.sketch"));
    EXPECT_EQ(resolution(), QStringLiteral("33px × 22px"));
    vc->showNextImage();
    ASSERT_TRUE(settle());
    ASSERT_TRUE(vc->shownMessage());
    EXPECT_EQ(vc->shownMessage()->title, QStringLiteral("Can't open"));
    EXPECT_EQ(vc->shownMessage()->description, QStringLiteral("Unable to open this image file."));
}

TEST_F(ArchiveViewer, AnUnreadableEntryNeverFallsBackToAFileOnDisk) {
    // A file of the entry's name sits in the working folder; a damaged entry
    // must not show it instead.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    write("x.png", png(44, 44));
    ZipBuilder zip;
    zip.add("x.png", png(12, 12)).crc = 0x12345678;
    open(write("crc.zip", zip.bytes()));
    QDir::setCurrent(before);
    ASSERT_TRUE(vc->shownMessage());
    EXPECT_EQ(vc->shownMessage()->title, QStringLiteral("Can't open"));
    EXPECT_NE(resolution(), QStringLiteral("44px × 44px"));
}

} // namespace
