// TIFF pages through libtiff: every directory's description and pixels,
// whatever layout the bytes claim.
#include "platform/imagesource/TiffDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const int pages = TiffDecoder::pageCount(bytes);
    for (int page = 0; page < std::min(pages, 3); ++page) {
        TiffDecoder::Page description;
        TiffDecoder::describe(bytes, page, &description);
        TiffDecoder::decode(bytes, page);
    }
    return 0;
}
