#include "platform/FileStamp.h"
#include "platform/FileName.h"
#include "support/TestImages.h"

#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct stat statusOf(const QString& path) {
    struct stat status {};
    ::stat(FileName::encode(path).constData(), &status);
    return status;
}

// Writes bytes over the start of the file, keeping its inode and size.
bool overwrite(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(FileName::encode(path).constData(), O_WRONLY);
    const bool done = fd >= 0 && ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) ==
                                     ssize_t(bytes.size());
    return ::close(fd) == 0 && done;
}

bool setModified(const QString& path, const timespec& time) {
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    return ::utimensat(AT_FDCWD, FileName::encode(path).constData(), times, 0) == 0;
}

// Every way a writer can change a shown file changes its stamp, also when
// it keeps the size and the modification time (renamed over, or rewritten
// in place by a copy that preserves times); reading it does not.
TEST(FileStamp, EveryChangeToTheContentIsNoticedAndReadingIsNot) {
    QTemporaryDir folder;
    const QString path = folder.filePath("shown.jpg");
    const QString other = folder.filePath("new.jpg");
    const QByteArray before(1000, 'a'), after(1000, 'b');
    using Change = std::function<bool(const timespec& modified)>;
    const struct {
        const char* what;
        Change change;
        bool noticed;
    } cases[] = {
        {"read", [&](const timespec&) { return TestImages::read(path) == before; }, false},
        {"renamed over, same size and time",
         [&](const timespec& modified) {
             return TestImages::write(other, after) && setModified(other, modified) &&
                    std::rename(FileName::encode(other).constData(),
                                FileName::encode(path).constData()) == 0;
         },
         true},
        {"rewritten in place, time set back",
         [&](const timespec& modified) {
             return overwrite(path, after) && setModified(path, modified);
         },
         true},
        {"grown", [&](const timespec&) { return TestImages::write(path, before + after); }, true},
        {"touched a nanosecond on",
         [&](const timespec& modified) {
             timespec later = modified;
             later.tv_nsec = (later.tv_nsec + 1) % 1'000'000'000;
             return setModified(path, later);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(TestImages::write(path, before));
        const struct stat status = statusOf(path);
        const std::optional<FileStamp> stamp = FileStamp::of(path);
        ASSERT_TRUE(stamp && stamp->regular);
        EXPECT_EQ(stamp->size, 1000);
        // The clock the file system stamps with is coarse: a change in the
        // same tick as the write before it could not be told by any stamp.
        const auto ticked = [&] {
            const timespec now = statusOf(other).st_ctim, then = status.st_ctim;
            return now.tv_sec > then.tv_sec ||
                   (now.tv_sec == then.tv_sec && now.tv_nsec > then.tv_nsec);
        };
        while (!ticked())
            ASSERT_TRUE(TestImages::write(other, "tick"));
        ASSERT_TRUE(c.change(status.st_mtim));
        EXPECT_EQ(FileStamp::of(path) != stamp, c.noticed);
    }
    ASSERT_TRUE(::unlink(FileName::encode(path).constData()) == 0);
    EXPECT_FALSE(FileStamp::of(path)) << "a vanished file has none";
}

} // namespace
