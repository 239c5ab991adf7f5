#include "app/AppDelegate.h"
#include "app/CCNPreferencesWindow.h"
#include "app/CCNPreferencesWindowController.h"
#include "app/ClipboardCheck.h"
#include "app/WelcomeWindow.h"
#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "platform/DocumentPortal.h"
#include "platform/FolderListing.h"
#include "support/TestImages.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerCommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QParallelAnimationGroup>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cerrno>
#include <gtest/gtest.h>
#include <vector>

namespace {

class AppDelegateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings().clear();
        Settings().setHideWelcomeScreen(1);
        ASSERT_TRUE(dir.isValid());
        TestImages::makeSampleFolder(dir.filePath(QStringLiteral("one")));
        TestImages::makeSampleFolder(dir.filePath(QStringLiteral("two")));
    }
    void TearDown() override {
        delegate.reset();
        FolderListing::setLister({});
        DocumentPortal::setProbe({});
        QApplication::clipboard()->clear();
        QSettings().clear();
    }
    QString path(const char* relative) const { return dir.filePath(QString::fromUtf8(relative)); }
    bool enabled(MenuItem item) const { return delegate->menuItem(item)->isEnabled(); }
    QList<OrvaneWindowController*> windows() const { return delegate->viewerWindows(); }
    QTemporaryDir dir;
    std::unique_ptr<AppDelegate> delegate = std::make_unique<AppDelegate>();
};

// Routing is DocumentRouter's; the delegate reads the window mode at launch (documents before it
// go as mode 0) and again on "updateUI".
TEST_F(AppDelegateTest, TheWindowModeIsReadAtLaunchAndOnUpdateUI) {
    Settings().setValue(Settings::WindowMode, 1);
    delegate->application({path("one/a.jpg")});
    delegate->application({path("one/b.PNG")});
    EXPECT_EQ(windows().size(), 2) << "the mode is not read until launch";
    EXPECT_FALSE(delegate->updateDetailsPanel(path("one/a.jpg"))) << "no panel until launch";
    EXPECT_FALSE(delegate->updateDetailsPanelWithData("bytes"));
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(windows().size(), 2) << "launching with documents shows only their windows";
    delegate->application({path("one/img2.gif")});
    EXPECT_EQ(windows().size(), 2);
    EXPECT_EQ(windows()[0]->openedURL(), path("one/img2.gif"));
    Settings().setValue(Settings::WindowMode, 0);
    NotificationCenter::defaultCenter().post(QStringLiteral("updateUI"));
    delegate->application({path("one/a.jpg")});
    EXPECT_EQ(windows().size(), 3);
}

TEST_F(AppDelegateTest, DisablingMenusLeavesTheClipboardItemAndAKeyViewerTakesThemBack) {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), TestImages::encode(TestImages::asymmetric(), "PNG"));
    QApplication::clipboard()->setMimeData(data);
    delegate->recheckPasteboard();
    ASSERT_TRUE(enabled(MenuItem::NewFromClipboard));
    OrvaneWindowController* viewer = delegate->newViewerWindow();
    viewer->vc()->document()->setApplications(
        QList<ApplicationInfo>{{QStringLiteral("gimp.desktop"), QStringLiteral("GIMP"), QString(),
                                QStringLiteral("/usr/share/applications/gimp.desktop")}});
    auto openWith = [this] {
        QStringList texts;
        for (const QAction* action : delegate->menuEditIn()->actions())
            texts.append(action->text() + (action->isEnabled() ? "" : " (off)"));
        return texts.join(QStringLiteral(", ")).toStdString();
    };
    viewer->updateMainMenu();
    ASSERT_EQ(openWith(), "GIMP");
    delegate->menuItem(MenuItem::Copy)->setEnabled(true);
    delegate->disableMenus();
    EXPECT_FALSE(enabled(MenuItem::Copy)) << "which items go is MenuState's";
    EXPECT_TRUE(enabled(MenuItem::NewFromClipboard));
    EXPECT_EQ(openWith(), "No applications (off)");
    // Another window took the menus in between: its "No applications" must not stick.
    viewer->windowDidBecomeKey();
    QTest::qWait(0);
    EXPECT_EQ(openWith(), "GIMP");
}

TEST_F(AppDelegateTest, TheImageCommandsComeAliveAndActOnTheWindowInFront) {
    delegate->application({path("one/a.jpg")});
    ASSERT_EQ(windows().size(), 1);
    OrvaneWindowController* viewer = windows()[0];
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->vc()->viewerState().isImageShown; }, 10000));
    viewer->present();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == viewer->window(); }));
    viewer->updateMainMenu(); // the viewer in front takes the shared menus
    EXPECT_TRUE(enabled(MenuItem::Rotate90)) << "which items come is MenuState's";
    EXPECT_FALSE(enabled(MenuItem::Deselect));
    const QSize before = viewer->vc()->getCurrentImage().size();
    delegate->menuItem(MenuItem::Rotate90)->trigger();
    EXPECT_FALSE(enabled(MenuItem::Rotate90)) << "disabled while the turn is worked out";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !viewer->vc()->isTransforming(); }, 10000));
    EXPECT_EQ(viewer->vc()->getCurrentImage().size(), before.transposed());
    EXPECT_TRUE(enabled(MenuItem::Rotate90));
    delegate->menuItem(MenuItem::SelectAll)->trigger();
    EXPECT_TRUE(viewer->vc()->hasSelection());
    EXPECT_TRUE(enabled(MenuItem::Deselect));
    delegate->menuItem(MenuItem::Deselect)->trigger();
    EXPECT_FALSE(viewer->vc()->hasSelection());
    delegate->menuItem(MenuItem::SelectionTool)->trigger();
    EXPECT_TRUE(viewer->vc()->viewerState().inSelecting);
}

// Which contents count is ClipboardCheck's, where they go the router's; the delegate asks again
// on activation and hands files and images over.
TEST_F(AppDelegateTest, ClipboardIsRecheckedOnActivationAndPastedIntoEmptyViewers) {
    QApplication::clipboard()->setText(QStringLiteral("words"));
    delegate->applicationDidBecomeActive();
    EXPECT_FALSE(enabled(MenuItem::NewFromClipboard));
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(path("two/b.PNG"))});
    QApplication::clipboard()->setMimeData(files);
    delegate->applicationDidBecomeActive();
    EXPECT_TRUE(enabled(MenuItem::NewFromClipboard));
    delegate->newFromPasteboard();
    ASSERT_EQ(windows().size(), 1);
    EXPECT_EQ(windows()[0]->openedURL(), path("two/b.PNG"));

    OrvaneWindowController* empty = delegate->newViewerWindow();
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), TestImages::encode(TestImages::asymmetric(), "PNG"));
    QApplication::clipboard()->setMimeData(data);
    delegate->newFromPasteboard();
    EXPECT_EQ(windows().size(), 2);
    EXPECT_TRUE(empty->vc()->viewerState().isData);
}

TEST_F(AppDelegateTest, AViewerComesAtLaunchAndOnReopenWithNoneVisibleAndGoesWhenClosed) {
    // Commands with no viewer in front have nothing to act on, and must not fail for it.
    for (MenuItem item : {MenuItem::NextImage, MenuItem::ActualSize}) {
        delegate->menuItem(item)->setEnabled(true);
        delegate->menuItem(item)->trigger();
    }
    EXPECT_FALSE(delegate->applicationShouldHandleReopen(true));
    EXPECT_TRUE(windows().isEmpty());
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
    ASSERT_EQ(windows().size(), 1);
    windows()[0]->window()->close();
    QTest::qWait(0);
    EXPECT_TRUE(windows().isEmpty()) << "a closed window leaves the routing";
    delegate->applicationDidFinishLaunching();
    ASSERT_EQ(windows().size(), 1);
    EXPECT_FALSE(windows()[0]->isStarted());
    EXPECT_TRUE(windows()[0]->window()->isVisible());

    EXPECT_FALSE(delegate->preferences()) << "launching does not pay for the preferences";
    delegate->menuItem(MenuItem::Preferences)->trigger();
    CCNPreferencesWindowController* preferences = delegate->preferences();
    ASSERT_TRUE(preferences && preferences->window()->isVisible());
    preferences->dismissPreferencesWindow();
    delegate->menuItem(MenuItem::Preferences)->trigger();
    EXPECT_EQ(delegate->preferences(), preferences) << "built once, then kept";
    EXPECT_TRUE(preferences->window()->isVisible());
}

TEST_F(AppDelegateTest, DocumentsArrivingWhileTheFolderChooserIsOpenWaitForIt) {
    // Neither folder may be listed, in a sandbox, so each document asks for its grant.
    FolderListing::setLister([](const QString&) -> FolderListing::Result {
        return {std::nullopt, EACCES};
    });
    DocumentPortal::setProbe([] { return true; });
    delegate->applicationDidFinishLaunching();
    QStringList asked;
    int open = 0;
    qsizetype windowsWhileAsking = -1;
    delegate->chooseFolder = [&](const QString& folder) -> std::optional<QString> {
        ++open;
        asked.append(QStringLiteral("%1 %2").arg(open).arg(folder));
        if (asked.size() == 1) {
            // Another launch hands over a document while the chooser runs its own loop.
            delegate->application({path("two/a.jpg")});
            windowsWhileAsking = windows().size();
        }
        --open;
        return std::nullopt;
    };
    delegate->application({path("one/a.jpg")});
    EXPECT_EQ(windowsWhileAsking, 1) << "the second document was not routed inside the chooser";
    QCoreApplication::processEvents();
    FolderListing::setLister({});
    // Routed once the first chooser closed, it asks in turn rather than being shown unasked.
    EXPECT_EQ(asked, QStringList(
                         {QStringLiteral("1 ") + path("one"), QStringLiteral("1 ") + path("two")}));
    QStringList shown;
    for (OrvaneWindowController* window : windows())
        shown.append(window->openedURL());
    shown.sort();
    EXPECT_EQ(shown, QStringList({path("one/a.jpg"), path("two/a.jpg")}));
}

TEST(WelcomeWindow, FadesInCentredInFrontOfTheViewerStoresTheCheckboxAndGoesOnClose) {
    QSettings().clear();
    Settings().setHideWelcomeScreen(1);
    auto* welcome = new WelcomeWindow;
    QPointer<WelcomeWindow> guard(welcome);
    EXPECT_TRUE(welcome->hideWelcomeScreenCheck->isChecked());
    EXPECT_EQ(welcome->contentOpacity(), 0.0);
    const int top = welcome->splashTop();
    welcome->showAnimated();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((welcome->geometry().center() - area.center()).manhattanLength(), 2);
    auto* viewer = new OrvaneWindowController; // the window owns its controller
    viewer->window()->show();
    QTest::qWait(0);
    QTest::qWait(0);
    EXPECT_EQ(QApplication::activeWindow(), welcome);
    delete viewer->window();
    welcome->entrance()->setCurrentTime(welcome->entrance()->duration());
    EXPECT_EQ(welcome->contentOpacity(), 1.0);
    EXPECT_GT(welcome->splashTop(), top) << "slides down into place";
    welcome->hideWelcomeScreenCheck->click();
    EXPECT_EQ(Settings().hideWelcomeScreen(), 0);
    welcome->closeWindow();
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    QSettings().clear();
}

// Local files decide by their extensions, whatever else is offered; otherwise PNG, then TIFF.
TEST(ClipboardCheck, FileURLsDecideElseTheImageDataPngBeforeTiff) {
    struct Case {
        std::vector<const char*> urls;
        std::vector<const char*> images; // offered image types, each with its name as bytes
        bool openable;
        const char* image;
    };
    const Case cases[] = {
        {{"/tmp/notes.txt"}, {}, false, nullptr},
        {{"/tmp/notes.txt", "/tmp/HOLIDAY.JPG"}, {}, true, nullptr},
        {{"/tmp/download.webp", "/tmp/phone.AVIF", "/tmp/cam.jxl"}, {}, true, nullptr},
        {{"/tmp/comics.ZIP"}, {}, true, nullptr},
        {{"/tmp/README"}, {}, false, nullptr},
        {{"/tmp/notes.txt"}, {"image/png"}, false, "image/png"},
        {{}, {}, false, nullptr},
        {{}, {"image/tiff"}, true, "image/tiff"},
        {{}, {"image/tiff", "image/png"}, true, "image/png"},
        // A browser's copied image: its address beside the pixels, and no file.
        {{"https://example.org/cat.jpg"}, {}, false, nullptr},
        {{"https://example.org/cat.jpg"}, {"image/png"}, true, "image/png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.urls.empty() ? "no files" : c.urls.front());
        QMimeData data;
        data.setText(QStringLiteral("just words"));
        QList<QUrl> urls;
        for (const char* url : c.urls)
            urls.append(url[0] == '/' ? QUrl::fromLocalFile(QString::fromUtf8(url)) : QUrl(url));
        if (!urls.isEmpty())
            data.setUrls(urls);
        for (const char* type : c.images)
            data.setData(QString::fromLatin1(type), type);
        EXPECT_EQ(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()), c.openable);
        EXPECT_EQ(ClipboardCheck::imageData(&data).value_or(QByteArray()), QByteArray(c.image));
    }
}

// Offers an image the way another application's clipboard does: the bytes
// are fetched only when asked for, and every fetch is counted.
class LazyImageData : public QMimeData {
  public:
    mutable int imageFetches = 0;
    QStringList formats() const override { return {QStringLiteral("image/png")}; }

  protected:
    QVariant retrieveData(const QString& mime, QMetaType type) const override {
        if (mime == QLatin1String("image/png")) {
            ++imageFetches;
            return QByteArray(1 << 20, 'x');
        }
        return QMimeData::retrieveData(mime, type);
    }
};

TEST(ClipboardCheck, CheckingLooksAtTheOfferedTypesWithoutFetchingTheImage) {
    LazyImageData data;
    EXPECT_TRUE(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()));
    EXPECT_EQ(data.imageFetches, 0);
    EXPECT_EQ(ClipboardCheck::imageData(&data)->size(), 1 << 20) << "importing fetches it";
    EXPECT_EQ(data.imageFetches, 1);
}

} // namespace
