#include "core/Settings.h"
#include "platform/ImageSource.h"
#include "platform/TouchBar.h"
#include "support/FormatFixtures.h"
#include "support/ViewerWindowTest.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/FrameStream.h"
#include "viewer/PlayerSlider.h"
#include "viewer/Slideshow.h"
#include "viewer/ViewerCommands.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QToolButton>

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

// GIF and PNG play by their name; the others by what their decoder found, so
// that a collection of AVIF stills steps instead of playing.
TEST(AnimationPlayer, AnimatedKindByNameOrByTheDecodersType) {
    using K = AnimationPlayer::Kind;
    const struct {
        const char* ext;
        const char* type;
        std::optional<K> kind;
    } cases[] = {{"GIF", "public.png", K::Gif},         {"webp", "org.webmproject.webp", K::Webp},
                 {"avifs", "public.avis", K::Avif},     {"jxl", "public.jpeg-xl", K::Jxl},
                 {"avif", "public.avif", std::nullopt}, {"tif", "public.tiff", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(AnimationPlayer::animatedKind(QLatin1String(c.ext), QLatin1String(c.type)),
                  c.kind)
            << c.ext;
}

// Frames play at their stored length when it is above 50 ms, else at the
// format's default; each format reads only its own dictionary.
TEST(AnimationPlayer, DelayIsTheStoredLengthAboveFiftyMillisecondsElseTheDefault) {
    using K = AnimationPlayer::Kind;
    const struct {
        const char* group;
        double unclamped, delay;
        K kind;
        int ms;
    } cases[] = {{"{GIF}", 0, 0, K::Gif, 100},        {"{GIF}", 0.07, 0.1, K::Gif, 70},
                 {"{GIF}", 0, 0.2, K::Gif, 200},      {"{GIF}", 0.05, 0, K::Gif, 100},
                 {"{GIF}", -1, 0, K::Gif, 100},       {"{GIF}", 0.5, 0, K::Png, 50},
                 {"{WebP}", 0.03, 0.1, K::Webp, 100}, {"{AVIS}", 0.04, 0.1, K::Avif, 50},
                 {"{JXL}", 0.25, 0.1, K::Jxl, 250},   {"{WebP}", 0.25, 0.1, K::Jxl, 50}};
    for (const auto& c : cases) {
        const QVariantMap properties{
            {QLatin1String(c.group),
             QVariantMap{{QStringLiteral("UnclampedDelayTime"), c.unclamped},
                         {QStringLiteral("DelayTime"), c.delay}}}};
        EXPECT_EQ(AnimationPlayer::delayFromProperties(properties, c.kind), c.ms)
            << c.group << " " << c.unclamped << " " << c.delay;
    }
    EXPECT_EQ(AnimationPlayer::delayValue(nullptr, 0, K::Gif), 1);
}

TEST(AnimationPlayer, PlaysInOrderLoopingAndStopsOnRequestWithManualOrRealTicks) {
    AnimationPlayer player;
    player.setManualTicks(true);
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

    // Real timers keep the order.
    player.setFrames(AnimationPlayer::Kind::Png, greyFrames(3), {1, 1, 1});
    player.setManualTicks(false);
    QSignalSpy shown(&player, &AnimationPlayer::frameShown);
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 3; }, 2000));
    EXPECT_EQ(shown[0].first().toInt(), 1);
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

using AnimatedViewer = ViewerWindowTest;

// Three frames, distinct enough to tell apart.
QList<QImage> colourFrames() {
    QList<QImage> frames;
    for (const QRgb colour : {qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200)})
        frames.append(ViewerWindowTest::filled(40, 30, colour));
    return frames;
}

// Every animated format plays at its frames' delays (or the default for none);
// the frame commands, through the viewer's menu as the keys reach them, stop
// playback wherever it is, also at either end, and step without wrapping; the
// slider stops it too, and play resumes from the chosen frame.
TEST_F(AnimatedViewer, EveryAnimationPlaysAndTheFrameCommandsStopItWithoutWrapping) {
    QList<FormatFixtures::ApngFrame> apng;
    for (const QImage& image : colourFrames())
        apng.append({image, QPoint(0, 0), 2, 100});
    TestImages::write(path("spin.gif"), TestImages::animatedGif(greyFrames(3), {0, 0, 0}));
    TestImages::write(path("spin.png"), FormatFixtures::animatedPng(QSize(40, 30), apng));
    // The default image is no frame of the animation.
    TestImages::write(
        path("hidden.png"),
        FormatFixtures::animatedPng(QSize(40, 30), apng, 0, 8, 6, greyFrames(1, 40, 30).first()));
    struct Case {
        QString file;
        int first, second;
    };
    QList<Case> cases = {
        {path("spin.gif"), 100, 100}, {path("spin.png"), 50, 50}, {path("hidden.png"), 50, 50}};
    for (const char* ext : {"webp", "avifs", "jxl"}) {
        QString error;
        cases.append({FormatFixtures::makeAnimation(QLatin1String(ext), path(ext), colourFrames(),
                                                    {120, 70, 200}, &error),
                      120, 70});
        ASSERT_FALSE(cases.last().file.isEmpty()) << qPrintable(error);
    }
    const auto command = [this](MenuItem item) { vc->commands()->item(item)->trigger(); };
    AnimationPlayer* player = vc->animation();
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(QFileInfo(c.file).fileName()));
        ASSERT_TRUE(open(c.file));
        EXPECT_EQ(vc->viewerState().framesCount, 3);
        EXPECT_EQ(vc->toolbar()->toolbarHeight(), MainToolbar::framesHeight);
        EXPECT_TRUE(vc->toolbar()->actionPlayStopGif->isVisibleTo(vc->toolbar()));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return player->isPlaying() && player->hasFrames(); }, 5000));
        EXPECT_EQ(player->pendingInterval(), c.first);
        if (c.file == path("hidden.png")) {
            EXPECT_EQ(vc->getCurrentImage().pixel(5, 5), qRgb(200, 30, 30)) << "the default image";
        }
        vc->framePlayback()->playStop();
        player->setManualTicks(true);
        for (const MenuItem item : {MenuItem::NextFrame, MenuItem::PreviousFrame}) {
            const int delta = item == MenuItem::NextFrame ? 1 : -1;
            for (int frame = 0; frame < 3; ++frame) {
                vc->framePlayback()->playStop();
                ASSERT_TRUE(player->isPlaying());
                while (player->currentFrame() != frame)
                    player->step();
                command(item);
                EXPECT_FALSE(player->isPlaying()) << "at frame " << frame;
                EXPECT_EQ(vc->viewerState().currentFrame, std::clamp(frame + delta, 0, 2))
                    << "at frame " << frame;
            }
        }
        EXPECT_EQ(vc->toolbar()->labelFrames->text(), QStringLiteral("2/3"));

        vc->framePlayback()->playStop();
        EXPECT_TRUE(player->isPlaying());
        vc->toolbar()->frameSlider->setValue(0);
        QCoreApplication::processEvents();
        EXPECT_FALSE(player->isPlaying());
        EXPECT_EQ(vc->viewerState().currentFrame, 0);
        vc->framePlayback()->playStop();
        EXPECT_EQ(player->pendingFrame(), 1);
        EXPECT_EQ(player->pendingInterval(), c.first);
        player->step();
        EXPECT_EQ(player->currentFrame(), 1);
        EXPECT_EQ(player->pendingInterval(), c.second);
        vc->framePlayback()->playStop();
        player->setManualTicks(false);
    }
}

TEST_F(AnimatedViewer, BrokenFrameLeavesAGapAndASingleFrameNeitherPlaysNorShowsTheButton) {
    TestImages::write(path("gap.gif"), TestImages::animatedGif(greyFrames(4), {0, 0, 0, 0}, 2));
    TestImages::write(path("still.gif"), TestImages::animatedGif(greyFrames(1), {0}));
    ASSERT_TRUE(open(path("gap.gif")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->animation()->hasFrames(); }, 5000));
    EXPECT_LT(vc->animation()->listSize(), 4);
    EXPECT_GE(vc->animation()->listSize(), 2);
    vc->framePlayback()->stepBy(1);
    ASSERT_EQ(vc->currentFrame(), 1);

    // Nothing of the animation is left while the next item loads.
    vc->startWithFile(path("still.gif"));
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
    ASSERT_TRUE(settle());
    EXPECT_EQ(vc->shownMessage(), nullptr);
    EXPECT_EQ(vc->viewerState().framesCount, 1);
    EXPECT_FALSE(vc->animation()->isPlaying());
    EXPECT_FALSE(vc->toolbar()->actionPlayStopGif->isVisibleTo(vc->toolbar()));
    EXPECT_EQ(vc->toolbar()->toolbarHeight(), MainToolbar::stillHeight);
}

TEST_F(AnimatedViewer, MultiPageTiffStepsWithTheSliderWithoutPlaying) {
    QStringList pages;
    for (int i = 1; i <= 3; ++i) {
        pages.append(dir.filePath(QStringLiteral("p%1.png").arg(i)));
        TestImages::writeImage(pages.last(), greyFrames(i, 20 + 10 * i, 20).last(), "PNG");
    }
    ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/convert"), pages << path("pages.tif")), 0)
        << "ImageMagick is installed by the bootstrap";
    ASSERT_TRUE(open(path("pages.tif")));
    EXPECT_EQ(vc->viewerState().framesCount, 3);
    EXPECT_EQ(vc->toolbar()->toolbarHeight(), MainToolbar::framesHeight);
    EXPECT_FALSE(vc->animation()->isPlaying());
    vc->toolbar()->frameSlider->setValue(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(vc->viewerState().currentFrame, 2);
    EXPECT_EQ(resolution(), QStringLiteral("50px × 20px"))
        << "pages are decoded with their own size";
}

TEST_F(AnimatedViewer, SlideshowUsesTheStoredDelayAndTheViewersStepStopsIt) {
    const auto touchImage = [this] {
        return controller->touchBar()->button(QStringLiteral("touchSlideshow"))->image;
    };
    Settings().setValue(Settings::SlideshowDelay, 7);
    vc->updateUI();
    ASSERT_TRUE(open(path("img2.gif")));
    vc->playSlideshow();
    EXPECT_EQ(vc->slideshowTimer()->interval(), 7000);
    EXPECT_EQ(touchImage(), QStringLiteral("touch-slideshow-pause-Template"));
    emit vc->slideshowTimer()->tick(); // the last image wraps to the first
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("a.jpg"));
    vc->toolbar()->actionNext->click();
    EXPECT_FALSE(vc->slideshowTimer()->isRunning());
    EXPECT_EQ(touchImage(), QStringLiteral("touch-slideshow-Template"));
    Settings().setValue(Settings::SlideshowDelay, QVariant());
}

} // namespace
