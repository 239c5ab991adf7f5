#pragma once

#include <QtGlobal>

// How large a decoded image may be. Every decoder asks before it allocates
// pixels, so that a header claiming absurd dimensions, or an honest image too
// large for this machine, fails cleanly instead of exhausting memory.
class DecodeLimits {
public:
    // No side of a real image comes near this; headers beyond it are lies.
    static constexpr qint64 maxSide = 262144;

    // Whether a header's stated size can be a real image's: both sides
    // positive, neither beyond maxSide.
    static bool allowsSize(qint64 width, qint64 height) {
        return width > 0 && height > 0 && width <= maxSide && height <= maxSide;
    }

    // Bytes that one decoded image may take: a quarter of the machine's
    // memory, never below 256 MB, and no more than Qt's reader allocation
    // limit when one is set, so that every format is held to the same line.
    static qint64 budgetBytes();
    // Bytes that a decoder's working buffers may take besides the image:
    // half the machine's memory, never below 512 MB.
    static qint64 workBudgetBytes();
    // Whether an image of width x height pixels at bytesPerPixel fits the
    // budget, and the buffers its decoder holds meanwhile
    // (workBytesPerPixel for each pixel of the image) fit theirs.
    static bool allows(qint64 width, qint64 height, int bytesPerPixel, int workBytesPerPixel = 0);
    // Whether working buffers of this many bytes fit.
    static bool allowsWork(qint64 bytes);
    // Files larger than this are not read at all, unless they stream.
    static qint64 maxFileBytes();
    // PNG and TIFF files larger than this are read piece by piece as they
    // decode, not held: a gigapixel scan then costs the memory of what is
    // shown of it, whatever its file size.
    static constexpr qint64 streamedFileBytes = 64 << 20;
    // What a streamed file's header, chunks and tags are read from.
    static constexpr qint64 streamedHeadBytes = 4 << 20;
};
