#pragma once

#include "platform/imagesource/RowDecoder.h"

#include <vector>

// Binary PBM, PGM and PPM rows (P4, P5, P6), 8 or 16 bits a sample by
// their maxval, each row at its fixed stride.
class PnmRowDecoder : public RowDecoder {
  public:
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes);
    QString type() const override;
    bool readRow(int y, int left, int count, uchar* out) override;

  private:
    explicit PnmRowDecoder(const EncodedBytes& bytes) : bytes(bytes) {}
    bool readHeader();

    EncodedBytes bytes;
    char kind = 0; // '4', '5' or '6'
    int maxValue = 1;
    int samples = 1; // a pixel's
    int sampleBytes = 1;
    qint64 dataOffset = 0;
    qint64 stride = 0;
    std::vector<uchar> scale; // 8-bit samples to 0-255
    std::vector<uchar> raw;
};
