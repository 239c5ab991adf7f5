#include "platform/imagesource/EncodedBytes.h"

#include "platform/RegularFile.h"

#include <cstring>

EncodedBytes::EncodedBytes(const QByteArray& bytes) : bytes(bytes), total(bytes.size()) {}

std::optional<EncodedBytes> EncodedBytes::fromFile(const QString& path, qint64 headBytes) {
    auto opened = std::make_shared<RegularFile>(RegularFile::open(path));
    if (!opened->isOpen() || opened->size() <= 0)
        return std::nullopt;
    EncodedBytes encoded;
    encoded.bytes = opened->read(std::min(headBytes, opened->size()));
    if (encoded.bytes.isEmpty())
        return std::nullopt;
    encoded.total = opened->size();
    encoded.file = std::move(opened);
    return encoded;
}

qint64 EncodedBytes::read(qint64 offset, void* out, qint64 n) const {
    if (offset < 0 || n <= 0 || offset >= total)
        return 0;
    n = std::min(n, total - offset);
    if (!file) {
        memcpy(out, bytes.constData() + offset, size_t(n));
        return n;
    }
    return std::max<qint64>(0, file->readAt(offset, out, n));
}

qint64 EncodedBytes::Reader::read(void* out, qint64 n) {
    // Small reads (chunk headers, tags) come from a buffer; large ones (a
    // strip, a tile) go straight to their destination.
    constexpr qint64 piece = 1 << 20, direct = 64 << 10;
    if (n <= 0 || at < 0 || at >= source.size())
        return 0;
    n = std::min(n, source.size() - at);
    if (!source.file || n >= direct) {
        const qint64 got = source.read(at, out, n);
        at += got;
        return got;
    }
    if (at < bufferStart || at + n > bufferStart + buffer.size()) {
        buffer.resize(qsizetype(std::min(piece, source.size() - at)));
        const qint64 got = source.read(at, buffer.data(), buffer.size());
        buffer.resize(qsizetype(got));
        bufferStart = at;
        n = std::min(n, got);
    }
    memcpy(out, buffer.constData() + (at - bufferStart), size_t(n));
    at += n;
    return n;
}
