#include "viewer/FolderWatch.h"
#include "platform/FolderListing.h"
#include "support/TestImages.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// Every listing counted, made by the file system itself.
struct CountedListings {
    CountedListings() {
        FolderListing::setLister([this](const QString& folder) {
            ++count;
            return FolderListing::listFileSystem(folder);
        });
    }
    ~CountedListings() { FolderListing::setLister({}); }
    std::atomic<int> count{0};
};

TEST(FolderWatch, ABurstIsListedOnceAndAFolderGoneOrNoLongerWatchedReportsNothing) {
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("shown"));
    const QString other = root.filePath(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(other));
    CountedListings listings;
    FolderWatch watch;
    QSignalSpy listed(&watch, &FolderWatch::listed);
    watch.watch(folder);

    for (int i = 0; i < 1000; ++i)
        TestImages::write(folder + QStringLiteral("/%1.png").arg(i, 4, 10, QLatin1Char('0')), "x");
    TestImages::write(folder + QStringLiteral("/notes.txt"), "x");
    ASSERT_TRUE(listed.wait(10000));
    QTest::qWait(FolderWatch::quietMs * 3);
    EXPECT_EQ(listings.count, 1);
    ASSERT_EQ(listed.size(), 1);
    const QStringList images = listed.at(0).at(0).toStringList();
    ASSERT_EQ(images.size(), 1000);
    EXPECT_EQ(images.first(), folder + QStringLiteral("/0000.png"));

    // A folder that cannot be listed any more leaves the list shown as it is.
    listed.clear();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(listed.wait(FolderWatch::quietMs * 4));

    // Another folder shown, then the window gone: neither reports again.
    watch.watch(other);
    watch.stop();
    TestImages::write(other + QStringLiteral("/a.png"), "x");
    EXPECT_FALSE(listed.wait(FolderWatch::quietMs * 4));
    EXPECT_TRUE(watch.folder().isEmpty());
}

} // namespace
