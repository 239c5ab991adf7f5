#include "app/DocumentRouter.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
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

// Per case: what each window shows ("-" idle), the paths, then what each window and after them
// each new one was given ("#" for pasted bytes). Every start is presented; each file is recent.
TEST_F(DocumentRouterTest, EachDocumentGoesToItsFoldersWindowAnIdleOneOrANewOne) {
    enum Via { Mode0, Mode1, Clipboard, Data };
    const std::tuple<Via, const char*, const char*, const char*> cases[] = {
        {Mode1, "one/a.jpg -", "one/b.jpg", "one/b.jpg -"}, // the window showing the folder
        {Mode0, "one/a.jpg -", "one/c.jpg", "- one/c.jpg"}, // an idle window
        {Mode1, "two/x.png", "two", "two"},                 // a folder: its image's window
        {Mode1, "one/a.jpg", "two/b.jpg", "- two/b.jpg"},   // no idle window: a new one
        {Mode0, "-", "one/a.jpg one/b.jpg one/c.jpg", "one/a.jpg one/b.jpg one/c.jpg"},
        // No window made during a batch is a candidate for its later paths.
        {Mode1, "", "one/a.jpg one/b.jpg", "one/a.jpg one/b.jpg"},
        {Mode1, "one/a.jpg one/b.jpg", "one/c.jpg", "one/c.jpg -"}, // the first of the folder
        {Clipboard, "one/a.jpg - -", "one/b.jpg", "- one/b.jpg one/b.jpg"}, // every idle one
        {Clipboard, "one/a.jpg", "one/c.jpg", "- one/c.jpg"},
        {Data, "- -", "png", "#png #png"},
        {Data, "one/a.jpg", "png", "- #png"},
    };
    auto words = [](const char* text) {
        return QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts);
    };
    for (const auto& [via, showing, paths, given] : cases) {
        SCOPED_TRACE(given);
        owned.clear();
        recent.clear();
        QList<RoutableWindow*> windows;
        for (const QString& shown : words(showing)) {
            windows.append(existing());
            owned.back()->started = shown != QLatin1String("-");
            owned.back()->shown = owned.back()->started ? dir.filePath(shown) : QString();
        }
        QStringList files;
        for (const QString& p : words(paths))
            files.append(dir.filePath(p));
        if (via == Data)
            router.routeData(paths, windows);
        else if (via == Clipboard)
            router.routeFromPasteboard(files, windows);
        else
            router.route(files, windows, via == Mode1 ? 1 : 0);
        QStringList got;
        qsizetype started = 0;
        for (const auto& w : owned) {
            got.append(!w->data.isEmpty()   ? QLatin1Char('#') + QString::fromLatin1(w->data.join())
                       : w->files.isEmpty() ? QStringLiteral("-")
                                            : w->files.join(' ').mid(dir.path().size() + 1));
            EXPECT_EQ(w->presented, w->files.size() + w->data.size());
            started += w->files.size();
        }
        EXPECT_EQ(got, words(given));
        EXPECT_EQ(recent.size(), started);
    }
}

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
