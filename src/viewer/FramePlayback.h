#pragma once

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
    void framesDecoded(const QList<QImage>& frames, const QList<int>& delays);
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
};
