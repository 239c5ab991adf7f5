#include "platform/RegularFile.h"

#include "platform/FileName.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFile RegularFile::open(const QString& path) {
    RegularFile file;
    const QByteArray name = FileName::encode(path);
    if (name.isEmpty())
        return file;
    // Nothing but a regular file is even opened: opening a device can act
    // (a tape rewinds, a watchdog arms) and opening a FIFO wakes its writer.
    struct stat status {};
    if (::stat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return file;
    // Non-blocking, so that a FIFO swapped in since cannot hold the open up;
    // what the path names is checked again on the open file itself, so it
    // cannot change between the check and the read.
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return file;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return file;
    }
    // Reads of a regular file never block on O_NONBLOCK; clear it anyway so
    // that the descriptor behaves like any other (in QFile, say).
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file.fd = fd;
    file.bytes = qint64(status.st_size);
    return file;
}

std::optional<QByteArray> RegularFile::readAll(const QString& path, qint64 maxBytes) {
    RegularFile file = open(path);
    if (!file.isOpen() || file.size() <= 0 || file.size() > maxBytes)
        return std::nullopt;
    QByteArray bytes = file.read(file.size());
    if (bytes.size() != file.size())
        return std::nullopt; // changed while being read
    return bytes;
}

QByteArray RegularFile::readHead(const QString& path, qint64 maxBytes) {
    RegularFile file = open(path);
    return file.isOpen() ? file.read(maxBytes) : QByteArray();
}

RegularFile::RegularFile(RegularFile&& other) noexcept : fd(other.fd), bytes(other.bytes) {
    other.fd = -1;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        fd = other.fd;
        bytes = other.bytes;
        other.fd = -1;
    }
    return *this;
}

RegularFile::~RegularFile() {
    if (fd >= 0)
        ::close(fd);
}

QByteArray RegularFile::read(qint64 maxBytes) {
    if (fd < 0 || maxBytes <= 0)
        return QByteArray();
    QByteArray data(qsizetype(maxBytes), Qt::Uninitialized);
    qint64 done = 0;
    while (done < maxBytes) {
        const ssize_t n = ::read(fd, data.data() + done, size_t(maxBytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return QByteArray();
        if (n == 0)
            break;
        done += n;
    }
    data.truncate(qsizetype(done));
    return data;
}

qint64 RegularFile::readAt(qint64 offset, void* out, qint64 n) const {
    if (fd < 0 || offset < 0 || n < 0)
        return -1;
    qint64 done = 0;
    while (done < n) {
        const ssize_t got =
            ::pread(fd, static_cast<char*>(out) + done, size_t(n - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

std::unique_ptr<QFile> RegularFile::takeDevice() {
    if (fd < 0)
        return nullptr;
    auto device = std::make_unique<QFile>();
    if (!device->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return nullptr; // fd is still ours and closes with us
    }
    fd = -1;
    return device;
}
