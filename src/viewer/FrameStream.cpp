#include "viewer/FrameStream.h"

#include "platform/ImageSource.h"
#include "viewer/AnimationPlayer.h"

#include <QSet>

namespace {

// Lives on the decoding thread and owns the decoder there.
class FrameDecoder : public QObject {
    Q_OBJECT
public:
    FrameDecoder(FrameStream::SourceMaker make, CancelToken token)
        : make(std::move(make)), token(std::move(token)) {}

signals:
    void decoded(int index, const QImage& image, int delay);

public slots:
    void decode(int index) {
        if (token.isCancelled())
            return;
        const Cancellation::Scope scope(token);
        if (!source)
            source = make();
        QImage image;
        int delay = -1;
        if (source) {
            // Properties first: decoders read animations forward only.
            delay = AnimationPlayer::delayValue(source.get(), index,
                                                AnimationPlayer::kindOfType(source->type()));
            image = source->imageAtIndex(index);
        }
        emit decoded(index, image, delay);
    }

private:
    FrameStream::SourceMaker make;
    CancelToken token;
    std::unique_ptr<ImageSource> source;
};

} // namespace

FrameStream::FrameStream(SourceMaker make, int framesCount, QObject* parent)
    : QObject(parent), count(framesCount) {
    thread = new QThread;
    auto* decoder = new FrameDecoder(std::move(make), token);
    decoder->moveToThread(thread);
    connect(thread, &QThread::finished, decoder, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(this, &FrameStream::requestDecode, decoder, &FrameDecoder::decode, Qt::QueuedConnection);
    connect(decoder, &FrameDecoder::decoded, this, &FrameStream::received, Qt::QueuedConnection);
    thread->start(QThread::LowPriority);
}

FrameStream::~FrameStream() {
    token.cancel();
    thread->quit();
}

QImage FrameStream::frame(int index) {
    if (index < 0 || index >= count)
        return QImage();
    const auto it = frames.constFind(index);
    if (it != frames.constEnd())
        return *it;
    if (!asked.contains(index)) {
        asked.insert(index);
        emit requestDecode(index);
    }
    return QImage();
}

void FrameStream::prefetchAfter(int index) {
    for (int i = 1; i < keep - 1; ++i) {
        const int next = (index + i) % count;
        if (!frames.contains(next) && !asked.contains(next)) {
            asked.insert(next);
            emit requestDecode(next);
        }
    }
}

void FrameStream::received(int index, const QImage& image, int delay) {
    asked.remove(index);
    delays.insert(index, delay);
    frames.insert(index, image);
    // Keep the frames nearest ahead of this one; older ones go.
    while (frames.size() > keep) {
        int farthest = -1, distance = -1;
        for (auto it = frames.constBegin(); it != frames.constEnd(); ++it) {
            const int d = (it.key() - index + count) % count;
            if (d > distance) {
                distance = d;
                farthest = it.key();
            }
        }
        frames.remove(farthest);
    }
    emit frameReady(index, image);
}

#include "FrameStream.moc"
