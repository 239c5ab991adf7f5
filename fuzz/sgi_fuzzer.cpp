// SGI reader: header checks, RLE offset tables and row decoding.
#include "platform/imagesource/SgiDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    SgiDecoder::Header header;
    if (SgiDecoder::readHeader(bytes, &header))
        SgiDecoder::decode(bytes);
    return 0;
}
