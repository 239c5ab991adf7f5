#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class RegularFile;

// The encoded bytes a decoder reads: a buffer in memory, or a file too
// large to hold, read piece by piece as the decoder asks for it, so that
// streaming through a gigabyte of PNG or TIFF holds only what it decodes.
// Copies share the buffer or the open file.
class EncodedBytes {
  public:
    EncodedBytes() = default;
    // Every buffer is one.
    EncodedBytes(const QByteArray& bytes);
    // The file at path, its first headBytes held for the header's chunks
    // and tags; nothing when it is no regular file.
    static std::optional<EncodedBytes> fromFile(const QString& path, qint64 headBytes);

    qint64 size() const { return total; }
    bool isStreamed() const { return file != nullptr; }
    // All of the bytes when in memory, else the file's first part.
    const QByteArray& head() const { return bytes; }
    // Up to n bytes at offset into out: how many, 0 past the end or on error.
    qint64 read(qint64 offset, void* out, qint64 n) const;

    // Reads on from a position, a file in large pieces.
    class Reader;

  private:
    QByteArray bytes;
    std::shared_ptr<const RegularFile> file;
    qint64 total = 0;
};

// Reads on from a position, a file in large pieces: a decoder's many
// small reads cost no system call each.
class EncodedBytes::Reader {
  public:
    explicit Reader(const EncodedBytes& bytes) : source(bytes) {}
    const EncodedBytes& bytes() const { return source; }
    qint64 position() const { return at; }
    void seek(qint64 position) { at = position; }
    // Up to n bytes from the position, which moves past them: how many.
    qint64 read(void* out, qint64 n);

  private:
    EncodedBytes source;
    qint64 at = 0;
    QByteArray buffer;
    qint64 bufferStart = 0;
};
