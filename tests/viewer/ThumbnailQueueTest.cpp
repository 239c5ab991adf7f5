#include "viewer/ThumbnailQueue.h"
#include "support/TestImages.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <atomic>
#include <gtest/gtest.h>

namespace {

using Direction = ThumbnailQueue::Direction;

TEST(ThumbnailQueue, VisibleFirstThenAheadInTheScrollThenBehind) {
    const auto range = [](qsizetype from, qsizetype to) {
        QList<qsizetype> list;
        for (qsizetype i = from; from <= to ? i <= to : i >= to; from <= to ? ++i : --i)
            list.append(i);
        return list;
    };
    const struct {
        qsizetype first, last;
        Direction direction;
        qsizetype count;
        QList<qsizetype> order;
    } cases[] = {
        {0, 1, Direction::Forward, 10, range(0, 7)},
        {4, 5, Direction::Forward, 20, range(4, 11) + range(3, 2)},
        {4, 5, Direction::Backward, 20, range(4, 5) + range(3, 0) + range(6, 7)},
        {8, 9, Direction::Forward, 10, range(8, 9) + range(7, 6)},
        {8, 12, Direction::Forward, 10, range(8, 9) + range(7, 6)}, // past the end
        {3, 1, Direction::Forward, 10, {}},
        {0, 3, Direction::Forward, 0, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ThumbnailQueue::order(c.first, c.last, c.direction, c.count), c.order)
            << c.first << ".." << c.last;
}

// A decoder that holds each request until the test lets it go, or until it
// is cancelled, and notes what it was asked for and how many ran at once.
struct SlowMaker {
    QMutex lock;
    QStringList asked;
    QSemaphore gate;
    std::atomic<int> running{0}, most{0}, stoppedEarly{0};

    ThumbnailQueue::Maker maker() {
        return [this](const QString& path, const ThumbnailMaker::Reader&, int pixels) {
            const int now = ++running;
            most = std::max(most.load(), now);
            {
                QMutexLocker locker(&lock);
                asked.append(path);
            }
            ThumbnailMaker::Result result;
            while (!gate.tryAcquire(1, 5)) {
                if (Cancellation::requested()) {
                    ++stoppedEarly;
                    --running;
                    return result;
                }
            }
            result.image = QImage(pixels, pixels / 2, QImage::Format_RGB32);
            result.image.fill(Qt::gray);
            --running;
            return result;
        };
    }
    qsizetype askedCount() {
        QMutexLocker locker(&lock);
        return asked.size();
    }
    QStringList askedSince(qsizetype from) {
        QMutexLocker locker(&lock);
        return asked.mid(from);
    }
};

// Runs the event loop until `done` holds; a deadlock ends as a failure.
template <typename Done> bool until(Done done) {
    return QTest::qWaitFor(done, 60000);
}

class ThumbnailQueueRun : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < 100; ++i)
            names.append(QString("entry%1.png").arg(i, 3, 10, QLatin1Char('0')));
        queue.setMaker(slow.maker());
        queue.setArchive(names, [](const QString&) { return std::optional<QByteArray>(); });
    }
    void TearDown() override {
        slow.gate.release(1000);
        until([&] { return queue.inFlight() == 0; });
    }
    QStringList paths(std::initializer_list<int> indexes) const {
        QStringList list;
        for (int i : indexes)
            list.append(names[i]);
        return list;
    }
    static QStringList sorted(QStringList list) {
        list.sort();
        return list;
    }

    QStringList names;
    SlowMaker slow;
    ThumbnailQueue queue;
};

TEST_F(ThumbnailQueueRun, TwoAtATimeInTheOrderWanted) {
    QSignalSpy ready(&queue, &ThumbnailQueue::thumbnailReady);
    queue.setVisible(10, 13, Direction::Forward);
    ASSERT_TRUE(until([&] { return slow.askedCount() == 2; }));
    EXPECT_EQ(sorted(slow.askedSince(0)), paths({10, 11}));
    // Each one let go makes room for exactly the next.
    for (int next : {12, 13, 14, 15}) {
        const qsizetype before = slow.askedCount();
        slow.gate.release();
        ASSERT_TRUE(until([&] { return slow.askedCount() == before + 1; }));
        EXPECT_EQ(slow.askedSince(before), paths({next}));
    }
    EXPECT_EQ(slow.most.load(), 2);
    ASSERT_TRUE(until([&] { return ready.size() == 4; }));
    const QList<QVariant> first = ready.first();
    EXPECT_GE(first[0].value<qsizetype>(), 10);
    EXPECT_EQ(first[1].toString(), names[first[0].value<qsizetype>()]);
    EXPECT_FALSE(first[3].toBool());
    ASSERT_TRUE(queue.tile(first[0].value<qsizetype>()).has_value());
    EXPECT_EQ(queue.tile(first[0].value<qsizetype>())->image.size(), QSize(128, 64));
}

TEST_F(ThumbnailQueueRun, AScrollAwayCancelsWhatLeftTheWindowAndDropsItsTiles) {
    QSignalSpy ready(&queue, &ThumbnailQueue::thumbnailReady);
    queue.setVisible(0, 3, Direction::Forward);
    ASSERT_TRUE(until([&] { return slow.askedCount() == 2; }));
    slow.gate.release(); // one of the two arrives
    ASSERT_TRUE(until([&] { return ready.size() == 1; }));
    EXPECT_EQ(queue.heldCount(), 1);
    ASSERT_TRUE(until([&] { return slow.askedCount() == 3; }));

    // Both still running are far outside the new window: they stop early,
    // and what they would have made is never delivered.
    const qsizetype before = slow.askedCount();
    queue.setVisible(60, 63, Direction::Forward);
    EXPECT_EQ(queue.heldCount(), 0);
    ASSERT_TRUE(until([&] { return slow.askedCount() == before + 2; }));
    EXPECT_EQ(sorted(slow.askedSince(before)), paths({60, 61}));
    EXPECT_EQ(slow.stoppedEarly.load(), 2);
    EXPECT_LE(slow.most.load(), 2);
    slow.gate.release(2);
    ASSERT_TRUE(until([&] { return ready.size() == 3; }));
    for (qsizetype i = 1; i < ready.size(); ++i)
        EXPECT_GE(ready[i][0].value<qsizetype>(), 60);
}

// Files are looked up in the cache first and stored there once made, the
// lookup on a worker too; archive entries never reach the disk.
TEST(ThumbnailQueueCache, FilesGoThroughTheDiskCacheArchiveEntriesStayInMemory) {
    QTemporaryDir folder;
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files.append(folder.filePath(QString("p%1.png").arg(i)));
        ASSERT_TRUE(TestImages::writeImage(files.last(), TestImages::noise(300, 150), "png"));
    }
    TestImages::write(folder.filePath("broken.png"), "not a picture");
    files.append(folder.filePath("broken.png"));
    const ThumbnailCache cache(folder.filePath("cache"));
    std::atomic<int> made{0};
    const auto counting = [&](const QString& path, const ThumbnailMaker::Reader& read, int pixels) {
        ++made;
        return ThumbnailMaker::ofItem(path, read, pixels);
    };
    const auto run = [&](ThumbnailQueue& queue, qsizetype count) {
        QSignalSpy ready(&queue, &ThumbnailQueue::thumbnailReady);
        queue.setVisible(0, count - 1, Direction::Forward);
        return until([&] { return ready.size() == count; });
    };
    {
        ThumbnailQueue queue;
        queue.setCache(cache);
        queue.setMaker(counting);
        queue.setPixels(200);
        queue.setFolder(files);
        ASSERT_TRUE(run(queue, files.size()));
        EXPECT_EQ(made.load(), 4);
        EXPECT_EQ(queue.tile(0)->image.size(), QSize(200, 100));
        EXPECT_TRUE(queue.tile(3)->failed);
    }
    EXPECT_EQ(QDir(cache.root() + "/large").entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(QFile::exists(cache.failureFileFor(files[3])));
    {
        // A second grid over the folder makes nothing: every answer is kept.
        ThumbnailQueue queue;
        queue.setCache(cache);
        queue.setMaker(counting);
        queue.setPixels(200);
        queue.setFolder(files);
        ASSERT_TRUE(run(queue, files.size()));
        EXPECT_EQ(made.load(), 4);
        EXPECT_EQ(queue.tile(1)->image.size(), QSize(200, 100));
        EXPECT_TRUE(queue.tile(3)->failed);
    }
    QDir(cache.root()).removeRecursively();
    {
        ThumbnailQueue queue;
        queue.setCache(cache);
        queue.setArchive({"a.png", "b.png"}, [&](const QString&) {
            return std::optional<QByteArray>(TestImages::read(files[0]));
        });
        ASSERT_TRUE(run(queue, 2));
        EXPECT_EQ(queue.tile(1)->image.size(), QSize(128, 64));
    }
    EXPECT_FALSE(QDir(cache.root()).exists());
}

} // namespace
