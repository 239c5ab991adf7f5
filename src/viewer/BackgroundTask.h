#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <memory>

// Runs work on a thread pool and hands results to a receiver on the
// receiver's thread, unless the receiver is gone by then. The receiver holds
// a BackgroundTask for as long as it wants results.
class BackgroundTask {
    struct Mailbox {
        QMutex lock;
        QObject* receiver = nullptr;
    };

public:
    // Given to work that reports more than once: post(fn) runs fn on the
    // receiver's thread, or not at all when the receiver is gone.
    class Poster {
    public:
        template <typename Fn> void operator()(Fn fn) const {
            QMutexLocker locker(&box->lock);
            // Posted while the receiver is known to be alive; Qt drops the
            // event if the receiver is deleted before it runs.
            if (QObject* receiver = box->receiver)
                QMetaObject::invokeMethod(receiver, std::move(fn), Qt::QueuedConnection);
        }

    private:
        friend class BackgroundTask;
        explicit Poster(std::shared_ptr<Mailbox> box) : box(std::move(box)) {}
        std::shared_ptr<Mailbox> box;
    };

    explicit BackgroundTask(QObject* receiver, QThreadPool* pool = QThreadPool::globalInstance())
        : box(std::make_shared<Mailbox>()), pool(pool) {
        box->receiver = receiver;
    }
    ~BackgroundTask() {
        QMutexLocker locker(&box->lock);
        box->receiver = nullptr;
    }
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // `work` runs on a worker; `done(result)` runs later on the receiver's thread.
    template <typename Work, typename Done> void run(Work work, Done done) {
        start([work = std::move(work), done = std::move(done)](const Poster& post) mutable {
            post([done = std::move(done), result = work()]() mutable { done(std::move(result)); });
        });
    }
    // `work(post)` runs on a worker and may post any number of times.
    template <typename Work> void start(Work work) {
        pool->start([post = Poster(box), work = std::move(work)]() mutable { work(post); });
    }

    // Frees `value` on a worker once the paint under way is done. Unmapping
    // the pages of a large image takes milliseconds, and a worker doing it at
    // once competes with that paint for the processor and the address space.
    template <typename T> static void release(T&& value) {
        releaseLater(std::make_shared<std::decay_t<T>>(std::forward<T>(value)));
    }
    // Frees `value` on a worker now: for what is dropped off the path of a
    // paint, where holding it longer would only add to the peak.
    template <typename T> static void releaseNow(T&& value) {
        reaper()->start([v = std::forward<T>(value)]() mutable {
            [[maybe_unused]] const auto dropped = std::move(v);
        });
    }
    // Shorter than the wait before reading ahead, so that what a step frees
    // is gone before the next decode allocates.
    static constexpr int releaseDelayMs = 40;

private:
    static void releaseLater(std::shared_ptr<void> garbage);
    // A thread of its own for freeing, so that a free never waits in line
    // behind a decode while the memory it holds adds to the peak.
    static QThreadPool* reaper();

    std::shared_ptr<Mailbox> box;
    QThreadPool* pool;
};
