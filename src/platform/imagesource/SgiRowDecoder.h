#pragma once

#include "platform/imagesource/RowDecoder.h"
#include "platform/imagesource/SgiDecoder.h"

#include <vector>

// SGI rows, verbatim or run-length coded, 1 or 2 bytes a channel, one to
// four channels stored one plane after another, bottom row first. A coded
// row is found through the file's table of row offsets.
class SgiRowDecoder : public RowDecoder {
  public:
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes);
    QString type() const override { return QStringLiteral("com.sgi.sgi-image"); }
    bool readRow(int y, int left, int count, uchar* out) override;

  private:
    explicit SgiRowDecoder(const EncodedBytes& bytes) : bytes(bytes) {}
    bool readHeader();
    // `count` samples of one channel's stored row from `left`, as 8 bits.
    void readChannel(qint64 row, int channel, int left, int count, uchar* out);

    EncodedBytes bytes;
    SgiDecoder::Header header;
    std::vector<quint32> offsets; // of each coded row, channel by channel
    std::vector<quint32> lengths;
    std::vector<uchar> raw;
    std::vector<uchar> samples; // a row of each channel
};
