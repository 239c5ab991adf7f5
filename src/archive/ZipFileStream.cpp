#include "archive/ZipFileStream.h"

#include "archive/ZipStreamSupport.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 readAt(ZipFileStream* stream, char* buffer, quint64 count, quint64 offset) {
    for (;;) {
        const ssize_t got = pread(stream->fd, buffer, count, off_t(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            stream->failed = true;
            return -1;
        }
    }
}

voidpf ZCALLBACK fileOpen(voidpf, const void* filename, int) {
    // Only a regular file is opened at all: opening a device can act on it.
    struct stat named;
    if (::stat(static_cast<const char*>(filename), &named) != 0 || !S_ISREG(named.st_mode))
        return nullptr;
    const int fd = ::open(static_cast<const char*>(filename), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto* stream = new (std::nothrow) ZipFileStream;
    if (!stream) {
        ::close(fd);
        return nullptr;
    }
    stream->fd = fd;
    stream->size = quint64(info.st_size);
    return stream;
}

uLong ZCALLBACK fileRead(voidpf, voidpf handle, void* buffer, uLong count) {
    auto* stream = static_cast<ZipFileStream*>(handle);
    char* out = static_cast<char*>(buffer);
    // Most calls are for one byte of a header field.
    if (count == 1 && stream->position - stream->blockStart < stream->blockLength) {
        *out = stream->block[stream->position++ - stream->blockStart];
        return 1;
    }
    uLong done = 0;
    while (done < count) {
        const quint64 at = stream->position;
        if (at >= stream->blockStart && at < stream->blockStart + stream->blockLength) {
            const quint64 taken =
                std::min<quint64>(count - done, stream->blockStart + stream->blockLength - at);
            std::memcpy(out + done, stream->block + (at - stream->blockStart), taken);
            done += taken;
            stream->position += taken;
            continue;
        }
        // Large reads (compressed data) bypass the block.
        const bool direct = count - done >= sizeof stream->block / 4;
        const qint64 got = direct ? readAt(stream, out + done, count - done, at)
                                  : readAt(stream, stream->block, sizeof stream->block, at);
        if (got <= 0)
            break;
        if (direct) {
            done += uLong(got);
            stream->position += quint64(got);
        } else {
            stream->blockStart = at;
            stream->blockLength = quint64(got);
        }
    }
    return done;
}

ZPOS64_T ZCALLBACK fileTell(voidpf, voidpf handle) {
    return static_cast<ZipFileStream*>(handle)->position;
}

long ZCALLBACK fileSeek(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
    auto* stream = static_cast<ZipFileStream*>(handle);
    const auto target =
        ZipStreamSupport::seekTarget(stream->position, stream->size, offset, origin);
    if (!target)
        return -1;
    stream->position = *target;
    return 0;
}

int ZCALLBACK fileClose(voidpf, voidpf handle) {
    auto* stream = static_cast<ZipFileStream*>(handle);
    const int result = ::close(stream->fd);
    delete stream;
    return result;
}

int ZCALLBACK fileError(voidpf, voidpf handle) {
    return static_cast<ZipFileStream*>(handle)->failed ? 1 : 0;
}
} // namespace

zlib_filefunc64_def ZipFileStream::fileFunctions() {
    zlib_filefunc64_def functions;
    functions.zopen64_file = fileOpen;
    functions.zread_file = fileRead;
    functions.zwrite_file = ZipStreamSupport::refuseWrite;
    functions.ztell64_file = fileTell;
    functions.zseek64_file = fileSeek;
    functions.zclose_file = fileClose;
    functions.zerror_file = fileError;
    functions.opaque = nullptr;
    return functions;
}
