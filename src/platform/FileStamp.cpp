#include "platform/FileStamp.h"

#include "platform/FileName.h"

#include <sys/stat.h>

std::optional<FileStamp> FileStamp::of(const QString& path) {
    struct stat status {};
    if (::stat(FileName::encode(path).constData(), &status) != 0)
        return std::nullopt;
    return FileStamp{qint64(status.st_size),
                     qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
                     S_ISREG(status.st_mode), quint64(status.st_dev), quint64(status.st_ino)};
}
