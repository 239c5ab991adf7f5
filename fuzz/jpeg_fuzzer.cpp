// JPEG decoding straight through libjpeg-turbo: the error exits (longjmp),
// the early-end check and the scaled decodes; the index of rows and a
// region resumed from it.
#include "platform/imagesource/JpegDecoder.h"
#include "platform/imagesource/JpegScanIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bool unsupported = false;
    JpegDecoder::decode(bytes, 1, &unsupported);
    JpegDecoder::decode(bytes, 8);
    // Resumed from the index, a region is the one decoded from the top.
    if (const auto index = JpegScanIndex::build(bytes); index && index->checkpointCount() > 0) {
        const int top =
            index->checkpoint(index->checkpointCount() - 1).row * index->layout().rowHeight;
        for (const int denominator : {1, 4}) {
            const QRect area(0, top, 9, 9);
            const QImage resumed =
                JpegDecoder::decodeRegion(bytes, area, denominator, nullptr, &*index);
            if (!resumed.isNull() && resumed != JpegDecoder::decodeRegion(bytes, area, denominator))
                __builtin_trap();
        }
    }
    return 0;
}
