#pragma once

#include "platform/imagesource/RowDecoder.h"

#include <QList>
#include <QRgb>
#include <vector>

// TGA rows: colour-mapped, grey and true colour (15, 16, 24, 32 bits),
// uncompressed at a fixed stride or run-length coded, from either origin.
// Run-length packets may run on from one row into the next, so the first
// row asked of such a file has the start of every row found by one pass
// over the packets, without decoding their pixels.
class TgaRowDecoder : public RowDecoder {
  public:
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes);
    QString type() const override { return QStringLiteral("com.truevision.tga-image"); }
    bool readRow(int y, int left, int count, uchar* out) override;

  private:
    explicit TgaRowDecoder(const EncodedBytes& bytes) : bytes(bytes) {}
    bool readHeader();
    QRgb colour(const uchar* p) const;
    // Where each stored row's packets begin; false when too few rows are there.
    bool indexRows();
    // The stored row `row` (run-length coded) into `raw`, pixelBytes a pixel.
    void expandRow(qint64 row);

    // The decoder's state at the start of a stored row: the next byte to
    // read, and the pixels still due from a packet begun on an earlier row.
    struct RowStart {
        qint64 offset = 0;
        int pending = 0;
        bool run = false;
        uchar value[4] = {0, 0, 0, 0};
    };

    EncodedBytes bytes;
    qint64 dataOffset = 0;
    int bits = 0;
    int pixelBytes = 1;
    int alphaBits = 0;
    bool mapped = false;
    bool grey = false;
    bool rle = false;
    bool topDown = false;
    bool rightToLeft = false;
    QList<QRgb> palette;
    std::vector<RowStart> starts; // one past the last row too: where its data ends
    bool indexed = false;
    bool indexUsable = false;
    std::vector<uchar> raw;
    std::vector<uchar> packed;
};
