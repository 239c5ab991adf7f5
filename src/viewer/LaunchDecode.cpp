#include "viewer/LaunchDecode.h"

#include "platform/ImageSource.h"
#include "platform/WorkerPools.h"

#include <QMetaObject>
#include <QThreadPool>

namespace {
QMutex pendingLock;
std::shared_ptr<LaunchDecode> pending;
} // namespace

std::shared_ptr<LaunchDecode> LaunchDecode::start(const QString& path,
                                                  ImageLoader::SourceMaker make) {
    const std::optional<FileStamp> identity = FileStamp::of(path);
    if (!identity || !identity->regular)
        return nullptr;
    if (!make)
        make = [](const QString& file) { return ImageSource::createWithURL(file); };
    std::shared_ptr<LaunchDecode> early(new LaunchDecode(path, *identity));
    const auto run = [early](auto work) {
        WorkerPools::decoding()->start([early, work = std::move(work)] {
            if (early->token.isCancelled())
                return;
            const Cancellation::Scope scope(early->token);
            work([early](LoadedItem item) { early->arrived(std::move(item)); });
        });
    };
    // Side by side: on two cores the full image comes sharp well before it
    // would after the first look, which itself comes a little later.
    run([path, early](const ImageLoader::Emit& out) {
        ImageLoader::decodeFirstLook(
            path, assumedScreen(), [early] { return early->drawnSize(); }, out);
    });
    run([path, make, early](const ImageLoader::Emit& out) {
        ImageLoader::decodeFile(
            path, true, make, [early] { return early->drawnSize(); }, out);
    });
    QMutexLocker locker(&pendingLock);
    if (pending)
        pending->cancel();
    pending = early;
    return early;
}

std::shared_ptr<LaunchDecode> LaunchDecode::take(const QString& path) {
    std::shared_ptr<LaunchDecode> early;
    {
        QMutexLocker locker(&pendingLock);
        early = std::exchange(pending, nullptr);
    }
    if (!early)
        return nullptr;
    if (early->file != path || FileStamp::of(path) != early->identity) {
        early->cancel();
        return nullptr;
    }
    return early;
}

void LaunchDecode::discard() {
    QMutexLocker locker(&pendingLock);
    if (pending)
        std::exchange(pending, nullptr)->cancel();
}

void LaunchDecode::attach(QObject* to, ImageLoader::DrawnSize size, ImageLoader::Emit handler) {
    QMutexLocker locker(&lock);
    receiver = to;
    deliver = std::move(handler);
    drawn = std::move(size);
    attached = true;
    for (LoadedItem& item : waiting)
        post(std::move(item));
    waiting.clear();
}

void LaunchDecode::cancel() {
    token.cancel();
    QMutexLocker locker(&lock);
    receiver = nullptr;
    deliver = nullptr;
    // The decoded pixels go now, not with the last reference to this.
    waiting.clear();
}

ImageLoader::DrawnSize LaunchDecode::drawnSize() {
    QMutexLocker locker(&lock);
    return drawn;
}

void LaunchDecode::arrived(LoadedItem item) {
    QMutexLocker locker(&lock);
    if (token.isCancelled())
        return;
    if (attached)
        post(std::move(item));
    else
        waiting.push_back(std::move(item));
}

void LaunchDecode::post(LoadedItem item) {
    // Called with the lock held, so the receiver cannot go in between.
    if (!receiver || !deliver || token.isCancelled())
        return;
    QMetaObject::invokeMethod(
        receiver,
        [self = shared_from_this(), item = std::move(item)]() mutable {
            ImageLoader::Emit handler;
            {
                QMutexLocker locker(&self->lock);
                if (self->token.isCancelled())
                    return;
                handler = self->deliver;
            }
            if (handler)
                handler(std::move(item));
        },
        Qt::QueuedConnection);
}
