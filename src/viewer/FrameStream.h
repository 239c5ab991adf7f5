#pragma once

#include "platform/Cancellation.h"

#include <QHash>
#include <QSet>
#include <QImage>
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

class ImageSource;

// Frames of an animation too large to keep whole, decoded on demand by a
// thread of their own that reads the file forward, as animations are read.
// A few frames are kept: the ones asked for and those just ahead. Destroying
// the stream never waits for its thread: a frame being decoded stops early,
// and the thread ends and frees itself.
class FrameStream : public QObject {
    Q_OBJECT
public:
    using SourceMaker = std::function<std::unique_ptr<ImageSource>()>;
    static constexpr int keep = 6;

    FrameStream(SourceMaker make, int framesCount, QObject* parent = nullptr);
    ~FrameStream() override;

    // The frame when it is at hand; otherwise it is asked for and
    // frameReady follows.
    QImage frame(int index);
    // Decode ahead of a frame about to be shown.
    void prefetchAfter(int index);
    int frameDelay(int index) const { return delays.value(index, -1); }

signals:
    void frameReady(int index, const QImage& image);
    // To the decoding thread.
    void requestDecode(int index);

private:
    void received(int index, const QImage& image, int delay);

    QThread* thread = nullptr;
    CancelToken token;
    int count;
    QHash<int, QImage> frames;
    QHash<int, int> delays;
    QSet<int> asked;
};
