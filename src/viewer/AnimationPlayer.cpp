#include "viewer/AnimationPlayer.h"

#include "platform/ImageSource.h"
#include "platform/SystemMemory.h"
#include "viewer/FrameStream.h"

#include <cmath>

AnimationPlayer::AnimationPlayer(QObject* parent) : QObject(parent) {
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &AnimationPlayer::step);
}

AnimationPlayer::~AnimationPlayer() {
    delete stream;
}

bool AnimationPlayer::hasFrames() const {
    return !list.isEmpty() || stream;
}

int AnimationPlayer::listSize() const {
    return stream ? streamCount : int(list.size());
}

AnimationPlayer::Kind AnimationPlayer::kindOfType(const QString& type) {
    if (type == QLatin1String("public.png"))
        return Kind::Png;
    if (type == QLatin1String("org.webmproject.webp"))
        return Kind::Webp;
    if (type == QLatin1String("public.avis"))
        return Kind::Avif;
    if (type == QLatin1String("public.jpeg-xl"))
        return Kind::Jxl;
    return Kind::Gif;
}

std::optional<AnimationPlayer::Kind> AnimationPlayer::animatedKind(const QString& extension, const QString& type) {
    if (extension.compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0)
        return Kind::Gif;
    if (extension.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        return Kind::Png;
    const Kind kind = kindOfType(type);
    if (kind == Kind::Webp || kind == Kind::Avif || kind == Kind::Jxl)
        return kind;
    return std::nullopt;
}

int AnimationPlayer::defaultDelay(Kind kind) {
    return kind == Kind::Gif || kind == Kind::Webp ? gifDefaultDelay : pngDefaultDelay;
}

QString AnimationPlayer::dictionaryKey(Kind kind) {
    switch (kind) {
    case Kind::Gif: return QStringLiteral("{GIF}");
    case Kind::Png: return QStringLiteral("{PNG}");
    case Kind::Webp: return QStringLiteral("{WebP}");
    case Kind::Avif: return QStringLiteral("{AVIS}");
    case Kind::Jxl: return QStringLiteral("{JXL}");
    }
    return QString();
}

int AnimationPlayer::delayFromProperties(const QVariantMap& properties, Kind kind) {
    const int fallback = defaultDelay(kind);
    if (properties.isEmpty())
        return fallback;
    const QVariant dictionary = properties.value(dictionaryKey(kind));
    if (!dictionary.isValid())
        return fallback;
    const QVariantMap map = dictionary.toMap();
    double d = map.value(QStringLiteral("UnclampedDelayTime")).toDouble();
    if (d == 0)
        d = map.value(QStringLiteral("DelayTime")).toDouble();
    // Milliseconds: frames play at their stored length; 50 ms or less is
    // taken as "as fast as the format's usual pace".
    if (!(d > 0) || !std::isfinite(d))
        return fallback;
    const double c = std::round(1000.0 * d);
    return c > shortestDelay && c < 3600000 ? int(c) : fallback;
}

int AnimationPlayer::delayValue(ImageSource* source, int index, Kind kind) {
    if (!source)
        return 1;
    return delayFromProperties(source->propertiesAtIndex(index), kind);
}

qint64 AnimationPlayer::defaultBudget() {
    return std::min<qint64>(SystemMemory::physicalMemory() / 8, qint64(1) << 30);
}

bool AnimationPlayer::fitsBudget(int framesCount, const QSize& frameSize, qint64 budget) {
    const qint64 bytes = qint64(std::max(0, framesCount)) * std::max(0, frameSize.width()) *
                         std::max(0, frameSize.height()) * 4;
    return bytes <= budget;
}

void AnimationPlayer::clear() {
    stop();
    list.clear();
    delays.clear();
    if (stream)
        stream->deleteLater();
    stream = nullptr;
    streamCount = 0;
    current = 0;
    awaited = -1;
}

void AnimationPlayer::setFrames(Kind kind, const QList<QImage>& frames, const QList<int>& frameDelays) {
    clear();
    animationKind = kind;
    list = frames;
    delays = frameDelays;
}

void AnimationPlayer::replaceFrames(const QList<QImage>& frames) {
    if (!stream && frames.size() == list.size())
        list = frames;
}

void AnimationPlayer::setStream(Kind kind, FrameStream* frames, int framesCount) {
    clear();
    animationKind = kind;
    stream = frames;
    streamCount = framesCount;
    connect(frames, &FrameStream::frameReady, this, &AnimationPlayer::streamed);
}

int AnimationPlayer::delayOf(int index) const {
    if (stream) {
        const int d = stream->frameDelay(index);
        return d > 0 ? d : defaultDelay(animationKind);
    }
    return index < delays.size() ? delays.at(index) : defaultDelay(animationKind);
}

void AnimationPlayer::loadFrame(int index) {
    if (index < 0 || index >= listSize())
        return;
    if (stream) {
        const QImage image = stream->frame(index);
        stream->prefetchAfter(index);
        if (image.isNull()) {
            awaited = index; // shown when it arrives
            return;
        }
        awaited = -1;
        current = index;
        emit frameShown(index, image);
        return;
    }
    current = index;
    emit frameShown(index, list.at(index));
}

void AnimationPlayer::streamed(int index, const QImage& image) {
    if (index != awaited)
        return;
    awaited = -1;
    if (!image.isNull()) {
        current = index;
        emit frameShown(index, image);
    }
    if (playing)
        schedule(index);
}

void AnimationPlayer::schedule(int frame) {
    interval = delayOf(frame);
    next = frame + 1 < listSize() ? frame + 1 : 0;
    if (manualTicks)
        return;
    const qint64 now = clock.isValid() ? clock.elapsed() : 0;
    if (!clock.isValid())
        clock.start();
    // Behind by more than a frame (a slow decode): start counting afresh.
    if (due < now - interval)
        due = now;
    due += interval;
    timer.start(int(std::max<qint64>(0, due - now)));
}

void AnimationPlayer::play() {
    if (!hasFrames())
        return;
    playing = true;
    emit playingChanged(true);
    clock.start();
    due = 0;
    schedule(current);
}

void AnimationPlayer::stop() {
    timer.stop();
    if (playing) {
        playing = false;
        emit playingChanged(false);
    }
}

void AnimationPlayer::step() {
    if (!playing)
        return;
    loadFrame(next);
    // A streamed frame still on its way schedules the next step on arrival.
    if (awaited < 0)
        schedule(current);
}
