#include "platform/imagesource/TiffHandle.h"

#include "platform/imagesource/DecodeLimits.h"

#include <cstring>
#include <mutex>
#include <tiffio.h>

namespace {

using Memory = TiffHandle::Memory;

tsize_t readProc(thandle_t handle, tdata_t buffer, tsize_t size) {
    auto* m = static_cast<Memory*>(handle);
    const quint64 total = quint64(m->bytes->size());
    if (size <= 0 || m->position >= total)
        return 0;
    const tsize_t n = tsize_t(std::min<quint64>(quint64(size), total - m->position));
    memcpy(buffer, m->bytes->constData() + m->position, size_t(n));
    m->position += quint64(n);
    return n;
}

tsize_t writeProc(thandle_t, tdata_t, tsize_t) {
    return -1; // read only: the files we show are never written
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    auto* m = static_cast<Memory*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = m->position;
    else if (whence == SEEK_END)
        base = toff_t(m->bytes->size());
    m->position = base + offset;
    return m->position;
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t handle) {
    return toff_t(static_cast<Memory*>(handle)->bytes->size());
}

int mapProc(thandle_t, tdata_t*, toff_t*) {
    return 0;
}

void unmapProc(thandle_t, tdata_t, toff_t) {}

int quietHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1; // handled
}

} // namespace

TiffHandle::TiffHandle(const QByteArray& bytes) : memory{&bytes} {
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
    tiff = TIFFClientOpenExt("memory", "rm", &memory, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc,
                             unmapProc, options);
    TIFFOpenOptionsFree(options);
}

TiffHandle::~TiffHandle() {
    if (tiff)
        TIFFClose(tiff);
}

int TiffHandle::pageCount(const QByteArray& bytes, int limit) {
    TiffHandle tiff(bytes);
    if (!tiff.handle())
        return 0;
    int pages = 1;
    while (pages < limit && TIFFReadDirectory(tiff.handle()))
        ++pages;
    return pages;
}
