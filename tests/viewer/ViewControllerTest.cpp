#include "menus/RTSpinKitView.h"
#include "support/ViewerWindowTest.h"
#include "viewer/DNSImageView.h"
#include "viewer/ViewerCommands.h"

#include <QFile>
#include <QMenu>
#include <QToolButton>

namespace {

using ViewControllerTest = ViewerWindowTest;

// The stepping itself is the collection's and the end-to-end script's.
TEST_F(ViewControllerTest, ANewWindowInvitesADropAFolderOpensItsFirstImageAndAFileItsPlace) {
    EXPECT_FALSE(vc->viewerState().isStarted);
    ASSERT_TRUE(vc->shownMessage());
    EXPECT_EQ(vc->shownMessage()->title, QStringLiteral("Drop your image here"));
    EXPECT_TRUE(OrvaneWindow::isViewerWindow(window));

    ASSERT_TRUE(open(dir.path()));
    EXPECT_TRUE(vc->viewerState().isStarted);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("a.jpg"));
    EXPECT_EQ(resolution(), QStringLiteral("30px × 40px"));
    EXPECT_EQ(vc->viewerState().openedURL, path("a.jpg"));
    EXPECT_FALSE(vc->shownMessage());
    EXPECT_TRUE(vc->toolbar()->actionNext->isEnabled());
    const auto position = [this] { return vc->toolbar()->labelPosition->text(); };
    EXPECT_EQ(position(), QStringLiteral("1 / 4 · 100 %")) << "a small image at actual size";
    ASSERT_TRUE(open(path("img10.gif")));
    EXPECT_EQ(vc->document()->imageFiles().fileNumber(), 2u);
    EXPECT_EQ(position(), QStringLiteral("3 / 4")) << "a file that fails has no zoom";
    ASSERT_TRUE(open(path("b.PNG")));
    EXPECT_EQ(position(), QStringLiteral("2 / 4 · 100 %"));
    vc->zoomIn();
    EXPECT_TRUE(QTest::qWaitFor([&] { return position() != QStringLiteral("2 / 4 · 100 %"); }))
        << "the zoom follows";

    // The only image of its folder: nothing to step to.
    QTemporaryDir single;
    const QString only = single.filePath(QStringLiteral("only.png"));
    TestImages::writeImage(only, TestImages::asymmetric(), "PNG");
    ASSERT_TRUE(open(only));
    EXPECT_TRUE(vc->isFileLoaded());
    EXPECT_FALSE(vc->viewerState().isDirectory);
    for (QToolButton* b :
         {vc->toolbar()->actionNext, vc->toolbar()->actionPrevious, vc->toolbar()->actionPlay})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_FALSE(vc->commands()->item(MenuItem::NextImage)->isEnabled());
    EXPECT_TRUE(vc->commands()->item(MenuItem::GetInfo)->isEnabled());
}

// The rule for a new listing is the collection's; here the window follows the folder.
TEST_F(ViewControllerTest, FilesAddedToOrRemovedFromTheFolderShownJoinOrLeaveTheSteps) {
    ASSERT_TRUE(open(path("img2.gif")));
    ASSERT_TRUE(TestImages::write(path("zz.png"), "x") && QFile::remove(path("a.jpg")));
    const auto listed = [this](const char* name) {
        return vc->document()->imageFiles().entries().contains(path(name));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed("zz.png") && !listed("a.jpg"); }, 9000));
    for (const char* name : {"zz.png", "b.PNG"}) {
        vc->showNextImage();
        EXPECT_EQ(vc->viewerState().openedURL, path(name));
    }
    for (const char* name : {"img10.gif", "img2.gif", "zz.png"})
        QFile::remove(path(name));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !vc->toolbar()->actionNext->isEnabled(); }, 9000));
    EXPECT_FALSE(vc->commands()->item(MenuItem::NextImage)->isEnabled());
}

TEST_F(ViewControllerTest, UndecodableFilesSayWhyAndKeepTheListAndTheSpinnerGoes) {
    TestImages::write(path("broken.jpg"), TestImages::damagedJpeg());
    TestImages::write(path("words.png"), "this is text, not a picture");
    // Its header promises more than the screen holds: a first look is made.
    const QByteArray whole = TestImages::encode(TestImages::asymmetric(2400, 1600), "JPEG");
    TestImages::write(path("cut.jpg"), whole.left(whole.size() / 2));
    TestImages::writeImage(path("large.png"), TestImages::asymmetric(1200, 900), "PNG");
    // The spinner turns only while loading; a zoom mode set from elsewhere
    // than the menu moves the menu's check mark too.
    vc->startWithFile(path("large.png"));
    EXPECT_TRUE(vc->loadingSpinner()->isVisibleTo(vc));
    ASSERT_TRUE(settle());
    EXPECT_FALSE(vc->loadingSpinner()->isVisibleTo(vc));
    vc->setActualSize();
    EXPECT_TRUE(vc->commands()->item(MenuItem::ActualSize)->isChecked());
    EXPECT_FALSE(vc->commands()->item(MenuItem::FitToScreen)->isChecked());
    // Each says what went wrong; the reasons themselves are told apart below the viewer.
    const std::pair<const char*, ViewerMessage::Situation> failures[] = {
        {"broken.jpg", ViewerMessage::CannotDecode},
        {"words.png", ViewerMessage::NotAnImage},
        {"missing.jpg", ViewerMessage::FileNotFound},
    };
    for (const auto& [name, situation] : failures) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(open(path("large.png")));
        ASSERT_GT(window->width(), 400);
        ASSERT_TRUE(open(path(name)));
        ASSERT_TRUE(vc->shownMessage());
        EXPECT_EQ(window->size(), QSize(400, 400)) << "the message's own size";
        const ViewerMessage expected = ViewerMessage::forSituation(situation);
        EXPECT_EQ(vc->shownMessage()->title, expected.title);
        EXPECT_EQ(vc->shownMessage()->description, expected.description);
        EXPECT_EQ(vc->shownMessage()->picture, QStringLiteral("FailedToOpen"));
        EXPECT_EQ(vc->viewerState().imageWidth, 400);
        EXPECT_EQ(vc->viewerState().imageHeight, 400);
        EXPECT_FALSE(vc->isFileLoaded());
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(name));
    }
    // A truncated file shows what decoded, and says so; its first look failed.
    ASSERT_TRUE(open(path("cut.jpg")));
    EXPECT_FALSE(vc->shownMessage());
    EXPECT_EQ(resolution(), QStringLiteral("2400px × 1600px — damaged (partial)"));

    ASSERT_TRUE(open(path("words.png")));
    vc->showNextImage();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(vc->isFileLoaded()) << "stepping on from a failure works";

    QTemporaryDir empty;
    TestImages::write(empty.filePath(QStringLiteral("notes.txt")), "text");
    ASSERT_TRUE(open(empty.path()));
    ASSERT_TRUE(vc->shownMessage());
    EXPECT_EQ(vc->shownMessage()->description,
              QStringLiteral("No supported image files in this folder."));
    EXPECT_FALSE(vc->isFileLoaded()) << "the previous folder's image is not left behind";
    EXPECT_FALSE(vc->viewerState().isDirectory);
}

TEST_F(ViewControllerTest, ClipboardBytesShowAsClipboardWithoutSteppingOrApplications) {
    vc->startWithData(TestImages::encode(TestImages::asymmetric(12, 8), "PNG"));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(vc->viewerState().isData);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Clipboard"));
    EXPECT_EQ(resolution(), QStringLiteral("12px × 8px"));
    EXPECT_FALSE(vc->viewerState().isDirectory);
    EXPECT_FALSE(vc->toolbar()->actionNext->isEnabled());
    vc->showNextImage();
    EXPECT_FALSE(vc->isLoading());
    const QList<QAction*> items = vc->commands()->openWithMenu()->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), QStringLiteral("No applications"));
    EXPECT_FALSE(items[0]->isEnabled());

    vc->startWithData("definitely not an image");
    ASSERT_TRUE(settle());
    ASSERT_TRUE(vc->shownMessage());
    EXPECT_EQ(vc->shownMessage()->title, QStringLiteral("Not an image"));
}

// The window fills only what an opaque image leaves open; a hole in that
// reasoning would show whatever the screen held before.
TEST_F(ViewControllerTest, TheWindowPaintsEveryPixelAroundAndBeneathTheImage) {
    QImage seeThrough(200, 100, QImage::Format_ARGB32);
    seeThrough.fill(Qt::transparent);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            seeThrough.setPixelColor(x, y, Qt::blue);
    const QColor background(24, 24, 26);
    const struct {
        QImage image;
        QColor left, right;
    } cases[] = {{filled(200, 100, Qt::red), Qt::red, Qt::red},
                 {seeThrough, background, Qt::blue}}; // the window shows through the left half
    for (const auto& c : cases) {
        ASSERT_TRUE(openImage(c.image, c.left == Qt::red ? "opaque.png" : "see-through.png"));
        QImage shown(window->size(), QImage::Format_RGB32);
        shown.fill(Qt::magenta);
        window->render(&shown);
        const QRect image = vc->imageView()->imageRect().toRect().translated(
            vc->imageView()->mapTo(window, QPoint(0, 0)));
        ASSERT_FALSE(image.isEmpty());
        const int y = image.center().y();
        EXPECT_EQ(shown.pixelColor(image.left() - 3, y), background) << "left of the image";
        EXPECT_EQ(shown.pixelColor(image.right() + 3, y), background) << "right of it";
        EXPECT_EQ(shown.pixelColor(image.left() + 3, y), c.left);
        EXPECT_EQ(shown.pixelColor(image.right() - 3, y), c.right);
        for (int x = 0; x < shown.width(); ++x)
            ASSERT_NE(shown.pixelColor(x, y), QColor(Qt::magenta)) << "unpainted at " << x;
    }
}

} // namespace
