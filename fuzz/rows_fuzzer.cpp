// The row readers of BMP, PNM, TGA, SGI, PSD and Radiance HDR: headers, row
// tables, the passes over run-length TGA packets and Radiance scanlines, and
// rows read out of order and in part.
#include "platform/imagesource/RowDecoder.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    using Format = RowDecoder::Format;
    for (const Format format :
         {Format::Bmp, Format::Pnm, Format::Tga, Format::Sgi, Format::Psd, Format::Hdr}) {
        const std::unique_ptr<RowDecoder> decoder = RowDecoder::open(bytes, format);
        if (!decoder)
            continue;
        const QSize s = decoder->size();
        std::vector<uchar> row(size_t(s.width()) * 4);
        // The last row first (a bottom-up file's first), then a few from the top.
        decoder->readRow(s.height() - 1, 0, s.width(), row.data());
        const int step = std::max(1, s.height() / 32);
        for (int y = 0; y < s.height(); y += step)
            decoder->readRow(y, 0, s.width(), row.data());
        decoder->readRow(s.height() / 2, s.width() / 3, s.width() - s.width() / 3, row.data());
    }
    return 0;
}
