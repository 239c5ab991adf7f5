#pragma once

#include "selection/ImageTransform.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/BackgroundTask.h"

#include <QImage>
#include <QObject>
#include <functional>
#include <memory>

class ImageSource;

// The frames of the shown item and which of them is on screen: plays
// animated GIF and PNG images, and steps through the frames and pages of
// any multi-image file. The only holder of the current frame.
//
// An animation starts playing from its first frame at once; its other
// frames are decoded on a low-priority worker (or streamed, when they are
// too many to keep). Play, stop and frame steps work while they are being
// decoded, and their arrival keeps the frame and the playing state the user
// chose meanwhile.
class FramePlayback : public QObject {
    Q_OBJECT
public:
    using SourceMaker = std::function<std::unique_ptr<ImageSource>()>;
    // Decodes one frame of the item, upright, for stepping before (or
    // without) the decoded list.
    using FrameDecoder = std::function<QImage(int index)>;

    explicit FramePlayback(QObject* parent = nullptr);
    ~FramePlayback() override;

    // A new item with `count` frames, frame 0 on screen. `animated` items
    // play; `first` is frame 0 and its size sets the memory budget's check.
    void setItem(int count, bool animated, AnimationPlayer::Kind kind, const QImage& first,
                 SourceMaker make, FrameDecoder decode);
    // Back to no item; frame work in flight is cancelled.
    void clear();

    int currentFrame() const { return current; }
    int framesCount() const { return count; }
    bool isAnimated() const { return animated; }
    // Whether playback runs, or will run once the frames are decoded.
    bool isPlaying() const { return wantPlaying; }
    AnimationPlayer* player() const { return animation; }

    // The turns and flips applied to the item since it was decoded. Frames
    // that arrive later (the list decoded in the background, streamed
    // frames, frames stepped to before the list) get it too.
    ImageTransform transform() const { return total; }
    // The decoded frames to transform with the shown image; empty when
    // there is no list (yet).
    QList<QImage> decodedFrames() const;
    // A transform landed: `frames` are the frames handed out by
    // decodedFrames() when it started, transformed; now the item's total is
    // `newTotal`.
    void transformLanded(const ImageTransform& newTotal, const QList<QImage>& frames);

    void playStop();
    void stop();
    // A frame step (stops playback) and a jump to a frame (the slider).
    void stepBy(int delta);
    void showFrame(int index);

signals:
    // `index` is on screen now. Played frames replace the picture only;
    // stepped frames of a still multi-page file are placed anew (`refit`).
    void frameShown(int index, const QImage& image, bool refit);
    void playingChanged(bool playing);

private:
    // Frames decoded under `applied` become the list once they carry the
    // item's current transform; otherwise the difference is applied first.
    void landFrames(QList<QImage> frames, QList<int> delays, const ImageTransform& applied,
                    AnimationPlayer::Kind kind);
    void setList(AnimationPlayer::Kind kind, const QList<QImage>& frames, const QList<int>& delays);
    void setPlaying(bool playing);

    AnimationPlayer* animation = nullptr;
    std::unique_ptr<BackgroundTask> frameTasks;
    FrameDecoder decodeFrame;
    int count = 0;
    int current = 0;
    bool animated = false;
    bool wantPlaying = false;
    // Frame steps go through the player once it holds the frames.
    bool playerReady = false;
    ImageTransform total;
    // Bumped by clear(): frame work for an earlier item lands nowhere.
    quint64 generation = 0;
};
