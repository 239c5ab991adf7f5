#include "viewer/ViewerDocument.h"
#include "platform/Cancellation.h"
#include "platform/ImageSource.h"
#include "support/TestImages.h"
#include "viewer/FramePlayback.h"
#include "viewer/FrameStream.h"
#include "viewer/Prefetcher.h"

#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

// A decoder whose frames come from a function, so that each test decides
// how long a decode takes and what it sees.
class FakeSource : public ImageSource {
  public:
    FakeSource(int frames, const char* kind, std::function<QImage(int)> decode)
        : frames(frames), kind(QString::fromLatin1(kind)), decode(std::move(decode)) {}
    int count() const override { return frames; }
    QImage imageAtIndex(int index) override { return decode(index); }
    QVariantMap propertiesAtIndex(int) override { return {}; }
    QVariantMap properties() override { return {}; }
    QString type() const override { return kind; }

  private:
    int frames;
    QString kind;
    std::function<QImage(int)> decode;
};

// How the slow decodes ended.
struct DecodeLog {
    std::atomic<int> started{0};
    std::atomic<int> completed{0};
    std::atomic<int> cancelled{0};
};

// A decode of `steps` times 5 ms that, like a scanline loop, looks at the
// cancellation flag between steps.
ImageLoader::SourceMaker slowSources(DecodeLog* log, int steps) {
    return [log, steps](const QString& path) {
        return std::make_unique<FakeSource>(1, "public.png", [log, steps, path](int) {
            ++log->started;
            for (int i = 0; i < steps; ++i) {
                if (Cancellation::requested()) {
                    ++log->cancelled;
                    return QImage();
                }
                QThread::msleep(5);
            }
            ++log->completed;
            QImage image(8, 8, QImage::Format_RGB32);
            image.fill(Qt::red);
            image.setText(QStringLiteral("path"), path);
            return image;
        });
    };
}

class ViewerDocumentTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QStringList makeFolder(int count) {
        QStringList files;
        for (int i = 0; i < count; ++i) {
            files.append(dir.filePath(QStringLiteral("img%1.png").arg(i, 2, 10, QChar(u'0'))));
            TestImages::writeImage(files.last(), TestImages::asymmetric(8, 8), "PNG");
        }
        return files;
    }
    QTemporaryDir dir;
};

TEST_F(ViewerDocumentTest, FastSteppingCancelsStaleDecodesAndShowsTheLastRequestFirst) {
    const QStringList files = makeFolder(12);
    DecodeLog log;
    ViewerDocument document;
    // Half a second a decode unless cancelled.
    document.loader()->setSourceMaker(slowSources(&log, 100));
    QSignalSpy ready(&document, &ViewerDocument::itemReady);
    document.startWithFile(files.first());
    // A held arrow key: each step's load runs before the next key arrives.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        document.showNextImage();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ready.isEmpty(); }, 20000));
    const auto item = ready.first().first().value<LoadedItem>();
    EXPECT_EQ(item.path, files.at(10)) << "the image stopped on is the first one delivered";
    EXPECT_EQ(document.state(), ViewerDocument::State::Shown);
    EXPECT_EQ(log.completed.load(), 1) << "no stale decode ran to its end";
    EXPECT_EQ(log.started.load(), log.cancelled.load() + 1);
    QTest::qWait(50);
    EXPECT_EQ(ready.size(), 1);
}

TEST_F(ViewerDocumentTest, StepsComingFasterThanAFirstLookGetNone) {
    QStringList files;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
        files.append(dir.filePath(QString::fromLatin1(name)));
        TestImages::writeImage(files.last(), TestImages::asymmetric(64, 48), "JPEG");
    }
    ViewerDocument document;
    document.setPreviewBound([] { return QSize(16, 16); });
    // A full decode slow enough that each first look comes before it.
    DecodeLog log;
    document.loader()->setSourceMaker(slowSources(&log, 8));
    QSignalSpy looks(&document, &ViewerDocument::firstLookReady);
    QSignalSpy ready(&document, &ViewerDocument::itemReady);
    document.startWithFile(files[0]);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.size() == 1; }, 10000));
    EXPECT_EQ(looks.size(), 1) << "a photo larger than the screen is first shown reduced";
    // A held key: the next step follows at once.
    document.showNextImage();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.size() == 2; }, 10000));
    EXPECT_EQ(looks.size(), 1) << "no first look to compete with the full image";
    QTest::qWait(ViewerDocument::rapidStepMs + 30);
    // Away from the neighbours decoded ahead meanwhile.
    document.showLastImage();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.size() == 3; }, 10000));
    EXPECT_EQ(looks.size(), 2) << "a step after a pause gets its first look again";
}

// The applications for a file are looked up off the main thread, after the
// decode; a new item drops the previous one's state before it loads.
TEST_F(ViewerDocumentTest, ApplicationsComeAfterTheDecodeAndANewItemDropsThePreviousState) {
    const QStringList files = makeFolder(2);
    TestImages::write(files[0],
                      TestImages::animatedGif(
                          {TestImages::asymmetric(8, 8), TestImages::asymmetric(8, 8)}, {0, 0}));
    ViewerDocument document;
    QSignalSpy ready(&document, &ViewerDocument::itemReady);
    QSignalSpy found(&document, &ViewerDocument::applicationsChanged);
    document.startWithFile(files[0]);
    EXPECT_FALSE(document.applications()) << "nothing read on the caller's thread";
    ASSERT_TRUE(ready.wait(10000));
    ASSERT_TRUE(found.count() > 0 || found.wait(10000));
    EXPECT_TRUE(document.applications());
    ASSERT_EQ(document.framesCount(), 2);
    document.showNextImage();
    EXPECT_EQ(document.state(), ViewerDocument::State::Loading);
    EXPECT_EQ(document.framesCount(), 0) << "no frames of the image being left";
    EXPECT_TRUE(document.decodeFrame(1).isNull()) << "nor its decoder";
    EXPECT_TRUE(document.image().isNull());
    EXPECT_FALSE(document.applications());
}

TEST_F(ViewerDocumentTest, AFifoNamedLikeAnArchiveOrAPhotoFailsAtOnce) {
    const QByteArray fifoZip = QFile::encodeName(dir.filePath(QStringLiteral("pipe.zip")));
    const QByteArray fifoJpeg = QFile::encodeName(dir.filePath(QStringLiteral("pipe.jpg")));
    ASSERT_EQ(mkfifo(fifoZip.constData(), 0600), 0);
    ASSERT_EQ(mkfifo(fifoJpeg.constData(), 0600), 0);
    ViewerDocument document;
    QSignalSpy failed(&document, &ViewerDocument::listFailed);
    document.startWithFile(QFile::decodeName(fifoZip));
    ASSERT_EQ(failed.size(), 1) << "no archive is read from a pipe";
    EXPECT_EQ(failed.first().first().value<ViewerMessage::Situation>(),
              ViewerMessage::ArchiveCannotOpen);

    // Large enough a bound that a first look would be asked for too.
    document.setPreviewBound([] { return QSize(1, 1); });
    QSignalSpy ready(&document, &ViewerDocument::itemReady);
    document.startWithFile(QFile::decodeName(fifoJpeg));
    ASSERT_TRUE(ready.wait(10000));
    EXPECT_EQ(document.state(), ViewerDocument::State::Failed);
}

// A loader that holds its decode until released, and says when it ran.
struct Gate {
    QSemaphore entered;
    QSemaphore open;
    std::atomic<bool> finished{false};
    void hold() {
        entered.release();
        open.acquire();
        finished = true;
    }
};

LoadedItem colouredItem(const QString& path, QColor colour) {
    LoadedItem item;
    item.path = path;
    item.image = QImage(4, 4, QImage::Format_RGB32);
    item.image.fill(colour);
    item.fullSize = item.image.size();
    return item;
}

TEST(PrefetcherArchives, TwoArchivesWithTheSameEntryNamesNeverMix) {
    const QString entry = QStringLiteral("pics/1.png");
    Prefetcher prefetcher;
    QSignalSpy ready(&prefetcher, &Prefetcher::ready);
    prefetcher.prefetch(
        QString(), {entry}, [](const QString& p) { return colouredItem(p, Qt::red); },
        QStringLiteral("/tmp/first.zip"));
    ASSERT_TRUE(ready.wait(10000));
    EXPECT_FALSE(prefetcher.cached(entry, QStringLiteral("/tmp/second.zip")))
        << "an entry of one archive is not another archive's";

    // In flight when the first archive is left: its result must not land.
    auto gate = std::make_shared<Gate>();
    prefetcher.clear();
    prefetcher.prefetch(
        QString(), {entry},
        [gate](const QString& p) { return gate->hold(), colouredItem(p, Qt::red); },
        QStringLiteral("/tmp/first.zip"));
    ASSERT_TRUE(gate->entered.tryAcquire(1, 10000));
    prefetcher.clear();
    prefetcher.prefetch(
        QString(), {entry}, [](const QString& p) { return colouredItem(p, Qt::blue); },
        QStringLiteral("/tmp/second.zip"));
    gate->open.release();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return prefetcher.cached(entry, QStringLiteral("/tmp/second.zip")).has_value(); },
        10000));
    QTest::qWait(50);
    EXPECT_EQ(prefetcher.cached(entry, QStringLiteral("/tmp/second.zip"))->image.pixelColor(0, 0),
              QColor(Qt::blue));
    EXPECT_FALSE(prefetcher.cached(entry, QStringLiteral("/tmp/first.zip")));
}

// Each holds a decode on a worker until released, later, from another thread:
// a destructor that waited would be seen.
TEST(ClosingWithoutWaiting, APrefetcherOrFrameStreamGoesWhileItsDecodeStillRuns) {
    const std::function<std::shared_ptr<QObject>(std::shared_ptr<Gate>)> owners[] = {
        [&](std::shared_ptr<Gate> gate) {
            auto prefetcher = std::make_shared<Prefetcher>();
            prefetcher->prefetch(QString(), {QStringLiteral("x.png")}, [gate](const QString& p) {
                return gate->hold(), colouredItem(p, Qt::red);
            });
            return prefetcher;
        },
        [&](std::shared_ptr<Gate> gate) {
            auto stream = std::make_shared<FrameStream>(
                [gate]() -> std::unique_ptr<ImageSource> { return gate->hold(), nullptr; }, 4);
            stream->frame(1);
            return stream;
        }};
    for (const auto& make : owners) {
        auto gate = std::make_shared<Gate>();
        std::shared_ptr<QObject> owner = make(gate);
        ASSERT_TRUE(gate->entered.tryAcquire(1, 10000));
        std::thread([gate] {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            gate->open.release();
        }).detach();
        owner.reset();
        EXPECT_FALSE(gate->finished) << "the owner waited for its decode";
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate->finished.load(); }, 10000));
    }
}

QImage frameOf(int index) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor(index * 60, 0, 0));
    return image;
}

TEST(FramePlayback, StepsAndStopsWhileTheFramesAreDecodedAreKeptWhenTheyArrive) {
    auto gate = std::make_shared<Gate>();
    FramePlayback playback;
    QSignalSpy shown(&playback, &FramePlayback::frameShown);
    // Frames that keep their decode waiting until the test lets it go.
    const auto gated = [gate] {
        return std::make_unique<FakeSource>(4, "com.compuserve.gif", [gate](int index) {
            if (index == 0)
                gate->hold();
            return frameOf(index);
        });
    };
    playback.setItem(4, true, AnimationPlayer::Kind::Gif, frameOf(0), gated, frameOf);
    EXPECT_TRUE(playback.isPlaying()) << "an animation starts playing";
    ASSERT_TRUE(gate->entered.tryAcquire(1, 10000));

    playback.stepBy(1);
    playback.stepBy(1);
    EXPECT_EQ(playback.currentFrame(), 2);
    EXPECT_FALSE(playback.isPlaying()) << "a frame step stops playback";
    playback.playStop();
    EXPECT_TRUE(playback.isPlaying()) << "play is taken while the frames are decoded";
    playback.playStop();
    EXPECT_FALSE(playback.isPlaying());

    gate->open.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.player()->hasFrames(); }, 10000));
    EXPECT_EQ(playback.currentFrame(), 2) << "the frames' arrival keeps the frame the user chose";
    EXPECT_FALSE(playback.player()->isPlaying()) << "and does not restart playback";

    playback.player()->setManualTicks(true);
    playback.playStop();
    EXPECT_TRUE(playback.player()->isPlaying());
    EXPECT_EQ(playback.player()->pendingFrame(), 3) << "play resumes after the frame shown";
}

} // namespace
