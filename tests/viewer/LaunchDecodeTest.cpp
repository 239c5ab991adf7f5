#include "viewer/LaunchDecode.h"
#include "platform/ImageSource.h"
#include "support/TestImages.h"
#include "viewer/ViewerDocument.h"

#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Counts the decoders a maker opens, and can hold them until released.
struct Maker {
    std::atomic<int> made{0};
    QSemaphore* gate = nullptr;
    ImageLoader::SourceMaker function() {
        return [this](const QString& path) {
            if (gate)
                gate->acquire();
            ++made;
            return ImageSource::createWithURL(path);
        };
    }
};

class LaunchDecodeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("photo.jpg"));
        ASSERT_TRUE(TestImages::writeImage(path, TestImages::asymmetric(64, 48), "JPEG"));
    }
    void TearDown() override { LaunchDecode::discard(); }

    // Opens the file as the first window does; the item shown.
    LoadedItem open(Maker& loaderMaker) {
        ViewerDocument document;
        document.loader()->setSourceMaker(loaderMaker.function());
        QSignalSpy ready(&document, &ViewerDocument::itemReady);
        document.startWithFile(path);
        if (!QTest::qWaitFor([&] { return !ready.isEmpty(); }, 10000))
            return LoadedItem();
        return ready.first().first().value<LoadedItem>();
    }

    QTemporaryDir dir;
    QString path;
};

TEST_F(LaunchDecodeTest, TheFirstWindowTakesOverTheDecodeStartedAtLaunch) {
    // Finished before the window exists: the result waits for it.
    Maker early, loader;
    ASSERT_TRUE(LaunchDecode::start(path, early.function()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return early.made == 1; }, 5000));
    QTest::qWait(100);
    const LoadedItem item = open(loader);
    EXPECT_EQ(item.image.size(), QSize(64, 48));
    EXPECT_EQ(loader.made, 0) << "the file is not decoded twice";

    // Still decoding when the window asks: the result follows it there.
    QSemaphore gate;
    Maker held;
    held.gate = &gate;
    ASSERT_TRUE(LaunchDecode::start(path, held.function()));
    Maker second;
    ViewerDocument document;
    document.loader()->setSourceMaker(second.function());
    QSignalSpy ready(&document, &ViewerDocument::itemReady);
    document.startWithFile(path);
    QTest::qWait(50);
    EXPECT_TRUE(ready.isEmpty());
    gate.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ready.isEmpty(); }, 10000));
    EXPECT_EQ(ready.first().first().value<LoadedItem>().image.size(), QSize(64, 48));
    EXPECT_EQ(second.made, 0);
}

TEST_F(LaunchDecodeTest, AFileChangedSinceTheLaunchIsDecodedAgain) {
    // Another size of file.
    Maker early, loader;
    ASSERT_TRUE(LaunchDecode::start(path, early.function()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return early.made == 1; }, 5000));
    ASSERT_TRUE(TestImages::writeImage(path, TestImages::asymmetric(32, 24), "JPEG"));
    EXPECT_EQ(open(loader).image.size(), QSize(32, 24));
    EXPECT_EQ(loader.made, 1);

    // The same bytes, touched: only the modification time differs.
    Maker again, touched;
    ASSERT_TRUE(LaunchDecode::start(path, again.function()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.made == 1; }, 5000));
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    EXPECT_EQ(open(touched).image.size(), QSize(32, 24));
    EXPECT_EQ(touched.made, 1);
}

TEST_F(LaunchDecodeTest, PathsHandedToAnotherInstanceAreNotDecodedHere) {
    QSemaphore gate;
    Maker early;
    early.gate = &gate;
    const std::shared_ptr<LaunchDecode> started = LaunchDecode::start(path, early.function());
    ASSERT_TRUE(started);
    LaunchDecode::discard();
    gate.release();
    EXPECT_EQ(LaunchDecode::take(path), nullptr);
    // Should the file still be opened here, it is decoded as any other.
    Maker loader;
    EXPECT_EQ(open(loader).image.size(), QSize(64, 48));
    EXPECT_EQ(loader.made, 1);

    // Nothing at all for what is not a regular file, and nothing for a window
    // that opens another file first.
    EXPECT_EQ(LaunchDecode::start(dir.path()), nullptr);
    ASSERT_TRUE(LaunchDecode::start(path));
    EXPECT_EQ(LaunchDecode::take(dir.filePath(QStringLiteral("other.jpg"))), nullptr);
    EXPECT_EQ(LaunchDecode::take(path), nullptr) << "only the first item opened could use it";
}

} // namespace
