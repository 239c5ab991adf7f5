#include "platform/AtomicFileWriter.h"

#include <QSaveFile>

namespace {

constexpr qsizetype chunkBytes = qsizetype(4) << 20;

bool writeToFile(QFileDevice& file, QByteArrayView piece, QString* reason) {
    if (file.write(piece.data(), piece.size()) == piece.size())
        return true;
    *reason = file.errorString();
    return false;
}

} // namespace

AtomicFileWriter::AtomicFileWriter(ChunkWriter writer)
    : writeChunk(writer ? std::move(writer) : ChunkWriter(writeToFile)) {}

bool AtomicFileWriter::write(const QString& path, const QByteArray& bytes) {
    return write(path, [&](QFileDevice& file, QString* why) {
        for (qsizetype at = 0; at < bytes.size(); at += chunkBytes) {
            const QByteArrayView piece(bytes.constData() + at,
                                       std::min(chunkBytes, bytes.size() - at));
            if (!writeChunk(file, piece, why))
                return false;
        }
        return true;
    });
}

bool AtomicFileWriter::write(const QString& path, const Producer& produce) {
    reason.clear();
    QSaveFile file(path);
    // Never write into the target itself: a failure half way would ruin it.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    if (!produce(file, &reason)) {
        file.cancelWriting(); // removes the temporary file
        if (reason.isEmpty())
            reason = QStringLiteral("The file could not be written");
        return false;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}
