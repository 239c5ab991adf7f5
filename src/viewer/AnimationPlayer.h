#pragma once

#include <QImage>
#include <QList>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>
#include <optional>

class FrameStream;
class ImageSource;

// Plays an animated GIF, PNG, WebP, AVIF sequence or JPEG XL: the frames in order, looping for ever, each
// for its own delay, on a one-shot precise timer re-armed at every frame.
// The frames are a list decoded once when the animation fits the memory
// budget, or a FrameStream decoding a few ahead when it does not; either way
// playback, frame requests and stopping behave the same.
class AnimationPlayer : public QObject {
    Q_OBJECT
public:
    enum class Kind { Gif, Png, Webp, Avif, Jxl };
    static constexpr int gifDefaultDelay = 100;
    static constexpr int pngDefaultDelay = 50;
    static constexpr int shortestDelay = 50;
    // WebP animations descend from GIF and take its default; AVIF and JPEG
    // XL take PNG's.
    static int defaultDelay(Kind kind);
    // The property group that carries a kind's frame delays ("{GIF}", ...).
    static QString dictionaryKey(Kind kind);

    explicit AnimationPlayer(QObject* parent = nullptr);
    ~AnimationPlayer() override;

    static Kind kindOfType(const QString& type);
    // The kind an item plays as, when it is of an animated format: GIF and
    // PNG by their extension, the others by the type their decoder reports
    // (an AVIF still collection is no animation). Nothing for other items.
    static std::optional<Kind> animatedKind(const QString& extension, const QString& type);
    // The delay value of a frame in milliseconds: the stored delay when it is
    // longer than 50 ms, else the format's default; 1 without a source.
    static int delayValue(ImageSource* source, int index, Kind kind);
    static int delayFromProperties(const QVariantMap& properties, Kind kind);
    // Whether every frame may be kept decoded.
    static bool fitsBudget(int framesCount, const QSize& frameSize, qint64 budget);
    static qint64 defaultBudget();

    // Decoded frames in order (a frame that failed leaves a gap: the list is
    // shorter), with their delays.
    void setFrames(Kind kind, const QList<QImage>& frames, const QList<int>& delays);
    // The same frames with new pixels (turned or flipped): the frame shown,
    // the delays and the playing state stay.
    void replaceFrames(const QList<QImage>& frames);
    const QList<QImage>& frames() const { return list; }
    // Frames on demand.
    void setStream(Kind kind, FrameStream* stream, int framesCount);
    bool isStreaming() const { return !stream.isNull(); }
    void clear();
    bool hasFrames() const;
    int listSize() const;
    Kind kind() const { return animationKind; }

    // Shows a frame of the list; an index beyond it does nothing.
    void loadFrame(int index);
    void play();
    void stop();
    bool isPlaying() const { return playing; }
    int currentFrame() const { return current; }
    // The frame the pending step will show, and after how long.
    int pendingFrame() const { return next; }
    int pendingInterval() const { return interval; }
    // One playback step; the timer calls it, and tests may too.
    void step();
    void setManualTicks(bool manual) { manualTicks = manual; }

signals:
    void frameShown(int index, const QImage& image);
    void playingChanged(bool playing);

private:
    int delayOf(int index) const;
    void schedule(int frame);
    void streamed(int index, const QImage& image);

    Kind animationKind = Kind::Gif;
    QList<QImage> list;
    QList<int> delays;
    QPointer<FrameStream> stream;
    int streamCount = 0;
    int current = 0;
    int next = 0;
    int interval = 0;
    int awaited = -1; // a streamed frame asked for and not yet there
    bool playing = false;
    bool manualTicks = false;
    QTimer timer;
    // Steps are due at fixed times from the start, so the time spent showing
    // a frame does not add up over a long animation.
    QElapsedTimer clock;
    qint64 due = 0;
};
