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

// The listing rules are the archive's own; here, what the window makes of them.
class ArchiveViewer : public ViewerWindowTest {
  protected:
    QString write(const char* name, const QByteArray& bytes) {
        TestImages::write(path(name), bytes);
        return path(name);
    }
    QString message() const {
        return vc->shownMessage() ? vc->shownMessage()->description : QString();
    }
};

TEST_F(ArchiveViewer, EntriesStepByFileNameAndSketchesShowTheirPreview) {
    ZipBuilder zip;
    zip.add("b/2.png", png(20, 10));
    zip.add("a/1.png", png(10, 10));
    zip.add("c/design.sketch", sketch(true));
    zip.add("d/plain.sketch", sketch(false));
    ASSERT_TRUE(open(write("photos.zip", zip.bytes())));
    EXPECT_TRUE(vc->viewerState().isZip);
    EXPECT_EQ(vc->viewerState().openedURL, QStringLiteral("a/1.png"));
    EXPECT_FALSE(vc->viewerState().imageData.isEmpty()) << "the entry's bytes are kept";
    const QList<QAction*> openWith = vc->commands()->openWithMenu()->actions();
    ASSERT_EQ(openWith.size(), 1);
    EXPECT_EQ(openWith[0]->text(), QStringLiteral("No applications"));
    // A sketch without a preview is a file the viewer cannot open; then round to the start.
    // The title carries the entry's folder, told apart from the archive.
    const char* steps[][2] = {{"b/2.png — photos.zip", "20px × 10px"},
                              {"c/design.sketch — photos.zip", "33px × 22px"},
                              {"d/plain.sketch — photos.zip", nullptr},
                              {"a/1.png — photos.zip", "10px × 10px"}};
    for (const auto& [title, size] : steps) {
        vc->showNextImage();
        ASSERT_TRUE(settle());
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(title));
        if (size)
            EXPECT_EQ(resolution(), QString::fromUtf8(size));
        else
            EXPECT_EQ(message(), QStringLiteral("Unable to open this image file."));
    }
    EXPECT_EQ(vc->toolbar()->labelFileName->text(), QStringLiteral("1.png"));
    ASSERT_TRUE(open(write("design.sketch", sketch(true))));
    EXPECT_EQ(resolution(), QStringLiteral("33px × 22px")) << "on disk too";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("design.sketch"));
}

TEST_F(ArchiveViewer, DamagedImagelessAndUnreadableArchivesSaySo) {
    ZipBuilder text, crc;
    text.add("readme.txt", "no pictures here");
    // A file of the entry's name sits in the working folder; the damaged
    // entry must not show it instead.
    write("x.png", png(44, 44));
    crc.add("x.png", png(12, 12)).crc = 0x12345678;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const std::pair<QString, const char*> cases[] = {
        {write("damaged.zip", "PK\x03\x04 this is not really an archive"),
         "Unable to open this archive."},
        {write("text.zip", text.bytes()), "No supported images in this archive."},
        {write("crc.zip", crc.bytes()), "Unable to open this image file."}};
    for (const auto& [file, description] : cases) {
        ASSERT_TRUE(open(file));
        EXPECT_EQ(message().toStdString(), description) << file.toStdString();
        EXPECT_FALSE(vc->isFileLoaded());
    }
    QDir::setCurrent(before);
}

} // namespace
