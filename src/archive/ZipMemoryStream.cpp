#include "archive/ZipMemoryStream.h"

#include "archive/ZipStreamSupport.h"
#include <algorithm>
#include <cstring>

namespace {

voidpf ZCALLBACK memoryOpen(voidpf opaque, const void*, int) {
    auto* stream = static_cast<ZipMemoryStream*>(opaque);
    stream->limit = stream->size;
    stream->offset = 0;
    return stream;
}

uLong ZCALLBACK memoryRead(voidpf, voidpf handle, void* buffer, uLong count) {
    auto* stream = static_cast<ZipMemoryStream*>(handle);
    const uLong available = stream->limit - stream->offset;
    const uLong taken = std::min(count, available);
    if (taken > 0)
        std::memcpy(buffer, stream->base + stream->offset, taken);
    stream->offset += quint32(taken);
    return taken;
}

ZPOS64_T ZCALLBACK memoryTell(voidpf, voidpf handle) {
    return static_cast<ZipMemoryStream*>(handle)->offset;
}

long ZCALLBACK memorySeek(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
    auto* stream = static_cast<ZipMemoryStream*>(handle);
    const auto target = ZipStreamSupport::seekTarget(stream->offset, stream->limit, offset, origin);
    if (!target)
        return -1;
    stream->offset = quint32(*target);
    return 0;
}

int ZCALLBACK memoryClose(voidpf, voidpf) {
    return 0; // the wrapper frees the stream
}

int ZCALLBACK memoryError(voidpf, voidpf) {
    return 0;
}

} // namespace

zlib_filefunc64_def ZipMemoryStream::fileFunctions() {
    zlib_filefunc64_def functions;
    functions.zopen64_file = memoryOpen;
    functions.zread_file = memoryRead;
    functions.zwrite_file = ZipStreamSupport::refuseWrite;
    functions.ztell64_file = memoryTell;
    functions.zseek64_file = memorySeek;
    functions.zclose_file = memoryClose;
    functions.zerror_file = memoryError;
    functions.opaque = this;
    return functions;
}
