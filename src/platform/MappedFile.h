#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// A regular file mapped read-only: its bytes with no copy and no limit on
// their number, for a JPEG too large to read into memory. The kernel pages
// the file in as the decoder goes and may drop those pages again, which a
// copy on the heap could not.
class MappedFile {
  public:
    // Nothing unless path names a regular file that could be mapped.
    static std::shared_ptr<const MappedFile> open(const QString& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // A view of the bytes (never to be written), valid while this lives.
    QByteArray bytes() const {
        return QByteArray::fromRawData(static_cast<const char*>(data), qsizetype(length));
    }

  private:
    MappedFile(void* data, size_t length) : data(data), length(length) {}
    void* data;
    size_t length;
};
