// JPEG decoding straight through libjpeg-turbo: the error exits (longjmp),
// the early-end check and the scaled decodes.
#include "platform/imagesource/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bool unsupported = false;
    JpegDecoder::decode(bytes, 1, &unsupported);
    JpegDecoder::decode(bytes, 8);
    return 0;
}
