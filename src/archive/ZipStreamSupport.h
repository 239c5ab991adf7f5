#pragma once

#include <minizip/ioapi.h>
#include <optional>

// What the archive's two read-only streams, in memory and in a file, share.
namespace ZipStreamSupport {

// Where a seek lands in a stream of `size` bytes now at `current`; nothing
// for an unknown origin or a place past the end. Offsets come from the
// archive; a backwards move arrives wrapped around, which the unsigned sum
// undoes.
std::optional<ZPOS64_T> seekTarget(ZPOS64_T current, ZPOS64_T size, ZPOS64_T offset, int origin);

// The write function of a stream that is read only.
uLong ZCALLBACK refuseWrite(voidpf, voidpf, const void*, uLong);

} // namespace ZipStreamSupport
