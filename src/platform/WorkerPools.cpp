#include "platform/WorkerPools.h"

#include <QThread>
#include <QThreadPool>

namespace {

// Allocated once and never destroyed: a pool's destructor waits for the work
// in it, and nothing should wait for a decode at exit.
QThreadPool* makePool(int threads, QThread::Priority priority) {
    auto* pool = new QThreadPool;
    pool->setMaxThreadCount(threads);
    pool->setThreadPriority(priority);
    return pool;
}

} // namespace

QThreadPool* WorkerPools::decoding() {
    static QThreadPool* pool = makePool(std::max(2, QThread::idealThreadCount()), QThread::NormalPriority);
    return pool;
}

QThreadPool* WorkerPools::readingAhead() {
    static QThreadPool* pool = makePool(1, QThread::LowPriority);
    return pool;
}

QThreadPool* WorkerPools::frames() {
    static QThreadPool* pool = makePool(1, QThread::LowPriority);
    return pool;
}

QThreadPool* WorkerPools::lookups() {
    static QThreadPool* pool = makePool(2, QThread::NormalPriority);
    return pool;
}

QThreadPool* WorkerPools::details() {
    static QThreadPool* pool = makePool(1, QThread::LowPriority);
    return pool;
}

QThreadPool* WorkerPools::exporting() {
    static QThreadPool* pool = makePool(1, QThread::NormalPriority);
    return pool;
}

QThreadPool* WorkerPools::freeing() {
    static QThreadPool* pool = makePool(1, QThread::NormalPriority);
    return pool;
}

QThreadPool* WorkerPools::thumbnails() {
    static QThreadPool* pool = makePool(2, QThread::LowPriority);
    return pool;
}
