#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class QFile;

// The one way a shown file is opened for reading. Only regular files are
// read: a FIFO named like an image would block open() until some writer
// came, a device could stream for ever, a directory reads nothing. Such a
// path fails at once, like a missing file. The path is opened by its exact
// bytes (FileName::encode), so names that are not UTF-8 open too.
class RegularFile {
  public:
    // Invalid unless path names a regular file that could be opened.
    static RegularFile open(const QString& path);
    // The whole file, when it holds 1 to maxBytes bytes and reads back whole.
    static std::optional<QByteArray> readAll(const QString& path, qint64 maxBytes);
    // At most maxBytes from the start; empty when the path is no regular file.
    static QByteArray readHead(const QString& path, qint64 maxBytes);

    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    bool isOpen() const { return fd >= 0; }
    // The descriptor, still ours (to map the file, say).
    int handle() const { return fd; }
    qint64 size() const { return bytes; }
    // Up to maxBytes from the current position; fewer at the end, empty on error.
    QByteArray read(qint64 maxBytes);
    // Up to n bytes at offset into out, leaving the position alone (so
    // that several readers can share the file); how many, 0 at the end,
    // -1 on error.
    qint64 readAt(qint64 offset, void* out, qint64 n) const;
    // The open file as a QIODevice (for QImageReader), which takes over the
    // descriptor and closes it; null when nothing is open.
    std::unique_ptr<QFile> takeDevice();

  private:
    RegularFile() = default;
    int fd = -1;
    qint64 bytes = 0;
};
