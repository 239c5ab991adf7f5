#include "viewer/ImageTransformer.h"
#include "menus/RTSpinKitView.h"
#include "platform/ImageSource.h"
#include "selection/ImageTransform.h"
#include "support/ViewerWindowTest.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/DNSImageView.h"
#include "viewer/FramePlayback.h"
#include "viewer/PlayerSlider.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/ViewerCommands.h"

#include <QMessageBox>
#include <QSignalSpy>
#include <QTransform>
#include <functional>

namespace {

// The corners' colours, top left, top right, bottom left, bottom right: the
// test images have four, so that any turn or flip shows.
std::string cornersOf(const QImage& image) {
    std::string out;
    for (const QPoint p :
         {QPoint(0, 0), QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
          QPoint(image.width() - 1, image.height() - 1)}) {
        const QRgb c = image.pixel(p) & 0xffffff;
        out += c == 0xff0000   ? 'R'
               : c == 0x00ff00 ? 'G'
               : c == 0x0000ff ? 'B'
               : c == 0xffff00 ? 'Y'
                               : '?';
    }
    return out;
}

QList<QImage> markedFrames(int count) {
    QList<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage frame(20, 10, QImage::Format_RGB32);
        frame.fill(qRgb(40 * i, 40 * i, 40 * i));
        frame.setPixel(0, 0, qRgb(255, 255, 255)); // the top-left corner, white
        frames.append(frame);
    }
    return frames;
}

// Large enough to be shared between two threads and to sit in large pages.
TEST(ImageTransformerWork, ALargeImageAndItsFramesComeOutAsQtTurnsThem) {
    QImage large(1700, 1500, QImage::Format_ARGB32);
    for (int y = 0; y < large.height(); ++y)
        for (int x = 0; x < large.width(); ++x)
            large.setPixel(x, y, qRgba(x & 255, y & 255, (x * 7 + y) & 255, (x ^ y) & 255));
    for (const ImageTransform step :
         {ImageTransform::rotateClockwise(), ImageTransform::rotateCounterClockwise(),
          ImageTransform::rotate180(), ImageTransform::flipVertically(),
          ImageTransform::flipHorizontally().then(ImageTransform::rotateClockwise())}) {
        const QImage expected = (step.isMirrored() ? large.mirrored(true, false) : large)
                                    .transformed(QTransform().rotate(step.quarterTurns() * 90.0));
        const ImageTransformer::Job done =
            ImageTransformer::transformed({1, step, large, QImage(), markedFrames(9)});
        EXPECT_EQ(done.image, expected) << step.quarterTurns() << step.isMirrored();
        ASSERT_EQ(done.frames.size(), 9);
        for (const QImage& frame : done.frames)
            EXPECT_EQ(frame.size(), step.mapSize(QSize(20, 10)));
    }
}

class TransformViewer : public ViewerWindowTest {
  protected:
    bool landed() {
        return QTest::qWaitFor([&] { return !vc->isTransforming(); }, 10000);
    }
    QImage shown() const { return vc->getCurrentImage().convertToFormat(QImage::Format_RGB32); }
};

// A turn runs off the main thread with the selection and the frame slider out
// of play, and lands as one step; steps compose; one that gives nothing ends
// the same way, says so and leaves the image as it was.
TEST_F(TransformViewer, TurnsLandAsOneStepComposeAndAFailedOneSaysSo) {
    ASSERT_TRUE(TestImages::writeImage(path("c.png"), TestImages::asymmetric(30, 20), "PNG"));
    ASSERT_TRUE(open(path("c.png")));
    ASSERT_EQ(cornersOf(shown()), "RGBY");
    vc->imageChanged = false;
    vc->selectAll();
    ASSERT_TRUE(vc->hasSelection());
    vc->transforms()->rotate90();
    EXPECT_TRUE(vc->isTransforming());
    EXPECT_FALSE(vc->hasSelection()) << "gone as the turn starts";
    EXPECT_TRUE(vc->loadingSpinner()->isVisibleTo(vc)) << "the spinner shows meanwhile";
    EXPECT_EQ(vc->imageWidth, 30) << "the sizes swap only when the result lands";
    vc->selectAll();
    EXPECT_FALSE(vc->hasSelection()) << "nothing to select until it lands";
    EXPECT_FALSE(vc->toolbar()->frameSlider->isEnabled());
    ASSERT_TRUE(landed());
    EXPECT_EQ(cornersOf(shown()), "BRYG");
    EXPECT_EQ(vc->imageHeight, 30);
    EXPECT_EQ(resolution(), QStringLiteral("20px × 30px"));
    EXPECT_TRUE(vc->imageChanged) << "full screen sees a new image";
    EXPECT_FALSE(vc->loadingSpinner()->isVisibleTo(vc));
    EXPECT_TRUE(vc->toolbar()->frameSlider->isEnabled());

    using T = ViewerTransforms;
    const std::pair<void (T::*)(), const char*> steps[] = {
        {&T::rotate90, "YBGR"},         {&T::rotate90, "GYRB"},
        {&T::rotate90, "RGBY"},         {&T::flipHorizontally, "GRYB"},
        {&T::flipHorizontally, "RGBY"}, {&T::flipVertically, "BYRG"},
        {&T::rotate180, "GRYB"}};
    for (const auto& [step, expected] : steps) {
        (vc->transforms()->*step)();
        ASSERT_TRUE(landed());
        EXPECT_EQ(cornersOf(shown()), expected);
    }

    const QImage before = shown();
    vc->transforms()->transformer()->setWork([](ImageTransformer::Job job) {
        job.image = QImage(); // no memory for the turned copy
        return job;
    });
    vc->transforms()->rotate90();
    ASSERT_TRUE(landed());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vc->loadingSpinner()->isVisibleTo(vc); }, 2000));
    EXPECT_TRUE(vc->toolbar()->frameSlider->isEnabled());
    EXPECT_TRUE(vc->commands()->item(MenuItem::Rotate90)->isEnabled());
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(vc->imageWidth, 30 / window->devicePixelRatioF());
    auto* alert = window->findChild<QMessageBox*>(QStringLiteral("TransformFailedAlert"));
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->isVisible());
    alert->close();
}

// Nothing turns before the image is shown, a result for an image left is
// dropped, and coming back to a turned image shows the file's own pixels.
TEST_F(TransformViewer, AwayAndBackShowsTheFilesOwnPixels) {
    ASSERT_TRUE(TestImages::writeImage(path("one.png"), TestImages::asymmetric(2400, 1200), "PNG"));
    ASSERT_TRUE(TestImages::writeImage(path("two.png"), TestImages::asymmetric(20, 40), "PNG"));
    vc->startWithFile(path("one.png"));
    vc->transforms()->rotate90(); // still loading
    EXPECT_FALSE(vc->isTransforming());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->isImageShown(); }, 10000));
    const QImage before = shown();
    EXPECT_EQ(before, TestImages::asymmetric(2400, 1200));
    vc->transforms()->rotate90();
    vc->showNextImage(); // before the turn can land
    EXPECT_FALSE(vc->isTransforming());
    ASSERT_TRUE(settle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->isImageShown(); }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(shown(), TestImages::asymmetric(20, 40));
    vc->showPreviousImage();
    ASSERT_TRUE(settle() && QTest::qWaitFor([&] { return vc->isImageShown(); }, 10000));

    auto awayAndBack = [this] {
        vc->showNextImage();
        if (!settle())
            return false;
        vc->showPreviousImage();
        return settle() && QTest::qWaitFor([&] { return vc->isImageShown(); }, 10000);
    };
    vc->transforms()->rotate90();
    ASSERT_TRUE(landed());
    ASSERT_TRUE(awayAndBack());
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(vc->imageWidth, 2400);

    // A half turn keeps the size, so a turned copy for the screen would fit
    // the file's pixels: what is drawn must come back unturned as well.
    vc->transforms()->rotate180();
    ASSERT_TRUE(landed());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !vc->imageView()->cache()->exactCopy().isNull(); }, 10000));
    ASSERT_TRUE(awayAndBack());
    EXPECT_EQ(shown(), before);
    const QImage drawn = vc->imageView()->cache()->exactCopy();
    ASSERT_FALSE(drawn.isNull());
    EXPECT_GT(qRed(drawn.pixel(0, 0)), qGreen(drawn.pixel(0, 0)))
        << "the red corner is at the top left again on screen";
}

TEST_F(TransformViewer, ARotatedGifPlaysRotated) {
    const QList<QImage> frames = markedFrames(4);
    ASSERT_TRUE(TestImages::write(path("spin.gif"), TestImages::animatedGif(frames, {0, 0, 0, 0})));
    ASSERT_TRUE(open(path("spin.gif")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->animation()->listSize() == 4; }, 10000));
    vc->transforms()->rotate90();
    ASSERT_TRUE(landed());
    vc->animation()->setManualTicks(true);
    vc->framePlayback()->stepBy(-1); // stops playback
    for (int i = 0; i < 4; ++i) {
        vc->framePlayback()->showFrame(i);
        const QImage frame = vc->getCurrentImage();
        ASSERT_EQ(frame.size(), QSize(10, 20)) << i;
        EXPECT_EQ(qGray(frame.pixel(9, 0)), 255) << "the white corner turned to the top right";
        EXPECT_EQ(qGray(frame.pixel(3, 10)), 40 * i) << i;
    }
}

class FramePlaybackTransform : public ::testing::Test {
  protected:
    const QList<QImage> frames = markedFrames(3);
    const QByteArray gif = TestImages::animatedGif(frames, {0, 0, 0});
    FramePlayback playback;
    QSignalSpy shownFrames{&playback, &FramePlayback::frameShown};
    std::function<std::unique_ptr<ImageSource>()> make = [this] {
        return ImageSource::createWithData(gif);
    };
};

TEST_F(FramePlaybackTransform, FramesThatArriveAfterATurnAreTurnedToo) {
    playback.setItem(3, true, AnimationPlayer::Kind::Gif, frames[0], make,
                     [this](int i) { return make()->imageAtIndex(i); });
    playback.player()->setManualTicks(true);
    // A turn lands before the frame list has been decoded.
    const ImageTransform turn = ImageTransform::rotateCounterClockwise();
    playback.transformLanded(turn, {});
    playback.showFrame(2); // decoded on its own, ahead of the list
    ASSERT_FALSE(shownFrames.isEmpty());
    EXPECT_EQ(shownFrames.last()[1].value<QImage>().size(), QSize(10, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.player()->listSize() == 3; }, 10000));
    for (int i = 0; i < 3; ++i) {
        const QImage frame = playback.player()->frames().at(i);
        ASSERT_EQ(frame.size(), QSize(10, 20));
        EXPECT_EQ(qGray(frame.pixel(0, 19)), 255) << "white corner at the bottom left";
    }
    // Another turn with the list at hand replaces its frames in place.
    playback.transformLanded(
        turn.then(turn),
        ImageTransformer::transformed({0, turn, frames[0], {}, playback.decodedFrames()}).frames);
    EXPECT_EQ(playback.player()->frames().at(1).size(), QSize(20, 10));
    EXPECT_EQ(qGray(playback.player()->frames().at(1).pixel(19, 9)), 255);
}

TEST_F(FramePlaybackTransform, StreamedFramesAreTurnedAsTheyAreShown) {
    // Claiming more frames than memory holds makes the player decode them as
    // it goes; only the first three are asked for.
    playback.setItem(1 << 24, true, AnimationPlayer::Kind::Gif, frames[0], make, {});
    ASSERT_TRUE(playback.player()->isStreaming());
    playback.player()->setManualTicks(true);
    playback.stop();
    playback.transformLanded(ImageTransform::rotateClockwise(), playback.decodedFrames());
    for (int i = 1; i <= 2; ++i) {
        shownFrames.clear();
        playback.showFrame(i);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !shownFrames.isEmpty() && shownFrames.last()[0].toInt() == i &&
                       !shownFrames.last()[1].value<QImage>().isNull();
            },
            10000));
        const QImage frame = shownFrames.last()[1].value<QImage>();
        ASSERT_EQ(frame.size(), QSize(10, 20)) << i;
        EXPECT_EQ(qGray(frame.pixel(9, 0)), 255) << "the white corner turned to the top right";
    }
}

} // namespace
