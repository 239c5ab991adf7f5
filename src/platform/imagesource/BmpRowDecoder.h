#pragma once

#include "platform/imagesource/RowDecoder.h"

#include <QList>
#include <QRgb>

// BMP rows: 1, 4 and 8 bits through a palette, 16 and 32 bits by their
// channel masks (BI_BITFIELDS, or the defaults), 24 bits; stored bottom-up
// or top-down. An uncompressed row is found at its fixed stride; a
// run-length coded one (RLE8, RLE4) through the start of every row, found
// by one pass over the codes when the first row is asked for.
class BmpRowDecoder : public RowDecoder {
  public:
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes);
    QString type() const override { return QStringLiteral("com.microsoft.bmp"); }
    bool readRow(int y, int left, int count, uchar* out) override;

  private:
    explicit BmpRowDecoder(const EncodedBytes& bytes) : bytes(bytes) {}
    bool readHeader();
    // Where each stored row's codes begin and end; false when too few rows are there.
    bool indexRows();
    // The palette indices of a run-length coded stored row into `raw`.
    void expandRow(qint64 row);

    struct Channel {
        quint32 mask = 0;
        int shift = 0;
        int bits = 0;
        uchar of(quint32 pixel) const;
    };
    EncodedBytes bytes;
    qint64 dataOffset = 0;
    qint64 stride = 0;
    int bits = 0;
    bool topDown = false;
    bool rle = false;
    // A coded row's codes, and the column its first pixel goes to (a
    // delta may move it); no offset for a row the codes skip.
    struct RowSpan {
        qint64 offset = -1;
        qint64 end = -1;
        int x = 0;
    };
    std::vector<RowSpan> spans;
    bool indexed = false;
    bool indexUsable = false;
    std::vector<uchar> packed;
    QList<QRgb> palette;
    Channel red, green, blue, opacity;
    std::vector<uchar> raw;
};
