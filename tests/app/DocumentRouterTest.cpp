#include "app/DocumentRouter.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct FakeWindow : RoutableWindow {
    bool started = false;
    QString shown;
    QStringList files;
    QList<QByteArray> data;
    int presented = 0;

    bool isStarted() const override { return started; }
    QString openedURL() const override { return shown; }
    void startWithFile(const QString& path) override {
        started = true;
        shown = path;
        files.append(path);
    }
    void startWithData(const QByteArray& bytes) override {
        started = true;
        data.append(bytes);
    }
    void present() override { ++presented; }
};

class DocumentRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* folder : {"one", "two"})
            QDir(dir.path()).mkpath(QString::fromLatin1(folder));
    }
    QString path(const char* relative) const { return dir.filePath(QString::fromLatin1(relative)); }
    FakeWindow* existing() {
        owned.push_back(std::make_unique<FakeWindow>());
        return owned.back().get();
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<FakeWindow>> owned;
    QList<FakeWindow*> made;
    QStringList recent;
    DocumentRouter router{[this]() -> RoutableWindow* {
                              FakeWindow* w = existing();
                              made.append(w);
                              return w;
                          },
                          [this](const QString& p) { recent.append(p); }};
};

TEST_F(DocumentRouterTest, SameFolderGoesToItsWindowOnlyInWindowModeOne) {
    FakeWindow* showing = existing();
    showing->startWithFile(path("one/a.jpg"));
    FakeWindow* idle = existing();

    router.route({path("one/b.jpg")}, {showing, idle}, 1);
    EXPECT_EQ(showing->shown, path("one/b.jpg"));
    EXPECT_FALSE(idle->started);

    router.route({path("one/c.jpg")}, {showing, idle}, 0);
    EXPECT_EQ(idle->shown, path("one/c.jpg")) << "mode 0 prefers the idle window";
    EXPECT_EQ(showing->shown, path("one/b.jpg"));
    EXPECT_TRUE(made.isEmpty());
    EXPECT_EQ(recent, QStringList({path("one/b.jpg"), path("one/c.jpg")}));
}

TEST_F(DocumentRouterTest, AFolderMatchesTheWindowShowingAnImageInIt) {
    FakeWindow* showing = existing();
    showing->startWithFile(path("two/x.png"));
    router.route({path("two")}, {showing}, 1);
    EXPECT_EQ(showing->files.size(), 2);
    EXPECT_TRUE(made.isEmpty());
}

TEST_F(DocumentRouterTest, OtherFolderFallsBackToIdleThenNewWindow) {
    FakeWindow* showing = existing();
    showing->startWithFile(path("one/a.jpg"));
    router.route({path("two/b.jpg")}, {showing}, 1);
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0]->shown, path("two/b.jpg"));
    EXPECT_EQ(made[0]->presented, 1);
}

TEST_F(DocumentRouterTest, OneIdleWindowTakesTheFirstFileAndEachFurtherFileGetsANewWindow) {
    FakeWindow* idle = existing();
    router.route({path("one/a.jpg"), path("one/b.jpg"), path("one/c.jpg")}, {idle}, 0);
    EXPECT_EQ(idle->files, QStringList({path("one/a.jpg")}));
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(made[0]->files, QStringList({path("one/b.jpg")}));
    EXPECT_EQ(made[1]->files, QStringList({path("one/c.jpg")}));
}

TEST_F(DocumentRouterTest, WindowsMadeDuringABatchAreNotCandidatesForItsLaterPaths) {
    // In mode 1, the window made for the first file shows folder "one", yet the
    // second file of the same folder gets a window of its own: the window list
    // was taken before the batch.
    router.route({path("one/a.jpg"), path("one/b.jpg")}, {}, 1);
    ASSERT_EQ(made.size(), 2);
    // The next batch sees both and joins the first one showing the folder.
    router.route({path("one/c.jpg")}, {made[0], made[1]}, 1);
    EXPECT_EQ(made.size(), 2);
    EXPECT_EQ(made[0]->shown, path("one/c.jpg"));
}

TEST_F(DocumentRouterTest, ClipboardFilesGoToEveryIdleWindowIgnoringTheMode) {
    FakeWindow* showing = existing();
    showing->startWithFile(path("one/a.jpg"));
    FakeWindow* idle1 = existing();
    FakeWindow* idle2 = existing();
    router.routeFromPasteboard({path("one/b.jpg")}, {showing, idle1, idle2});
    EXPECT_EQ(idle1->shown, path("one/b.jpg"));
    EXPECT_EQ(idle2->shown, path("one/b.jpg"));
    EXPECT_EQ(showing->files.size(), 1);
    router.routeFromPasteboard({path("one/c.jpg")}, {showing, idle1, idle2});
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0]->shown, path("one/c.jpg"));
}

TEST_F(DocumentRouterTest, PastedImageLoadsIntoBothEmptyWindowsAndIsNotRecent) {
    FakeWindow* idle1 = existing();
    FakeWindow* idle2 = existing();
    router.routeData("png-bytes", {idle1, idle2});
    EXPECT_EQ(idle1->data.size(), 1);
    EXPECT_EQ(idle2->data.size(), 1);
    EXPECT_TRUE(made.isEmpty());
    EXPECT_TRUE(recent.isEmpty());
    router.routeData("more", {idle1, idle2});
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0]->data.size(), 1);
}

} // namespace

namespace {

// A window that is a QObject, as the real ones are, so the router can see it go.
struct ClosingWindow : QObject, FakeWindow {
    std::function<void()> onStart;
    void startWithFile(const QString& path) override {
        FakeWindow::startWithFile(path);
        if (onStart)
            onStart();
    }
};

TEST_F(DocumentRouterTest, AWindowClosedWhileADocumentStartsIsSkipped) {
    // Starting a document can run the folder chooser's event loop, in which
    // the user may close another window of the batch.
    auto* first = new ClosingWindow;
    auto* second = new ClosingWindow;
    first->onStart = [&second] {
        delete second;
        second = nullptr;
    };
    router.route({path("one/a.jpg"), path("two/b.jpg")}, {first, second}, 0);
    EXPECT_EQ(first->files, QStringList({path("one/a.jpg")}));
    ASSERT_EQ(made.size(), 1) << "the closed idle window was not used";
    EXPECT_EQ(made.first()->files, QStringList({path("two/b.jpg")}));

    // The window given the document may go too: it is not presented.
    auto* closing = new ClosingWindow;
    closing->onStart = [closing] { delete closing; };
    router.route({path("one/c.jpg")}, {closing}, 0);
    EXPECT_EQ(recent.last(), path("one/c.jpg"));
    delete first;
}

} // namespace
