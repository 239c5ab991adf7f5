#pragma once

#include "platform/imagesource/JpegHuffmanTable.h"

#include <QByteArray>
#include <optional>
#include <vector>

// Where each row of MCUs begins in a baseline JPEG's entropy-coded data, so
// that a part low in a huge image can be decoded without entropy-decoding
// every row above it (JpegResumedStream). Made in one pass over the data that
// skips the coefficients, as long as libjpeg's entropy decoding of the whole
// image (no transform, no colour), and small: 16 bytes a row of MCUs. Only for
// sequential Huffman-coded 8-bit images with one or three components in one
// interleaved scan; anything else, and any data the pass cannot account for
// bit by bit, gives no index and leaves decoding to libjpeg alone.
class JpegScanIndex {
  public:
    // The header facts that resuming needs.
    struct Layout {
        qsizetype heightOffset = 0; // of the frame header's height
        qsizetype dataStart = 0;    // of the entropy-coded data
        int height = 0;
        int rowHeight = 0;   // pixel rows in a row of MCUs
        int maxSampling = 1; // the largest sampling factor, across or down
        int mcusPerRow = 0;
        int mcuRows = 0;
        int restartInterval = 0; // MCUs between restart markers, 0: none
        struct Component {
            int blocks = 1;     // in each MCU
            int dc = 0, ac = 0; // indices into tables
        };
        std::vector<Component> components; // in the scan's order
        std::vector<JpegHuffmanTable> tables;
    };
    // A row of MCUs that decoding can start at.
    struct Checkpoint {
        quint64 position = 0; // of its first bit: byte offset * 8 + bit
        quint16 row = 0;      // of MCUs
        qint16 dc[3] = {};    // each component's DC predictor there
    };

    // Checks Cancellation::requested() as it goes and gives nothing when asked to stop.
    static std::optional<JpegScanIndex> build(const QByteArray& bytes);

    const Layout& layout() const { return frame; }
    // The checkpoint whose row begins lowest at or above pixel row y; -1
    // when none does (decoding starts at the top then).
    int checkpointAbove(int y) const;
    const Checkpoint& checkpoint(int i) const { return checkpoints[size_t(i)]; }
    int checkpointCount() const { return int(checkpoints.size()); }
    qsizetype memoryBytes() const;

  private:
    bool readHeader(const QByteArray& bytes);
    bool scan(const QByteArray& bytes);

    Layout frame;
    std::vector<Checkpoint> checkpoints;
};
