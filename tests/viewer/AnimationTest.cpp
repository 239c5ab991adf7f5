#include "core/Settings.h"
#include "platform/ImageSource.h"
#include "platform/TouchBar.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/FramePlayback.h"
#include "viewer/FrameStream.h"
#include "viewer/MainToolbar.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/PlayerSlider.h"
#include "viewer/Slideshow.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerCommands.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QList<QImage> greyFrames(int count, int w = 20, int h = 10) {
    QList<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage frame(w, h, QImage::Format_RGB32);
        frame.fill(qRgb(i * 60, i * 60, i * 60));
        frames.append(frame);
    }
    return frames;
}

TEST(FrameDelay, StoredLengthAboveFiftyMillisecondsElseTheDefault) {
    using K = AnimationPlayer::Kind;
    auto gif = [](double unclamped, double delay) {
        return QVariantMap{{QStringLiteral("{GIF}"),
                            QVariantMap{{QStringLiteral("UnclampedDelayTime"), unclamped},
                                        {QStringLiteral("DelayTime"), delay}}}};
    };
    EXPECT_EQ(AnimationPlayer::delayFromProperties(gif(0, 0), K::Gif), 100);
    EXPECT_EQ(AnimationPlayer::delayFromProperties(gif(0.07, 0.1), K::Gif), 70);
    EXPECT_EQ(AnimationPlayer::delayFromProperties(gif(0, 0.2), K::Gif), 200) << "unclamped 0 falls back";
    EXPECT_EQ(AnimationPlayer::delayFromProperties(gif(0.05, 0), K::Gif), 100) << "50 ms is not above";
    EXPECT_EQ(AnimationPlayer::delayFromProperties(gif(-1, 0), K::Gif), 100);
    EXPECT_EQ(AnimationPlayer::delayFromProperties(QVariantMap(), K::Png), 50);
    EXPECT_EQ(AnimationPlayer::delayFromProperties(gif(0.5, 0), K::Png), 50)
        << "a PNG reads its own dictionary";
    EXPECT_EQ(AnimationPlayer::delayValue(nullptr, 0, K::Gif), 1);
}

TEST(FrameDelay, EachFormatReadsItsOwnDictionaryWithItsOwnDefault) {
    using K = AnimationPlayer::Kind;
    auto in = [](const char* group, double unclamped) {
        return QVariantMap{{QLatin1String(group), QVariantMap{{QStringLiteral("UnclampedDelayTime"), unclamped},
                                                              {QStringLiteral("DelayTime"), 0.1}}}};
    };
    EXPECT_EQ(AnimationPlayer::delayFromProperties(in("{WebP}", 0.12), K::Webp), 120);
    EXPECT_EQ(AnimationPlayer::delayFromProperties(in("{WebP}", 0.03), K::Webp), 100) << "GIF's default";
    EXPECT_EQ(AnimationPlayer::delayFromProperties(in("{AVIS}", 0.04), K::Avif), 50) << "PNG's default";
    EXPECT_EQ(AnimationPlayer::delayFromProperties(in("{JXL}", 0.25), K::Jxl), 250);
    EXPECT_EQ(AnimationPlayer::delayFromProperties(in("{WebP}", 0.25), K::Jxl), 50) << "not another's dictionary";

    // GIF and PNG play by their name; the others by what their decoder
    // found, so that a collection of AVIF stills steps instead of playing.
    using A = AnimationPlayer;
    EXPECT_EQ(A::animatedKind(QStringLiteral("GIF"), QStringLiteral("public.png")), K::Gif);
    EXPECT_EQ(A::animatedKind(QStringLiteral("webp"), QStringLiteral("org.webmproject.webp")), K::Webp);
    EXPECT_EQ(A::animatedKind(QStringLiteral("avifs"), QStringLiteral("public.avis")), K::Avif);
    EXPECT_EQ(A::animatedKind(QStringLiteral("jxl"), QStringLiteral("public.jpeg-xl")), K::Jxl);
    EXPECT_EQ(A::animatedKind(QStringLiteral("avif"), QStringLiteral("public.avif")), std::nullopt);
    EXPECT_EQ(A::animatedKind(QStringLiteral("tif"), QStringLiteral("public.tiff")), std::nullopt);
}

TEST(AnimationPlayer, PlaysInOrderLoopingAndStopsOnRequest) {
    AnimationPlayer player;
    player.setManualTicks(true);
    QSignalSpy shown(&player, &AnimationPlayer::frameShown);
    player.setFrames(AnimationPlayer::Kind::Gif, greyFrames(3), {100, 200, 300});
    player.play();
    EXPECT_EQ(player.pendingFrame(), 1);
    EXPECT_EQ(player.pendingInterval(), 100);
    QList<int> order;
    for (int i = 0; i < 5; ++i) {
        player.step();
        order.append(player.currentFrame());
    }
    EXPECT_EQ(order, QList<int>({1, 2, 0, 1, 2}));
    EXPECT_EQ(player.pendingInterval(), 300) << "each frame keeps its own delay";
    player.stop();
    player.step();
    EXPECT_EQ(player.currentFrame(), 2) << "no steps once stopped";
    player.loadFrame(7);
    EXPECT_EQ(player.currentFrame(), 2) << "beyond the list nothing happens";
}

TEST(AnimationPlayer, RealTimersKeepTheOrder) {
    AnimationPlayer player;
    QSignalSpy shown(&player, &AnimationPlayer::frameShown);
    player.setFrames(AnimationPlayer::Kind::Png, greyFrames(3), {1, 1, 1});
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 4; }, 2000));
    EXPECT_EQ(shown[0].first().toInt(), 1);
    EXPECT_EQ(shown[1].first().toInt(), 2);
    EXPECT_EQ(shown[2].first().toInt(), 0);
}

TEST(AnimationPlayer, StreamedFramesPlayLikeAList) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.gif"));
    TestImages::write(path, TestImages::animatedGif(greyFrames(4), {10, 10, 10, 10}));
    AnimationPlayer player;
    player.setManualTicks(true);
    QSignalSpy shown(&player, &AnimationPlayer::frameShown);
    player.setStream(AnimationPlayer::Kind::Gif,
                     new FrameStream([path] { return ImageSource::createWithURL(path); }, 4), 4);
    player.play();
    for (int i = 1; i <= 5; ++i) {
        player.step();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == i; }, 5000)) << i;
    }
    QList<int> order;
    for (const auto& call : shown)
        order.append(call.first().toInt());
    EXPECT_EQ(order, QList<int>({1, 2, 3, 0, 1}));
    EXPECT_EQ(qGray(shown[1][1].value<QImage>().pixel(3, 3)), 120);
    EXPECT_EQ(player.pendingInterval(), 100) << "10 cs is 100 ms";
}

class AnimatedViewer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        controller = new OrvaneWindowController;
        window.reset(controller->window());
        vc = controller->vc();
    }
    void open(const QString& path) {
        vc->startWithFile(path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !vc->isLoading(); }, 10000));
    }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
    OrvaneWindowController* controller = nullptr;
    std::unique_ptr<OrvaneWindow> window;
    ViewController* vc = nullptr;
};

// Three frames, distinct enough to tell apart.
QList<QImage> colourFrames() {
    QList<QImage> frames;
    for (const QRgb colour : {qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200)}) {
        QImage frame(40, 30, QImage::Format_RGB32);
        frame.fill(colour);
        frames.append(frame);
    }
    return frames;
}

QList<FormatFixtures::ApngFrame> apngFrames() {
    QList<FormatFixtures::ApngFrame> frames;
    for (const QImage& image : colourFrames())
        frames.append({image, QPoint(0, 0), 2, 100});
    return frames;
}

// The frame commands, through the viewer's menu as the keys reach them,
// stop playback wherever it is, also at either end, and step without
// wrapping; the slider stops it too, and play resumes from the chosen frame.
TEST_F(AnimatedViewer, EveryAnimationPlaysAndTheFrameCommandsStopItWithoutWrapping) {
    QString error;
    const QString webp = FormatFixtures::makeAnimation(QStringLiteral("webp"), path("webp"),
                                                       colourFrames(), {20, 20, 20}, &error);
    ASSERT_FALSE(webp.isEmpty()) << qPrintable(error);
    TestImages::write(path("spin.gif"), TestImages::animatedGif(greyFrames(3), {0, 0, 0}));
    TestImages::write(path("spin.png"), FormatFixtures::animatedPng(QSize(40, 30), apngFrames()));
    // The default image is no frame of the animation.
    TestImages::write(path("hidden.png"),
                      FormatFixtures::animatedPng(QSize(40, 30), apngFrames(), 0, 8, 6,
                                                  greyFrames(1, 40, 30).first()));
    const struct {
        QString file;
        int interval;
    } cases[] = {
        {path("spin.gif"), 100}, {path("spin.png"), 50}, {path("hidden.png"), 50}, {webp, 100}};
    const auto command = [this](MenuItem item) { vc->commands()->item(item)->trigger(); };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(QFileInfo(c.file).fileName()));
        open(c.file);
        EXPECT_EQ(vc->viewerState().framesCount, 3);
        EXPECT_EQ(vc->toolbar()->toolbarHeight(), MainToolbar::framesHeight);
        EXPECT_TRUE(vc->toolbar()->actionPlayStopGif->isVisibleTo(vc->toolbar()));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return vc->animation()->isPlaying() && vc->animation()->hasFrames(); }, 5000));
        EXPECT_EQ(vc->animation()->pendingInterval(), c.interval)
            << "short delays play at the default";
        if (c.file == path("hidden.png")) {
            EXPECT_EQ(vc->getCurrentImage().pixel(5, 5), qRgb(200, 30, 30))
                << "the default image is no frame";
        }
        vc->framePlayback()->playStop();
        vc->animation()->setManualTicks(true);
        for (const MenuItem item : {MenuItem::NextFrame, MenuItem::PreviousFrame}) {
            const int delta = item == MenuItem::NextFrame ? 1 : -1;
            for (int frame = 0; frame < 3; ++frame) {
                vc->framePlayback()->playStop();
                ASSERT_TRUE(vc->animation()->isPlaying());
                while (vc->animation()->currentFrame() != frame)
                    vc->animation()->step();
                command(item);
                EXPECT_FALSE(vc->animation()->isPlaying()) << "at frame " << frame;
                EXPECT_EQ(vc->viewerState().currentFrame, std::clamp(frame + delta, 0, 2))
                    << "at frame " << frame;
            }
        }
        EXPECT_EQ(vc->toolbar()->labelFrames->text(), QStringLiteral("2/3"));

        vc->framePlayback()->playStop();
        EXPECT_TRUE(vc->animation()->isPlaying());
        vc->toolbar()->frameSlider->setValue(0);
        QCoreApplication::processEvents();
        EXPECT_FALSE(vc->animation()->isPlaying());
        EXPECT_EQ(vc->viewerState().currentFrame, 0);
        vc->framePlayback()->playStop();
        EXPECT_EQ(vc->animation()->pendingFrame(), 1);
        vc->framePlayback()->playStop();
        vc->animation()->setManualTicks(false);
    }
}

TEST_F(AnimatedViewer, BrokenFrameLeavesAGap) {
    TestImages::write(path("gap.gif"), TestImages::animatedGif(greyFrames(4), {0, 0, 0, 0}, 2));
    open(path("gap.gif"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->animation()->hasFrames(); }, 5000));
    EXPECT_LT(vc->animation()->listSize(), 4);
    EXPECT_GE(vc->animation()->listSize(), 2);
}

TEST_F(AnimatedViewer, SingleFrameGifNeitherPlaysNorShowsTheButton) {
    TestImages::write(path("still.gif"), TestImages::animatedGif(greyFrames(1), {0}));
    open(path("still.gif"));
    EXPECT_EQ(vc->viewerState().framesCount, 1);
    EXPECT_FALSE(vc->animation()->isPlaying());
    EXPECT_FALSE(vc->toolbar()->actionPlayStopGif->isVisibleTo(vc->toolbar()));
    EXPECT_EQ(vc->toolbar()->toolbarHeight(), MainToolbar::stillHeight);
}

TEST_F(AnimatedViewer, MultiPageTiffStepsWithTheSliderWithoutPlaying) {
    const QString a = path("p1.png"), b = path("p2.png"), c = path("p3.png");
    TestImages::writeImage(a, greyFrames(1, 30, 20).first(), "PNG");
    TestImages::writeImage(b, greyFrames(2, 40, 20).last(), "PNG");
    TestImages::writeImage(c, greyFrames(3, 50, 20).last(), "PNG");
    ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/convert"),
                                {a, b, c, path("pages.tif")}), 0) << "ImageMagick is installed by the bootstrap";
    open(path("pages.tif"));
    EXPECT_EQ(vc->viewerState().framesCount, 3);
    EXPECT_EQ(vc->toolbar()->toolbarHeight(), MainToolbar::framesHeight);
    EXPECT_FALSE(vc->animation()->isPlaying());
    vc->toolbar()->frameSlider->setValue(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(vc->viewerState().currentFrame, 2);
    EXPECT_EQ(vc->toolbar()->labelImageResolution->text(), QStringLiteral("50px × 20px"))
        << "pages are decoded from the file, with their own size";
}

TEST_F(AnimatedViewer, SlideshowUsesTheDelayRuleAndTheViewersStepStopsIt) {
    TestImages::makeSampleFolder(dir.path());
    for (const auto& [stored, expected] : {std::pair{QVariant(), 10}, {QVariant(3), 10}, {QVariant(5), 5}}) {
        Settings().setValue(Settings::SlideshowDelay, stored);
        vc->updateUI();
        vc->playSlideshow();
        EXPECT_EQ(vc->slideshowTimer()->interval(), expected * 1000);
        vc->playSlideshow();
        EXPECT_FALSE(vc->slideshowTimer()->isRunning());
    }
    open(path("img2.gif"));
    vc->playSlideshow();
    EXPECT_EQ(controller->touchBar()->button(QStringLiteral("touchSlideshow"))->image,
              QStringLiteral("touch-slideshow-pause-Template"));
    emit vc->slideshowTimer()->tick(); // the last image wraps to the first
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vc->isLoading(); }, 5000));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("a.jpg"));
    vc->toolbar()->actionNext->click();
    EXPECT_FALSE(vc->slideshowTimer()->isRunning());
    EXPECT_EQ(controller->touchBar()->button(QStringLiteral("touchSlideshow"))->image,
              QStringLiteral("touch-slideshow-Template"));
    Settings().setValue(Settings::SlideshowDelay, QVariant());
}

} // namespace

namespace {

TEST_F(AnimatedViewer, AnimatedWebpAvifAndJpegXlPlayAtTheirStoredDelays) {
    for (const char* ext : {"webp", "avifs", "jxl"}) {
        QString error;
        const QString file = FormatFixtures::makeAnimation(QLatin1String(ext), dir.filePath(QLatin1String(ext)),
                                                           colourFrames(), {120, 70, 200}, &error);
        ASSERT_FALSE(file.isEmpty()) << qPrintable(error);
        open(file);
        EXPECT_EQ(vc->viewerState().framesCount, 3) << ext;
        EXPECT_TRUE(vc->toolbar()->actionPlayStopGif->isVisibleTo(vc->toolbar())) << ext;
        ASSERT_TRUE(QTest::qWaitFor([&] { return vc->animation()->isPlaying() && vc->animation()->hasFrames(); }, 5000))
            << ext;
        vc->animation()->setManualTicks(true);
        EXPECT_EQ(vc->animation()->pendingInterval(), 120) << ext;
        vc->animation()->step();
        EXPECT_EQ(vc->animation()->pendingInterval(), 70) << ext;
        EXPECT_EQ(vc->animation()->currentFrame(), 1) << ext;
        vc->animation()->setManualTicks(false);
        vc->framePlayback()->playStop();
    }
}

TEST_F(AnimatedViewer, FolderMixingTheNewFormatsWithJpegsStepsInNameOrder) {
    const QStringList names = {QStringLiteral("a.jpg"), QStringLiteral("b.webp"), QStringLiteral("c.AVIF"),
                               QStringLiteral("d.jxl"), QStringLiteral("e.jpeg")};
    for (const QString& name : names) {
        const QString ext = QFileInfo(name).suffix().toLower();
        QString error;
        const QString made = FormatFixtures::make(ext, dir.filePath(QStringLiteral("made-") + ext), &error);
        ASSERT_FALSE(made.isEmpty()) << qPrintable(error);
        ASSERT_TRUE(QFile::copy(made, path(qPrintable(name))));
    }
    open(path("d.jxl"));
    QStringList shown;
    for (int step = 0; step < names.size(); ++step) {
        ASSERT_EQ(vc->shownMessage(), nullptr) << qPrintable(window->windowTitle());
        shown.append(window->windowTitle());
        vc->showNextImage();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !vc->isLoading(); }, 10000));
    }
    EXPECT_EQ(shown.join(QLatin1Char(' ')).toStdString(), "d.jxl e.jpeg a.jpg b.webp c.AVIF");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("d.jxl")) << "and round again";
}

TEST_F(AnimatedViewer, NothingOfAnAnimationLeftShowsWhileTheNextItemLoads) {
    TestImages::write(path("a.gif"), TestImages::animatedGif(greyFrames(3), {0, 0, 0}));
    TestImages::writeImage(path("b.png"), greyFrames(1, 30, 20).first(), "PNG");
    open(path("a.gif"));
    ASSERT_EQ(vc->framesCount(), 3);
    vc->framePlayback()->stepBy(1);
    ASSERT_EQ(vc->currentFrame(), 1);

    vc->showNextImage();
    ASSERT_TRUE(vc->isLoading());
    EXPECT_EQ(vc->framesCount(), 0);
    EXPECT_EQ(vc->currentFrame(), 0);
    EXPECT_EQ(vc->toolbar()->toolbarHeight(), MainToolbar::stillHeight);
    EXPECT_TRUE(vc->toolbar()->labelFrames->text().isEmpty());
    EXPECT_FALSE(vc->toolbar()->actionPlayStopGif->isVisibleTo(vc->toolbar()));
    // A frame command in the meantime has nothing to act on.
    vc->framePlayback()->stepBy(1);
    vc->framePlayback()->stepBy(-1);
    EXPECT_EQ(vc->shownMessage(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vc->isLoading(); }, 10000));
    EXPECT_EQ(vc->shownMessage(), nullptr);
    EXPECT_EQ(vc->toolbar()->labelImageResolution->text(), QStringLiteral("30px × 20px"));
}

} // namespace
