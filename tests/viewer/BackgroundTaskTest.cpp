#include "viewer/BackgroundTask.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// Records where and when it was destroyed.
struct Tracked {
    std::atomic<QThread*>* where;
    explicit Tracked(std::atomic<QThread*>* where) : where(where) {}
    Tracked(Tracked&& other) noexcept : where(std::exchange(other.where, nullptr)) {}
    ~Tracked() {
        if (where)
            where->store(QThread::currentThread());
    }
};

TEST(BackgroundTask, ReleasedValuesAreFreedLaterAndOffTheCallingThread) {
    std::atomic<QThread*> first{nullptr};
    std::atomic<QThread*> second{nullptr};
    BackgroundTask::release(Tracked(&first));
    BackgroundTask::release(Tracked(&second));
    QCoreApplication::processEvents();
    EXPECT_EQ(first.load(), nullptr) << "not during the step that released it";
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.load() && second.load(); }, 5000));
    EXPECT_NE(first.load(), QThread::currentThread());
    EXPECT_NE(second.load(), QThread::currentThread());
}

} // namespace
