#pragma once

#include "platform/imagesource/JpegBitReader.h"
#include "platform/imagesource/JpegScanIndex.h"

#include <QByteArray>
#include <vector>

// A JPEG stream of the rows of an image from one of its index's checkpoints
// down, for libjpeg to decode as an image of its own: the original header
// with the height cut to those rows, then the entropy-coded data from the
// checkpoint on. Without restart markers that data is taken bit by bit,
// moved to start on a byte, its first DC values written whole since
// decoding starts with no predictor; with them the checkpoint follows a
// marker and the data is the original's, its markers renumbered from 0.
// Streams from the original bytes as it is read, never copying them whole.
class JpegResumedStream {
  public:
    // bytes: those the index was built from.
    JpegResumedStream(const QByteArray& bytes, const JpegScanIndex& index, int checkpoint);

    // False when the checkpoint's first MCU does not decode as the index found it.
    bool isValid() const { return valid; }
    // The pixel rows above the checkpoint, left out.
    int skippedRows() const { return skipped; }
    // Up to `capacity` of the next bytes into `out`; 0 at the end.
    qsizetype read(uchar* out, qsizetype capacity);

  private:
    enum class Stage { Data, Done };
    // Appends the next piece of the stream to `pending`.
    void produceShifted();
    void produceCopied();
    bool rewriteFirstMcu(const JpegScanIndex::Checkpoint& point);
    void put(quint32 value, int count);
    void appendEnd();
    // The data byte at `position`, unstuffed, moving past it; false at a marker.
    bool nextByte(uchar* byte);

    const uchar* data;
    qsizetype size;
    const JpegScanIndex::Layout& layout;
    int skipped = 0;
    bool valid = false;
    Stage stage = Stage::Data;
    JpegBitReader reader;
    qsizetype position = 0; // in the original
    int renumbering = 0;    // subtracted from each restart marker's number
    quint64 bitBuffer = 0;  // bits on their way out, the last `bitCount` of them
    int bitCount = 0;
    qsizetype headerAt = 0; // the header's bytes read so far
    uchar newHeight[2] = {};
    std::vector<uchar> pending; // output not yet read, after the header
    size_t pendingAt = 0;
};
