#include "viewer/BackgroundTask.h"

#include "platform/WorkerPools.h"

#include <QCoreApplication>
#include <QList>
#include <QThreadPool>
#include <QTimer>

BackgroundTask::BackgroundTask(QObject* receiver, QThreadPool* pool)
    : box(std::make_shared<Mailbox>()), pool(pool ? pool : WorkerPools::decoding()) {
    box->receiver = receiver;
}

BackgroundTask::~BackgroundTask() {
    token.cancel();
    QMutexLocker locker(&box->lock);
    box->receiver = nullptr;
}

void BackgroundTask::cancelAll() {
    token.cancel();
    token = CancelToken();
}

void BackgroundTask::submit(std::function<void()> job) {
    pool->start(std::move(job));
}

void BackgroundTask::freeOnWorker(std::shared_ptr<void> garbage) {
    WorkerPools::freeing()->start([garbage = std::move(garbage)]() mutable { garbage.reset(); });
}

void BackgroundTask::releaseLater(std::shared_ptr<void> garbage) {
    static QMutex lock;
    static QList<std::shared_ptr<void>> pending;
    QMutexLocker locker(&lock);
    pending.append(std::move(garbage));
    if (pending.size() > 1 || !QCoreApplication::instance())
        return; // a flush is on its way (or nothing will run one: freed at exit)
    // One flush per batch, not per release, so that the delay bounds how long
    // anything waits and how much waits.
    QTimer::singleShot(releaseDelayMs, QCoreApplication::instance(), [] {
        QList<std::shared_ptr<void>> batch;
        {
            QMutexLocker flushLocker(&lock);
            batch.swap(pending);
        }
        WorkerPools::freeing()->start([batch = std::move(batch)]() mutable { batch.clear(); });
    });
}
