#include "platform/imagesource/RowDecoder.h"

#include "platform/imagesource/BmpRowDecoder.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/HdrRowDecoder.h"
#include "platform/imagesource/PnmRowDecoder.h"
#include "platform/imagesource/PsdRowDecoder.h"
#include "platform/imagesource/SgiRowDecoder.h"
#include "platform/imagesource/TgaRowDecoder.h"

std::unique_ptr<RowDecoder> RowDecoder::open(const EncodedBytes& bytes, Format format) {
    std::unique_ptr<RowDecoder> decoder;
    switch (format) {
    case Format::Bmp:
        decoder = BmpRowDecoder::open(bytes);
        break;
    case Format::Pnm:
        decoder = PnmRowDecoder::open(bytes);
        break;
    case Format::Tga:
        decoder = TgaRowDecoder::open(bytes);
        break;
    case Format::Sgi:
        decoder = SgiRowDecoder::open(bytes);
        break;
    case Format::Psd:
        decoder = PsdRowDecoder::open(bytes);
        break;
    case Format::Hdr:
        decoder = HdrRowDecoder::open(bytes);
        break;
    }
    if (decoder && !DecodeLimits::allowsSize(decoder->width, decoder->height))
        decoder.reset();
    return decoder;
}

bool RowDecoder::fitsWhole() const {
    return DecodeLimits::allows(width, height, wholeBytesPerPixel);
}

uchar RowDecoder::widened(quint32 value, int bits) {
    if (bits <= 0)
        return 0;
    if (bits >= 8)
        return uchar(value >> (bits - 8));
    quint32 out = 0;
    for (int filled = 0; filled < 8; filled += bits)
        out = (out << bits) | value;
    return uchar(out >> ((8 + bits - 1) / bits * bits - 8));
}
