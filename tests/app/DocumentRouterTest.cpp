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

// Each window: what it shows ("" idle); then what each window, and after them each new one, was
// given ("#" for pasted bytes), and every start is presented and, for a file, made recent.
TEST_F(DocumentRouterTest, EachDocumentGoesToItsFoldersWindowAnIdleOneOrANewOne) {
    enum Via { Mode0, Mode1, Clipboard, Data };
    struct Case {
        const char* rule;
        QStringList showing;
        Via via;
        QStringList paths;
        QStringList given;
    };
    const Case cases[] = {
        {"mode 1: the window showing the folder",
         {"one/a.jpg", ""},
         Mode1,
         {"one/b.jpg"},
         {"one/b.jpg", ""}},
        {"mode 0: an idle window", {"one/a.jpg", ""}, Mode0, {"one/c.jpg"}, {"", "one/c.jpg"}},
        {"a folder joins the window showing an image in it",
         {"two/x.png"},
         Mode1,
         {"two"},
         {"two"}},
        {"another folder: no idle window, a new one",
         {"one/a.jpg"},
         Mode1,
         {"two/b.jpg"},
         {"", "two/b.jpg"}},
        {"one idle window takes the first, each further file a new one",
         {""},
         Mode0,
         {"one/a.jpg", "one/b.jpg", "one/c.jpg"},
         {"one/a.jpg", "one/b.jpg", "one/c.jpg"}},
        {"windows made in a batch are no candidates for its later paths",
         {},
         Mode1,
         {"one/a.jpg", "one/b.jpg"},
         {"one/a.jpg", "one/b.jpg"}},
        {"the first window showing the folder",
         {"one/a.jpg", "one/b.jpg"},
         Mode1,
         {"one/c.jpg"},
         {"one/c.jpg", ""}},
        {"clipboard files: every idle window, whatever the mode",
         {"one/a.jpg", "", ""},
         Clipboard,
         {"one/b.jpg"},
         {"", "one/b.jpg", "one/b.jpg"}},
        {"clipboard files: no idle window, a new one",
         {"one/a.jpg"},
         Clipboard,
         {"one/c.jpg"},
         {"", "one/c.jpg"}},
        {"a pasted image: every idle window", {"", ""}, Data, {"png"}, {"#png", "#png"}},
        {"a pasted image: no idle window, a new one", {"one/a.jpg"}, Data, {"png"}, {"", "#png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        owned.clear();
        made.clear();
        recent.clear();
        QList<RoutableWindow*> windows;
        for (const QString& shown : c.showing) {
            FakeWindow* w = existing();
            w->started = !shown.isEmpty();
            w->shown = shown.isEmpty() ? QString() : dir.filePath(shown);
            windows.append(w);
        }
        QStringList paths;
        for (const QString& p : c.paths)
            paths.append(dir.filePath(p));
        if (c.via == Data)
            router.routeData(c.paths[0].toLatin1(), windows);
        else if (c.via == Clipboard)
            router.routeFromPasteboard(paths, windows);
        else
            router.route(paths, windows, c.via == Mode1 ? 1 : 0);
        QStringList given;
        qsizetype files = 0;
        for (const auto& w : owned) {
            QStringList got;
            for (const QString& f : w->files)
                got.append(QDir(dir.path()).relativeFilePath(f));
            for (const QByteArray& bytes : w->data)
                got.append(QLatin1Char('#') + QString::fromLatin1(bytes));
            given.append(got.join(QLatin1Char('+')));
            EXPECT_EQ(w->presented, got.size());
            files += w->files.size();
        }
        EXPECT_EQ(given, c.given);
        EXPECT_EQ(recent.size(), files);
    }
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
