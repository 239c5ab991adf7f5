#include "platform/ThumbnailCache.h"

#include "platform/FileName.h"
#include "platform/RegularFile.h"
#include "platform/imagesource/AreaReducer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const QString ThumbnailCache::uriKey = QStringLiteral("Thumb::URI");
const QString ThumbnailCache::mtimeKey = QStringLiteral("Thumb::MTime");
const QString ThumbnailCache::sizeKey = QStringLiteral("Thumb::Size");
const QString ThumbnailCache::softwareKey = QStringLiteral("Software");

namespace {

const QString failureFolder = QStringLiteral("fail/ovisto");

qint64 wholeSeconds(qint64 nanoseconds) {
    qint64 seconds = nanoseconds / 1000000000;
    if (nanoseconds % 1000000000 < 0)
        --seconds;
    return seconds;
}

QImage fitted(const QImage& image, int pixels) {
    const QSize size = AreaReducer::fitted(image.size(), QSize(pixels, pixels));
    return size == image.size() ? image : AreaReducer::averaged(image, size);
}

bool isInside(const QString& path, const QString& folder) {
    return !folder.isEmpty() && (path == folder || path.startsWith(folder + QLatin1Char('/')));
}

// The whole buffer to a new descriptor; false on any short or failed write.
bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString ThumbnailCache::folderOf(int size) {
    static const char* const names[sizeCount] = {"normal", "large", "x-large", "xx-large"};
    return QString::fromLatin1(names[std::clamp(size, 0, sizeCount - 1)]);
}

int ThumbnailCache::sizeFor(int pixels) {
    for (int size = 0; size < sizeCount; ++size) {
        if (pixelsOf(size) >= pixels)
            return size;
    }
    return sizeCount - 1;
}

ThumbnailCache::ThumbnailCache(QString root) : cacheRoot(QDir::cleanPath(root)) {}

QString ThumbnailCache::defaultRoot() {
    // A relative value is to be ignored, as if it were not set.
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/thumbnails");
}

QByteArray ThumbnailCache::uriOf(const QString& absolutePath) {
    // What QUrl leaves as it is in a path: the unreserved characters, the
    // sub-delimiters, ":", "@", the brackets and the slashes.
    static const QByteArray kept = QByteArrayLiteral("/!$&'()*+,;=:@[]");
    return QByteArrayLiteral("file://") + FileName::encode(absolutePath).toPercentEncoding(kept);
}

QString ThumbnailCache::nameOf(const QString& absolutePath) {
    return QString::fromLatin1(
               QCryptographicHash::hash(uriOf(absolutePath), QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

QString ThumbnailCache::fileFor(const QString& path, int size) const {
    return cacheRoot + QLatin1Char('/') + folderOf(size) + QLatin1Char('/') + nameOf(path);
}

QString ThumbnailCache::failureFileFor(const QString& path) const {
    return cacheRoot + QLatin1Char('/') + failureFolder + QLatin1Char('/') + nameOf(path);
}

bool ThumbnailCache::isCachable(const QString& path) const {
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || cacheRoot.isEmpty())
        return false;
    // Thumbnails of thumbnails would feed on themselves; the root may be
    // reached through a link, too.
    if (isInside(QDir::cleanPath(path), cacheRoot))
        return false;
    const QString realRoot = QFileInfo(cacheRoot).canonicalFilePath();
    return realRoot.isEmpty() || !isInside(QFileInfo(path).canonicalFilePath(), realRoot);
}

QImage ThumbnailCache::readValid(const QString& file, int maxSide, const FileStamp& stamp) {
    // A thumbnail is at most its folder's size, so no honest one is larger
    // than its raw pixels at 16 bits a channel: a hostile file costs no more.
    const qint64 maxBytes = qint64(maxSide) * maxSide * 8 + (64 << 10);
    std::optional<QByteArray> bytes = RegularFile::readAll(file, maxBytes);
    if (!bytes || !bytes->startsWith("\x89PNG\r\n\x1a\n"))
        return QImage();
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > maxSide || size.height() > maxSide)
        return QImage();
    QImage image = reader.read();
    if (image.isNull())
        return QImage();
    // The keys may come after the pixels, so they are read from the image.
    bool ok = false;
    const qint64 mtime = image.text(mtimeKey).toLongLong(&ok);
    if (!ok || mtime != wholeSeconds(stamp.modified))
        return QImage();
    const QString recordedSize = image.text(sizeKey);
    if (!recordedSize.isEmpty() && (recordedSize.toLongLong(&ok) != stamp.size || !ok))
        return QImage();
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

ThumbnailCache::Entry ThumbnailCache::lookup(const QString& path, int pixels,
                                             const std::optional<FileStamp>& stamp) const {
    if (pixels <= 0 || !isCachable(path))
        return {};
    const std::optional<FileStamp> now = stamp ? stamp : FileStamp::of(path);
    if (!now || !now->regular)
        return {};
    const int first = sizeFor(pixels);
    QList<int> order;
    for (int size = first; size < sizeCount; ++size)
        order.append(size);
    for (int size = first - 1; size >= 0; --size)
        order.append(size);
    for (int size : order) {
        const QImage image = readValid(fileFor(path, size), pixelsOf(size), *now);
        if (!image.isNull())
            return {Entry::Found, fitted(image, pixels)};
    }
    if (!readValid(failureFileFor(path), pixelsOf(0), *now).isNull())
        return {Entry::Failed, QImage()};
    return {};
}

bool ThumbnailCache::store(const QString& path, const QImage& image,
                           const std::optional<FileStamp>& stamp) const {
    if (image.isNull() || !isCachable(path))
        return false;
    const std::optional<FileStamp> now = stamp ? stamp : FileStamp::of(path);
    if (!now || !now->regular)
        return false;
    const QImage kept = fitted(image, pixelsOf(sizeCount - 1));
    const int size = sizeFor(std::max(kept.width(), kept.height()));
    return write(cacheRoot + QLatin1Char('/') + folderOf(size), nameOf(path), kept, *now, path);
}

bool ThumbnailCache::storeFailure(const QString& path,
                                  const std::optional<FileStamp>& stamp) const {
    if (!isCachable(path))
        return false;
    const std::optional<FileStamp> now = stamp ? stamp : FileStamp::of(path);
    if (!now || !now->regular)
        return false;
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    return write(cacheRoot + QLatin1Char('/') + failureFolder, nameOf(path), mark, *now, path);
}

bool ThumbnailCache::makeFolder(const QString& folder) const {
    const QFileInfo info(folder);
    if (info.exists())
        return info.isDir();
    const QString parent = info.path();
    if (parent == folder || !makeFolder(parent))
        return false;
    // Only the owner may see what the owner has looked at.
    return ::mkdir(FileName::encode(folder).constData(), 0700) == 0 || errno == EEXIST;
}

bool ThumbnailCache::write(const QString& folder, const QString& name, QImage image,
                           const FileStamp& stamp, const QString& path) const {
    if (!makeFolder(folder))
        return false;
    image.setText(uriKey, QString::fromLatin1(uriOf(path)));
    image.setText(mtimeKey, QString::number(wholeSeconds(stamp.modified)));
    image.setText(sizeKey, QString::number(stamp.size));
    image.setText(softwareKey, QStringLiteral("Ovisto"));
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image))
            return false;
    }
    // Readers (other programs among them) see the old file or the whole new
    // one, never a part: the new one is written beside it, then renamed.
    // mkstemp makes it 0600.
    const QByteArray target = FileName::encode(folder + QLatin1Char('/') + name);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const bool written = ::fchmod(fd, 0600) == 0 && writeAll(fd, png);
    if (::close(fd) != 0 || !written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}
