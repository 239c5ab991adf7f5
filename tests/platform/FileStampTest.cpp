#include "platform/FileStamp.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Every way a writer changes a shown file changes its stamp, also when size
// and modification time stay (renamed over; rewritten in place by a copy
// that keeps times); reading does not, and a vanished file has none.
TEST(FileStamp, EveryChangeToTheContentIsNoticedAndReadingIsNot) {
    QTemporaryDir folder;
    const QString path = folder.filePath("shown.jpg"), other = folder.filePath("new.jpg");
    const QByteArray before(1000, 'a'), after(1000, 'b');
    const auto status = [](const QString& file) {
        struct stat s {};
        ::stat(QFile::encodeName(file).constData(), &s);
        return s;
    };
    const auto setModified = [](const QString& file, timespec time) {
        const timespec times[2] = {{0, UTIME_OMIT}, time};
        return ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0) == 0;
    };
    const auto later = [](timespec a, timespec b) {
        return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
    };
    const struct {
        const char* what;
        std::function<bool(timespec modified)> change;
        bool noticed;
    } cases[] = {
        {"read", [&](timespec) { return TestImages::read(path) == before; }, false},
        {"renamed over",
         [&](timespec modified) {
             return TestImages::write(other, after) && setModified(other, modified) &&
                    std::rename(QFile::encodeName(other).constData(),
                                QFile::encodeName(path).constData()) == 0;
         },
         true},
        {"rewritten in place",
         [&](timespec modified) {
             QFile file(path);
             return file.open(QIODevice::ReadWrite) && file.write(after) == after.size() &&
                    file.flush() && setModified(path, modified);
         },
         true},
        {"grown", [&](timespec) { return TestImages::write(path, before + after); }, true},
        {"touched a nanosecond on",
         [&](timespec modified) {
             modified.tv_nsec = (modified.tv_nsec + 1) % 1'000'000'000;
             return setModified(path, modified);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(TestImages::write(path, before));
        const struct stat written = status(path);
        const std::optional<FileStamp> stamp = FileStamp::of(path);
        ASSERT_TRUE(stamp && stamp->regular && stamp->size == 1000);
        // The file system's clock is coarse: a change within the tick of the
        // write before it cannot be told by any stamp.
        while (!later(status(other).st_ctim, written.st_ctim))
            ASSERT_TRUE(TestImages::write(other, "tick"));
        ASSERT_TRUE(c.change(written.st_mtim));
        EXPECT_EQ(FileStamp::of(path) != stamp, c.noticed);
    }
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(FileStamp::of(path));
}

} // namespace
