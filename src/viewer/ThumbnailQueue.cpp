#include "viewer/ThumbnailQueue.h"

#include "platform/FileStamp.h"
#include "platform/WorkerPools.h"
#include "platform/imagesource/AreaReducer.h"

#include <QThreadPool>

namespace {

// The span kept around [first, last]: screens ahead in the scroll's
// direction, and behind it.
std::pair<qsizetype, qsizetype> windowAround(qsizetype first, qsizetype last,
                                             ThumbnailQueue::Direction direction, qsizetype count) {
    const qsizetype screen = last - first + 1;
    const bool forward = direction == ThumbnailQueue::Direction::Forward;
    const qsizetype before =
        screen * (forward ? ThumbnailQueue::screensBehind : ThumbnailQueue::screensAhead);
    const qsizetype after =
        screen * (forward ? ThumbnailQueue::screensAhead : ThumbnailQueue::screensBehind);
    return {std::max<qsizetype>(0, first - before), std::min(count - 1, last + after)};
}

// What a failure record stands for: content that will not decode while it
// is unchanged. A missing or unreadable file may be readable next time.
bool lasts(DecodeFailure::Reason reason) {
    return reason == DecodeFailure::Damaged || reason == DecodeFailure::NotAnImage ||
           reason == DecodeFailure::TooLarge;
}

QImage fitted(const QImage& image, int pixels) {
    const QSize size = AreaReducer::fitted(image.size(), QSize(pixels, pixels));
    return size == image.size() ? image : AreaReducer::averaged(image, size);
}

} // namespace

ThumbnailQueue::ThumbnailQueue(QObject* parent, QThreadPool* pool)
    : QObject(parent), pool(pool ? pool : WorkerPools::thumbnails()),
      box(std::make_shared<Mailbox>()), maker(ThumbnailMaker::ofItem) {
    box->receiver = this;
}

ThumbnailQueue::~ThumbnailQueue() {
    {
        QMutexLocker locker(&box->lock);
        box->receiver = nullptr;
    }
    for (const Job& job : std::as_const(running))
        job.token.cancel();
}

QList<qsizetype> ThumbnailQueue::order(qsizetype first, qsizetype last, Direction direction,
                                       qsizetype count) {
    first = std::max<qsizetype>(0, first);
    last = std::min(count - 1, last);
    if (first > last)
        return {};
    const auto [from, to] = windowAround(first, last, direction, count);
    QList<qsizetype> indexes;
    indexes.reserve(to - from + 1);
    for (qsizetype i = first; i <= last; ++i)
        indexes.append(i);
    const auto after = [&] {
        for (qsizetype i = last + 1; i <= to; ++i)
            indexes.append(i);
    };
    const auto before = [&] {
        for (qsizetype i = first - 1; i >= from; --i)
            indexes.append(i);
    };
    if (direction == Direction::Forward) {
        after();
        before();
    } else {
        before();
        after();
    }
    return indexes;
}

void ThumbnailQueue::setFolder(const QStringList& files) {
    setEntries(files, false);
}

void ThumbnailQueue::setArchive(const QStringList& list, EntryReader read) {
    reader = std::move(read);
    setEntries(list, true);
}

void ThumbnailQueue::clear() {
    reader = {};
    setEntries({}, false);
    restart();
}

void ThumbnailQueue::setEntries(const QStringList& list, bool inArchive) {
    // Another archive's entries may share names with this one's; a folder's
    // files are absolute paths, still the same files when listed again.
    if (inArchive || archive)
        restart();
    archive = inArchive;
    if (!inArchive)
        reader = {};
    entries = list;
    indexOf.clear();
    indexOf.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        indexOf.insert(entries[i], i);
    apply();
}

void ThumbnailQueue::setPixels(int size) {
    if (size == pixels || size <= 0)
        return;
    pixels = size;
    restart();
    apply();
}

void ThumbnailQueue::setVisible(qsizetype from, qsizetype to, Direction way) {
    first = from;
    last = to;
    direction = way;
    apply();
}

void ThumbnailQueue::forget(const QString& path) {
    tiles.remove(path);
    for (Job& job : running) {
        if (job.path == path && !job.cancelled) {
            job.cancelled = true;
            job.token.cancel();
        }
    }
    pump();
}

std::optional<ThumbnailQueue::Tile> ThumbnailQueue::tile(qsizetype index) const {
    if (index < 0 || index >= entries.size())
        return std::nullopt;
    const auto held = tiles.constFind(entries[index]);
    if (held == tiles.constEnd())
        return std::nullopt;
    return *held;
}

void ThumbnailQueue::restart() {
    ++generation;
    for (Job& job : running) {
        job.cancelled = true;
        job.token.cancel();
    }
    tiles.clear();
}

void ThumbnailQueue::apply() {
    wanted = order(first, last, direction, entries.size());
    if (wanted.isEmpty()) {
        keepFirst = 0;
        keepLast = -1;
    } else {
        const auto span =
            windowAround(std::max<qsizetype>(0, first), std::min(entries.size() - 1, last),
                         direction, entries.size());
        keepFirst = span.first;
        keepLast = span.second;
    }
    for (Job& job : running) {
        const qsizetype index = indexOf.value(job.path, -1);
        if (!job.cancelled && (index < keepFirst || index > keepLast)) {
            job.cancelled = true;
            job.token.cancel();
        }
    }
    for (auto it = tiles.begin(); it != tiles.end();) {
        const qsizetype index = indexOf.value(it.key(), -1);
        it = index < keepFirst || index > keepLast ? tiles.erase(it) : std::next(it);
    }
    pump();
}

bool ThumbnailQueue::isRunning(const QString& path) const {
    for (const Job& job : running) {
        if (!job.cancelled && job.path == path)
            return true;
    }
    return false;
}

void ThumbnailQueue::pump() {
    const int threads = std::max(1, pool->maxThreadCount());
    for (qsizetype index : std::as_const(wanted)) {
        if (running.size() >= threads)
            return;
        const QString& path = entries[index];
        if (!tiles.contains(path) && !isRunning(path))
            start(path);
    }
}

void ThumbnailQueue::start(const QString& path) {
    const quint64 id = ++lastJob;
    Job job{path, CancelToken(), generation};
    running.insert(id, job);
    ThumbnailMaker::Reader read;
    if (archive && reader)
        read = [entryReader = reader, path] { return entryReader(path); };
    pool->start([box = box, id, path, read, size = pixels, token = job.token, make = maker,
                 cache = archive ? std::nullopt : std::optional(diskCache)] {
        std::optional<Tile> tile;
        if (!token.isCancelled()) {
            const Cancellation::Scope scope(token);
            tile = produce(path, read, size, cache ? &*cache : nullptr, make);
        }
        // Always told, cancelled or not: the worker is free again.
        QMutexLocker locker(&box->lock);
        if (ThumbnailQueue* receiver = box->receiver) {
            QMetaObject::invokeMethod(
                receiver, [receiver, id, tile] { receiver->finished(id, tile); },
                Qt::QueuedConnection);
        }
    });
}

std::optional<ThumbnailQueue::Tile> ThumbnailQueue::produce(const QString& path,
                                                            const ThumbnailMaker::Reader& read,
                                                            int pixels, const ThumbnailCache* cache,
                                                            const Maker& make) {
    if (!cache || !cache->isCachable(path)) {
        const ThumbnailMaker::Result made = make(path, read, pixels);
        if (Cancellation::requested())
            return std::nullopt;
        return Tile{made.image, made.failed()};
    }
    // Taken before the decode: a file rewritten meanwhile is then out of
    // date in the cache, and made again next time.
    const std::optional<FileStamp> stamp = FileStamp::of(path);
    const ThumbnailCache::Entry entry = cache->lookup(path, pixels, stamp);
    if (entry.state != ThumbnailCache::Entry::Missing)
        return Tile{entry.image, entry.state == ThumbnailCache::Entry::Failed};
    // Made at the size of the cache folder it goes in, so that what other
    // programs read from there is what they expect.
    const int made = std::max(pixels, ThumbnailCache::pixelsOf(ThumbnailCache::sizeFor(pixels)));
    const ThumbnailMaker::Result result = make(path, {}, made);
    if (Cancellation::requested())
        return std::nullopt;
    if (result.failed()) {
        if (lasts(result.failure))
            cache->storeFailure(path, stamp);
        return Tile{QImage(), true};
    }
    // A file cut short may still be arriving.
    if (!result.partial)
        cache->store(path, result.image, stamp);
    return Tile{fitted(result.image, pixels), false};
}

void ThumbnailQueue::finished(quint64 id, std::optional<Tile> tile) {
    const auto it = running.find(id);
    if (it == running.end())
        return;
    const Job job = *it;
    running.erase(it);
    const qsizetype index = indexOf.value(job.path, -1);
    if (tile && !job.cancelled && job.generation == generation && index >= 0) {
        tiles.insert(job.path, *tile);
        emit thumbnailReady(index, job.path, tile->image, tile->failed);
    }
    pump();
}
