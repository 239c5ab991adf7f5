#include "archive/ZipStreamSupport.h"

namespace ZipStreamSupport {

std::optional<ZPOS64_T> seekTarget(ZPOS64_T current, ZPOS64_T size, ZPOS64_T offset, int origin) {
    ZPOS64_T start = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        start = current;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        start = size;
        break;
    default:
        return std::nullopt;
    }
    const ZPOS64_T target = start + offset;
    if (target > size)
        return std::nullopt;
    return target;
}

uLong ZCALLBACK refuseWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}

} // namespace ZipStreamSupport
