#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

class QFileDevice;

// Writes a whole file or nothing: the bytes go to a temporary file in the
// target's folder, which then takes the target's name. Whatever fails (no
// permission, a read-only folder, a full disk), the file that was there is
// left as it was, no temporary file stays behind, and the reason is told.
class AtomicFileWriter {
  public:
    // Writes one piece to the open temporary file; false with the reason on
    // failure. Tests put a failing one in to stand for a full disk.
    using ChunkWriter =
        std::function<bool(QFileDevice& file, QByteArrayView piece, QString* reason)>;

    explicit AtomicFileWriter(ChunkWriter writer = {});

    bool write(const QString& path, const QByteArray& bytes);
    // The same for a file made as it is written: `produce` writes it into
    // the open temporary file (through writeChunk, for its pieces), false
    // with the reason when it cannot.
    using Producer = std::function<bool(QFileDevice& file, QString* reason)>;
    bool write(const QString& path, const Producer& produce);
    // One piece into the open temporary file, as the writer was told to.
    bool writePiece(QFileDevice& file, QByteArrayView piece, QString* reason) const {
        return writeChunk(file, piece, reason);
    }
    QString errorString() const { return reason; }

  private:
    ChunkWriter writeChunk;
    QString reason;
};
