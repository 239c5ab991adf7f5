#include "viewer/LaunchDecode.h"

#include "platform/FileName.h"
#include "platform/ImageSource.h"
#include "platform/WorkerPools.h"

#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <sys/stat.h>

namespace {
QMutex pendingLock;
std::shared_ptr<LaunchDecode> pending;
} // namespace

std::optional<LaunchDecode::Identity> LaunchDecode::identify(const QString& path) {
    struct stat status {};
    if (::stat(FileName::encode(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return Identity{qint64(status.st_size),
                    qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

std::shared_ptr<LaunchDecode> LaunchDecode::start(const QString& path,
                                                  ImageLoader::SourceMaker make) {
    const std::optional<Identity> identity = identify(path);
    if (!identity)
        return nullptr;
    if (!make)
        make = [](const QString& file) { return ImageSource::createWithURL(file); };
    std::shared_ptr<LaunchDecode> early(new LaunchDecode(path, *identity, std::move(make)));
    // With two cores, one builds the window while the other makes the first
    // look; the full decode takes whichever is free first. Started beside
    // them, it would slow both and put the first look back by a third.
    const bool staggered = QThread::idealThreadCount() <= 2;
    early->run([early](const ImageLoader::Emit& out) {
        ImageLoader::decodeFirstLook(
            early->file, assumedScreen(), [early] { return early->drawnSize(); }, out);
        early->startFullDecode();
    });
    if (!staggered)
        early->startFullDecode();
    QMutexLocker locker(&pendingLock);
    if (pending)
        pending->cancel();
    pending = early;
    return early;
}

void LaunchDecode::run(std::function<void(const ImageLoader::Emit&)> work) {
    WorkerPools::decoding()->start([self = shared_from_this(), work = std::move(work)] {
        if (self->token.isCancelled())
            return;
        const Cancellation::Scope scope(self->token);
        work([self](LoadedItem item) { self->arrived(std::move(item)); });
    });
}

void LaunchDecode::startFullDecode() {
    if (fullStarted.exchange(true))
        return;
    run([self = shared_from_this()](const ImageLoader::Emit& out) {
        ImageLoader::decodeFile(
            self->file, true, self->make, [self] { return self->drawnSize(); }, out);
    });
}

std::shared_ptr<LaunchDecode> LaunchDecode::take(const QString& path) {
    std::shared_ptr<LaunchDecode> early;
    {
        QMutexLocker locker(&pendingLock);
        early = std::exchange(pending, nullptr);
    }
    if (!early)
        return nullptr;
    if (early->file != path || identify(path) != early->identity) {
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
    // The window is up: the core that built it is free for the full decode.
    startFullDecode();
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
