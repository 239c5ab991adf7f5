#include "platform/imagesource/TiffHandle.h"

#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/TiffLevels.h"

#include <cstring>
#include <mutex>
#include <tiffio.h>

namespace {

using Reader = EncodedBytes::Reader;

tsize_t readProc(thandle_t handle, tdata_t buffer, tsize_t size) {
    return tsize_t(static_cast<Reader*>(handle)->read(buffer, qint64(size)));
}

tsize_t writeProc(thandle_t, tdata_t, tsize_t) {
    return -1; // read only: the files we show are never written
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    auto* r = static_cast<Reader*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = toff_t(r->position());
    else if (whence == SEEK_END)
        base = toff_t(r->bytes().size());
    // Past any real file: reads there find nothing.
    const toff_t position = std::min<toff_t>(base + offset, toff_t(INT64_MAX));
    r->seek(qint64(position));
    return position;
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t handle) {
    return toff_t(static_cast<Reader*>(handle)->bytes().size());
}

int mapProc(thandle_t, tdata_t*, toff_t*) {
    return 0;
}

void unmapProc(thandle_t, tdata_t, toff_t) {}

int quietHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1; // handled
}

} // namespace

TiffHandle::TiffHandle(const EncodedBytes& bytes) : input(bytes) {
    static std::once_flag once;
    std::call_once(once, [] {
        // The few messages libtiff still sends to the process-wide handlers.
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(DecodeLimits::budgetBytes()));
    tiff = TIFFClientOpenExt("memory", "rm", &input, readProc, writeProc, seekProc, closeProc,
                             sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
}

TiffHandle::~TiffHandle() {
    if (tiff)
        TIFFClose(tiff);
}

int TiffHandle::pageCount(const EncodedBytes& bytes, int limit) {
    TiffHandle tiff(bytes);
    if (!tiff.handle())
        return 0;
    // A pyramid's reduced levels are no pages of their own.
    int pages = 1;
    for (int read = 1; read < limit && TIFFReadDirectory(tiff.handle()); ++read)
        pages += TiffLevels::isReduced(tiff.handle()) ? 0 : 1;
    return pages;
}
