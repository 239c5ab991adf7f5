#include "viewer/FolderWatch.h"
#include "platform/FolderListing.h"
#include "support/TestImages.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>

namespace {

TEST(FolderWatch, ABurstIsListedOnceAndAFolderThatCannotBeListedReportsNothing) {
    static std::atomic<int> listings = 0;
    FolderListing::setLister([](const QString& folder) {
        ++listings;
        return FolderListing::listFileSystem(folder);
    });
    QTemporaryDir dir;
    FolderWatch watch;
    QSignalSpy listed(&watch, &FolderWatch::listed);
    watch.watch(dir.path());
    // Reported as it happens, not in one batch: a change at a time.
    for (int i = 0; i < 1000; ++i) {
        TestImages::write(dir.filePath(QStringLiteral("%1.png").arg(i, 4, 10, QLatin1Char('0'))),
                          "x");
        if (i % 10 == 0)
            QCoreApplication::processEvents();
    }
    EXPECT_TRUE(listed.wait(10000));
    EXPECT_FALSE(listed.wait(FolderWatch::quietMs * 3));
    EXPECT_EQ(listings, 1);
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed.at(0).at(0).toStringList().size(), 1000);

    // The list shown is kept as it is.
    ASSERT_TRUE(dir.remove());
    EXPECT_FALSE(listed.wait(FolderWatch::quietMs * 3));
    EXPECT_EQ(listings, 2);
    FolderListing::setLister({});
}

} // namespace
