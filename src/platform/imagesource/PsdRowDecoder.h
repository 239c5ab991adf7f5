#pragma once

#include "platform/imagesource/RowDecoder.h"

#include <vector>

// The composite image of a Photoshop file (PSD, and PSB for the larger
// ones): raw or PackBits coded, 8 or 16 bits, grey, RGB or CMYK, with the
// first extra channel as alpha. Channels are stored one plane after
// another; a coded row is found through the table of row lengths, summed
// once into offsets for the channels shown. Colours under alpha are stored
// matted against white and come out with the matte taken off, as stb_image
// gives them.
class PsdRowDecoder : public RowDecoder {
  public:
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes);
    QString type() const override { return QStringLiteral("com.adobe.photoshop-image"); }
    bool readRow(int y, int left, int count, uchar* out) override;

  private:
    explicit PsdRowDecoder(const EncodedBytes& bytes) : bytes(bytes) {}
    bool readHeader();
    // One channel's row from column `left`, `count` samples at the file's depth.
    const uchar* channelRow(int channel, int y, int left, int count);

    EncodedBytes bytes;
    int mode = 3;    // 1 grey, 3 RGB, 4 CMYK
    int colours = 3; // the channels the mode has
    int used = 3;    // those and alpha
    int sampleBytes = 1;
    bool rle = false;
    qint64 dataOffset = 0;
    qint64 rowBytes = 0;
    std::vector<qint64> offsets;  // of each coded row of the channels used, and its end
    std::vector<uchar> planes[5]; // a row of each channel used
    std::vector<uchar> packed;
    std::vector<quint16> samples;
};
