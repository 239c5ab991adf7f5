#include "platform/FileStamp.h"

#include "platform/FileName.h"

#include <sys/stat.h>

std::optional<FileStamp> FileStamp::of(const QString& path) {
    struct stat status {};
    if (::stat(FileName::encode(path).constData(), &status) != 0)
        return std::nullopt;
    const auto nanoseconds = [](const timespec& time) {
        return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    };
    return FileStamp{qint64(status.st_size),      nanoseconds(status.st_mtim),
                     nanoseconds(status.st_ctim), S_ISREG(status.st_mode),
                     quint64(status.st_dev),      quint64(status.st_ino)};
}
