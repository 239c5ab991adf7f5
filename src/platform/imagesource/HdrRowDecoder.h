#pragma once

#include "platform/imagesource/RadianceRowReader.h"
#include "platform/imagesource/RowDecoder.h"

#include <vector>

// Radiance HDR rows, tone-mapped to 8 bits as OpenEXR's are. A scanline's
// length shows only once it is decoded, so the first row asked has one
// pass over them all to find where each begins and sample the luminance for
// the tone mapping's white point; damaged or missing data fails that pass
// and with it every row.
class HdrRowDecoder : public RowDecoder {
  public:
    static std::unique_ptr<RowDecoder> open(const EncodedBytes& bytes);
    QString type() const override { return QStringLiteral("public.radiance"); }
    bool readRow(int y, int left, int count, uchar* out) override;

  private:
    explicit HdrRowDecoder(std::unique_ptr<RadianceRowReader> reader);
    // The pass over every scanline; false when it fails or is cancelled
    // (and then is tried again on the next row asked).
    bool scan();

    std::unique_ptr<RadianceRowReader> reader;
    qint64 dataStart = 0;
    std::vector<qint64> starts; // each stored scanline's, once scanned
    bool scanned = false;
    bool damaged = false;
    float white = 0.0f;
    std::vector<uchar> rgbe;
    std::vector<float> rgba;
};
