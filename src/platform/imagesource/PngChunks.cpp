#include "platform/imagesource/PngChunks.h"

namespace {

const char signature[] = "\x89PNG\r\n\x1a\n";
// Far more than any real file has; a bound on the walk for hostile ones
// made of empty chunks.
constexpr int maxChunks = 1 << 20;

} // namespace

bool PngChunks::isPng(const QByteArray& bytes) {
    return bytes.startsWith(QByteArray::fromRawData(signature, 8));
}

quint32 PngChunks::be32(const QByteArray& bytes, qsizetype offset) {
    if (offset < 0 || offset + 4 > bytes.size())
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + offset);
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint16 PngChunks::be16(const QByteArray& bytes, qsizetype offset) {
    if (offset < 0 || offset + 2 > bytes.size())
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + offset);
    return quint16((p[0] << 8) | p[1]);
}

QList<PngChunks::Chunk> PngChunks::read(const QByteArray& bytes) {
    QList<Chunk> chunks;
    if (!isPng(bytes))
        return chunks;
    qsizetype position = 8;
    while (position + 8 <= bytes.size() && chunks.size() < maxChunks) {
        const qsizetype length = be32(bytes, position);
        const qsizetype data = position + 8;
        if (length > 0x7fffffff || data + length + 4 > bytes.size())
            break;
        Chunk chunk;
        chunk.type = bytes.mid(position + 4, 4);
        chunk.offset = data;
        chunk.length = length;
        chunks.append(chunk);
        if (chunk.type == "IEND")
            break;
        position = data + length + 4; // the CRC follows the data
    }
    return chunks;
}

const PngChunks::Chunk* PngChunks::find(const QList<Chunk>& chunks, const char* type) {
    for (const Chunk& chunk : chunks) {
        if (chunk.type == type)
            return &chunk;
    }
    return nullptr;
}

double PngChunks::dpi(const QByteArray& bytes, const QList<Chunk>& chunks, bool vertical) {
    const Chunk* phys = find(chunks, "pHYs");
    if (!phys || phys->length != 9 || bytes.at(phys->offset + 8) != 1)
        return 0.0;
    const quint32 perMetre = be32(bytes, phys->offset + (vertical ? 4 : 0));
    return perMetre * 0.0254;
}

bool PngChunks::cicp(const QByteArray& bytes, const QList<Chunk>& chunks, int* primaries, int* transfer) {
    const Chunk* chunk = find(chunks, "cICP");
    if (!chunk || chunk->length != 4)
        return false;
    *primaries = uchar(bytes.at(chunk->offset));
    *transfer = uchar(bytes.at(chunk->offset + 1));
    return true;
}
