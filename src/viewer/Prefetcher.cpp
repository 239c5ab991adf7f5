#include "viewer/Prefetcher.h"

#include "platform/DecodeFailure.h"
#include "platform/ImageSource.h"
#include "platform/SystemMemory.h"
#include "platform/WorkerPools.h"
#include "platform/Workspace.h"

// One low-priority worker: the image the user asked for comes first.
Prefetcher::Prefetcher(QObject* parent)
    : QObject(parent), budget(defaultBudget()), tasks(this, WorkerPools::readingAhead()) {}

// Nothing is waited for: a decode under way finishes or stops on its own.
Prefetcher::~Prefetcher() = default;

QString Prefetcher::keyOf(const QString& container, const QString& path) {
    return container.isEmpty() ? path : container + QChar(0) + path;
}

qint64 Prefetcher::defaultBudget() {
    return std::min<qint64>(SystemMemory::physicalMemory() / 16, qint64(256) << 20);
}

qint64 Prefetcher::bytesOf(const LoadedItem& item) {
    return item.image.sizeInBytes() + item.screenCopy.sizeInBytes();
}

qint64 Prefetcher::cachedBytes() const {
    qint64 total = 0;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.key() != current)
            total += bytesOf(it->item);
    }
    return total;
}

void Prefetcher::clear() {
    tasks.cancelAll();
    inFlight.clear();
    BackgroundTask::releaseNow(std::exchange(entries, {}));
    wanted.clear();
    current.clear();
}

void Prefetcher::dropChanged() {
    QList<LoadedItem> dropped;
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->stamp != FileStamp::of(it->stampPath)) {
            dropped.append(std::move(it->item));
            it = entries.erase(it);
        } else {
            ++it;
        }
    }
    BackgroundTask::releaseNow(std::move(dropped));
}

void Prefetcher::retain(const QString& currentPath, const QStringList& neighbours,
                        const QString& container) {
    wanted.clear();
    for (const QString& path : neighbours)
        wanted.append(keyOf(container, path));
    current = keyOf(container, currentPath);
    QList<LoadedItem> dropped;
    for (auto it = entries.begin(); it != entries.end();) {
        if (it.key() != current && !wanted.contains(it.key())) {
            dropped.append(std::move(it->item));
            it = entries.erase(it);
        } else {
            ++it;
        }
    }
    BackgroundTask::releaseNow(std::move(dropped));
}

void Prefetcher::prefetch(const QString& currentPath, const QStringList& neighbours, Loader load,
                          const QString& container) {
    retain(currentPath, neighbours, container);
    for (const QString& path : neighbours) {
        const QString key = keyOf(container, path);
        if (key == current || entries.contains(key) || inFlight.contains(key))
            continue;
        inFlight.insert(key);
        const QString stampPath = container.isEmpty() ? path : container;
        const Stamp stamp = FileStamp::of(stampPath);
        tasks.run(
            [path, load, drawn = drawnSize]() {
                LoadedItem item;
                if (load) {
                    item = load(path);
                } else {
                    item = ImageLoader::load(ImageSource::createWithURL(path), path);
                    if (item.image.isNull())
                        item.failure = DecodeFailure::ofFile(path, item.source.get());
                    item.fullSize = item.image.size();
                    // Stepping to it then needs no look at the file on the main thread.
                    item.applications = Workspace::applicationsForFile(path);
                }
                item.screenCopy = ImageLoader::screenCopyFor(item.image, drawn);
                return item;
            },
            [this, path, key, stamp, stampPath](LoadedItem item) {
                inFlight.remove(key);
                if (!wanted.contains(key) || item.image.isNull())
                    return;
                if (cachedBytes() + bytesOf(item) > budget)
                    return; // over budget: it will be decoded when asked for
                entries.insert(key, {std::move(item), stamp, stampPath});
                emit ready(path);
            });
    }
}

void Prefetcher::keep(const QString& path, const LoadedItem& item, const QString& container) {
    if (path.isEmpty() || item.image.isNull() || item.preview)
        return;
    const QString stampPath = container.isEmpty() ? path : container;
    // The stamp from before the decode when there is one: a file changed
    // since must not pass for what was decoded.
    const Stamp stamp = item.stamp && container.isEmpty() ? item.stamp : FileStamp::of(stampPath);
    entries.insert(keyOf(container, path), {item, stamp, stampPath});
}

void Prefetcher::setScreenCopy(const QString& path, const QImage& shown, const QImage& copy,
                               const QString& container) {
    const auto it = entries.find(keyOf(container, path));
    if (it != entries.end() && !copy.isNull() && it->item.image.cacheKey() == shown.cacheKey())
        it->item.screenCopy = copy;
}

std::optional<LoadedItem> Prefetcher::cached(const QString& path, const QString& container) const {
    const auto it = entries.constFind(keyOf(container, path));
    if (it == entries.constEnd() || !(it->stamp == FileStamp::of(it->stampPath)))
        return std::nullopt;
    return it->item;
}
