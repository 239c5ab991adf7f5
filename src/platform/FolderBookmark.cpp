#include "platform/FolderBookmark.h"

#include "platform/FileName.h"

#include <QDataStream>
#include <QIODevice>
#include <cstdlib>
#include <sys/stat.h>

namespace {
constexpr quint32 magic = 0x4f46424d; // "OFBM"
constexpr quint32 version = 1;
// A hand-edited store could claim any length; no path is this long.
constexpr int maximumPathBytes = 64 * 1024;

bool folderStatus(const QByteArray& path, struct stat& status) {
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}
} // namespace

std::optional<QByteArray> FolderBookmark::create(const QString& folder) {
    const QByteArray encoded = FileName::encode(folder);
    char* real = ::realpath(encoded.constData(), nullptr);
    if (!real)
        return std::nullopt;
    const QByteArray canonical(real);
    std::free(real);
    struct stat status {};
    if (!folderStatus(canonical, status))
        return std::nullopt;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << magic << version << quint64(status.st_dev) << quint64(status.st_ino) << canonical;
    return bytes;
}

std::optional<QString> FolderBookmark::resolve(const QByteArray& bookmark) {
    QDataStream in(bookmark);
    quint32 readMagic = 0, readVersion = 0;
    quint64 device = 0, inode = 0;
    in >> readMagic >> readVersion >> device >> inode;
    if (in.status() != QDataStream::Ok || readMagic != magic || readVersion != version)
        return std::nullopt;
    quint32 length = 0;
    in >> length;
    if (in.status() != QDataStream::Ok || length == 0xffffffffu || length == 0 ||
        length > quint32(maximumPathBytes) || qsizetype(length) > bookmark.size())
        return std::nullopt;
    QByteArray path(qsizetype(length), Qt::Uninitialized);
    if (in.readRawData(path.data(), int(length)) != int(length))
        return std::nullopt;
    struct stat status {};
    if (!folderStatus(path, status) || quint64(status.st_dev) != device ||
        quint64(status.st_ino) != inode)
        return std::nullopt;
    return FileName::decode(path);
}
