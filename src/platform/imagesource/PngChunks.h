#pragma once

#include <QByteArray>
#include <QList>

// The chunk layout of a PNG stream, read without decoding anything. The walk
// stops at IEND, at the end of the data, or at the first chunk whose length
// runs past the end (a truncated file keeps the chunks before it).
class PngChunks {
public:
    struct Chunk {
        QByteArray type; // four letters
        qsizetype offset = 0; // of the chunk's data in the stream
        qsizetype length = 0;
    };

    static bool isPng(const QByteArray& bytes);
    static QList<Chunk> read(const QByteArray& bytes);
    // The first chunk of this type, or nullptr.
    static const Chunk* find(const QList<Chunk>& chunks, const char* type);
    // Dots per inch from pHYs when it states metres; 0 otherwise.
    static double dpi(const QByteArray& bytes, const QList<Chunk>& chunks, bool vertical);
    // The CICP code points of a cICP chunk (colour primaries and transfer
    // characteristics); false when there is none.
    static bool cicp(const QByteArray& bytes, const QList<Chunk>& chunks, int* primaries, int* transfer);
    static quint32 be32(const QByteArray& bytes, qsizetype offset);
    static quint16 be16(const QByteArray& bytes, qsizetype offset);
};
