#pragma once

#include "platform/Cancellation.h"

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <memory>

class QThreadPool;

// Runs work on one of our thread pools and hands results to a receiver on
// the receiver's thread, unless the receiver is gone by then or the work was
// cancelled. The receiver holds a BackgroundTask for as long as it wants
// results; destroying it cancels what it started, without waiting for it.
class BackgroundTask {
    struct Mailbox {
        QMutex lock;
        QObject* receiver = nullptr;
    };

public:
    // Given to work that reports more than once: post(fn) runs fn on the
    // receiver's thread, or not at all when the receiver is gone or the work
    // has been cancelled.
    class Poster {
    public:
        template <typename Fn> void operator()(Fn fn) const {
            QMutexLocker locker(&box->lock);
            // Posted while the receiver is known to be alive; Qt drops the
            // event if the receiver is deleted before it runs.
            if (QObject* receiver = box->receiver; receiver && !token.isCancelled()) {
                QMetaObject::invokeMethod(
                    receiver,
                    [token = token, fn = std::move(fn)]() mutable {
                        if (!token.isCancelled())
                            fn();
                    },
                    Qt::QueuedConnection);
            }
        }
        bool isCancelled() const { return token.isCancelled(); }

    private:
        friend class BackgroundTask;
        Poster(std::shared_ptr<Mailbox> box, CancelToken token)
            : box(std::move(box)), token(std::move(token)) {}
        std::shared_ptr<Mailbox> box;
        CancelToken token;
    };

    // Without a pool, work runs on the pool for what the user asked to see.
    explicit BackgroundTask(QObject* receiver, QThreadPool* pool = nullptr);
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // `work` runs on a worker; `done(result)` runs later on the receiver's thread.
    template <typename Work, typename Done> void run(Work work, Done done) {
        start([work = std::move(work), done = std::move(done)](const Poster& post) mutable {
            post([done = std::move(done), result = work()]() mutable { done(std::move(result)); });
        });
    }
    // `work(post)` runs on a worker and may post any number of times. Work
    // still queued when it is cancelled never runs; work running sees the
    // cancellation through Cancellation::requested().
    template <typename Work> void start(Work work) {
        submit([post = Poster(box, token), work = std::move(work)]() mutable {
            if (post.isCancelled())
                return;
            const Cancellation::Scope scope(post.token);
            work(post);
        });
    }
    // Cancels everything started so far; what is started later runs.
    void cancelAll();

    // Frees `value` on a worker once the paint under way is done. Unmapping
    // the pages of a large image takes milliseconds, and a worker doing it at
    // once competes with that paint for the processor and the address space.
    template <typename T> static void release(T&& value) {
        releaseLater(std::make_shared<std::decay_t<T>>(std::forward<T>(value)));
    }
    // Frees `value` on a worker now: for what is dropped off the path of a
    // paint, where holding it longer would only add to the peak.
    template <typename T> static void releaseNow(T&& value) {
        freeOnWorker(std::make_shared<std::decay_t<T>>(std::forward<T>(value)));
    }
    // Shorter than the wait before reading ahead, so that what a step frees
    // is gone before the next decode allocates.
    static constexpr int releaseDelayMs = 40;

private:
    void submit(std::function<void()> job);
    static void releaseLater(std::shared_ptr<void> garbage);
    static void freeOnWorker(std::shared_ptr<void> garbage);

    std::shared_ptr<Mailbox> box;
    CancelToken token;
    QThreadPool* pool;
};
