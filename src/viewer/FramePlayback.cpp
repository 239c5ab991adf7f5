#include "viewer/FramePlayback.h"

#include "platform/Cancellation.h"
#include "platform/ImageSource.h"
#include "platform/WorkerPools.h"
#include "viewer/FrameStream.h"

FramePlayback::FramePlayback(QObject* parent)
    : QObject(parent), animation(new AnimationPlayer(this)),
      frameTasks(std::make_unique<BackgroundTask>(this, WorkerPools::frames())) {
    connect(animation, &AnimationPlayer::frameShown, this, [this](int index, const QImage& image) {
        current = index;
        // A list holds transformed frames already; a stream decodes them afresh.
        emit frameShown(index, animation->isStreaming() ? total.apply(image) : image, false);
    });
}

FramePlayback::~FramePlayback() = default;

void FramePlayback::setPlaying(bool playing) {
    if (playing == wantPlaying)
        return;
    wantPlaying = playing;
    emit playingChanged(playing);
}

void FramePlayback::clear() {
    frameTasks->cancelAll();
    animation->clear();
    decodeFrame = {};
    count = 0;
    current = 0;
    animated = false;
    playerReady = false;
    total = ImageTransform();
    ++generation;
    setPlaying(false);
}

void FramePlayback::setItem(int framesCount, bool isAnimated, AnimationPlayer::Kind kind,
                            const QImage& first, SourceMaker make, FrameDecoder decode) {
    clear();
    count = std::max(framesCount, 0);
    decodeFrame = std::move(decode);
    animated = isAnimated && count >= 2;
    if (!animated)
        return;
    setPlaying(true);
    if (!AnimationPlayer::fitsBudget(count, first.size(), AnimationPlayer::defaultBudget())) {
        // Too large to keep every frame: decode a few ahead while playing.
        animation->setStream(kind, new FrameStream(std::move(make), count), count);
        playerReady = true;
        animation->play();
        return;
    }
    // Frame 0 is on screen already; the rest are decoded off the main thread,
    // on a pool of their own so they never hold up the image the user wants.
    frameTasks->run(
        [make = std::move(make), framesCount = count, kind]() {
            std::pair<QList<QImage>, QList<int>> frames;
            auto source = make();
            for (int i = 0; source && i < framesCount; ++i) {
                if (Cancellation::requested())
                    return std::pair<QList<QImage>, QList<int>>();
                // Properties first: decoders read animations forward only.
                const int delay = AnimationPlayer::delayValue(source.get(), i, kind);
                const QImage frame = source->imageAtIndex(i);
                if (frame.isNull())
                    continue; // a broken frame leaves a gap
                frames.first.append(frame);
                frames.second.append(delay);
            }
            return frames;
        },
        [this, kind](std::pair<QList<QImage>, QList<int>> frames) {
            if (frames.first.isEmpty())
                return;
            landFrames(std::move(frames.first), std::move(frames.second), ImageTransform(), kind);
        });
}

void FramePlayback::landFrames(QList<QImage> frames, QList<int> delays,
                               const ImageTransform& applied, AnimationPlayer::Kind kind) {
    if (applied == total) {
        if (playerReady && !animation->isStreaming() && animation->listSize() == frames.size())
            animation->replaceFrames(frames);
        else
            setList(kind, frames, delays);
        return;
    }
    // Turned or flipped while these were decoded: catch up on a worker, and
    // check again when done, as the user may have turned it once more.
    const ImageTransform target = total;
    const ImageTransform step = applied.inverted().then(target);
    frameTasks->run(
        [frames = std::move(frames), step]() mutable {
            for (QImage& frame : frames) {
                if (Cancellation::requested())
                    return QList<QImage>();
                frame = step.apply(frame);
            }
            return frames;
        },
        [this, delays = std::move(delays), target, kind, at = generation](QList<QImage> done) {
            if (at == generation && !done.isEmpty())
                landFrames(std::move(done), delays, target, kind);
        });
}

void FramePlayback::setList(AnimationPlayer::Kind kind, const QList<QImage>& frames,
                            const QList<int>& delays) {
    animation->setFrames(kind, frames, delays);
    playerReady = true;
    // The user may have stepped or stopped while the frames were decoded.
    if (current != 0)
        animation->loadFrame(std::min(current, animation->listSize() - 1));
    if (wantPlaying)
        animation->play();
}

QList<QImage> FramePlayback::decodedFrames() const {
    return playerReady && !animation->isStreaming() ? animation->frames() : QList<QImage>();
}

void FramePlayback::transformLanded(const ImageTransform& newTotal, const QList<QImage>& frames) {
    const ImageTransform before = total;
    total = newTotal;
    if (!playerReady || animation->isStreaming())
        return;
    if (!frames.isEmpty() && frames.size() == animation->listSize()) {
        animation->replaceFrames(frames);
        return;
    }
    // The list arrived while the transform ran: it still carries the old total.
    landFrames(animation->frames(), {}, before, animation->kind());
}

void FramePlayback::stop() {
    animation->stop();
    setPlaying(false);
}

void FramePlayback::playStop() {
    if (!animated)
        return;
    if (wantPlaying) {
        stop();
        return;
    }
    setPlaying(true);
    if (playerReady)
        animation->play();
}

void FramePlayback::stepBy(int delta) {
    stop();
    const int index = current + delta;
    if (index >= 0 && index < count)
        showFrame(index);
}

void FramePlayback::showFrame(int index) {
    stop();
    if (index == current || index < 0 || index >= count)
        return;
    if (playerReady && index < animation->listSize()) {
        animation->loadFrame(index);
        return;
    }
    current = index;
    const QImage frame = decodeFrame ? decodeFrame(index) : QImage();
    // A page of a still multi-page file is decoded afresh, untransformed; a
    // frame of an animation whose list is still on its way keeps the turns.
    if (!animated)
        total = ImageTransform();
    emit frameShown(index, animated ? total.apply(frame) : frame, !animated);
}
