// Fax wrapper: the Group 3 sniffing, the TIFF header we build around
// headerless data, and TIFF class F pages read through libtiff.
#include "platform/imagesource/FaxDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (size >= 4 && (bytes.startsWith("II*") || bytes.startsWith("MM\0*"))) {
        const int pages = FaxDecoder::pageCount(bytes);
        for (int page = 0; page < std::min(pages, 3); ++page) {
            FaxDecoder::pageSize(bytes, page);
            FaxDecoder::decodePage(bytes, page);
        }
        return 0;
    }
    FaxDecoder::decodeRawG3(bytes);
    return 0;
}
