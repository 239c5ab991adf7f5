#pragma once

#include "platform/imagesource/RowDecoder.h"

#include <QList>
#include <QRgb>

// Uncompressed BMP rows: 1, 4 and 8 bits through a palette, 16 and 32 bits
// by their channel masks (BI_BITFIELDS, or the defaults), 24 bits; stored
// bottom-up or top-down. Each row is found at its fixed stride.
class BmpRowDecoder : public RowDecoder {
  public:
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes);
    QString type() const override { return QStringLiteral("com.microsoft.bmp"); }
    bool readRow(int y, int left, int count, uchar* out) override;

  private:
    explicit BmpRowDecoder(const EncodedBytes& bytes) : bytes(bytes) {}
    bool readHeader();

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
    QList<QRgb> palette;
    Channel red, green, blue, opacity;
    std::vector<uchar> raw;
};
