#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <memory>

// Runs work on the global thread pool and hands the result to a receiver on
// the receiver's thread, unless the receiver is gone by then. The receiver
// holds a BackgroundTask for as long as it wants results.
class BackgroundTask {
public:
    explicit BackgroundTask(QObject* receiver) : box(std::make_shared<Mailbox>()) {
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
        QThreadPool::globalInstance()->start(
            [box = box, work = std::move(work), done = std::move(done)]() mutable {
                auto result = work();
                QMutexLocker locker(&box->lock);
                // Posted while the receiver is known to be alive; Qt drops the
                // event if the receiver is deleted before it runs.
                if (QObject* receiver = box->receiver) {
                    QMetaObject::invokeMethod(
                        receiver,
                        [done = std::move(done), result = std::move(result)]() mutable {
                            done(std::move(result));
                        },
                        Qt::QueuedConnection);
                }
            });
    }

private:
    struct Mailbox {
        QMutex lock;
        QObject* receiver = nullptr;
    };
    std::shared_ptr<Mailbox> box;
};
