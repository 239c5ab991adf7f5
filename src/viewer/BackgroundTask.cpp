#include "viewer/BackgroundTask.h"

#include <QCoreApplication>
#include <QList>
#include <QTimer>

QThreadPool* BackgroundTask::reaper() {
    static QThreadPool* pool = [] {
        auto* freeing = new QThreadPool;
        freeing->setMaxThreadCount(1);
        return freeing;
    }();
    return pool;
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
        reaper()->start([batch = std::move(batch)]() mutable { batch.clear(); });
    });
}
