#include "platform/imagesource/GifAnimation.h"

#include <algorithm>
#include <array>

namespace {

class Cursor {
public:
    explicit Cursor(const QByteArray& bytes) : bytes(bytes) {}
    bool has(qsizetype n) const { return position + n <= bytes.size(); }
    int byte() { return has(1) ? uchar(bytes.at(position++)) : -1; }
    int le16() {
        if (!has(2))
            return -1;
        const int v = uchar(bytes.at(position)) | (uchar(bytes.at(position + 1)) << 8);
        position += 2;
        return v;
    }
    bool skip(qsizetype n) {
        if (!has(n))
            return false;
        position += n;
        return true;
    }
    // Data sub-blocks up to and including the zero-length terminator.
    bool skipSubBlocks() {
        for (;;) {
            const int size = byte();
            if (size < 0)
                return false;
            if (size == 0)
                return true;
            if (!skip(size))
                return false;
        }
    }
    const QByteArray& bytes;
    qsizetype position = 0;
};

// The pixels the LZW codes of a frame's sub-blocks decode to, up to the end
// of the data. Only each code's length is kept, so the walk costs a few
// operations a code and no image. Like the decoder that shows the frame,
// it stops at the end code and takes any code past the table for the
// previous string plus its first pixel.
qint64 lzwPixels(Cursor& c, int minimumCodeSize) {
    if (minimumCodeSize < 0 || minimumCodeSize > 11)
        return 0;
    constexpr int tableSize = 4096;
    static_assert(tableSize == 1 << 12); // codes are at most 12 bits
    // Only damaged data sends a code not yet in the table: one pixel.
    std::array<int, tableSize> lengths;
    lengths.fill(1);
    const int clear = 1 << minimumCodeSize;
    int codeSize = minimumCodeSize + 1;
    int next = clear + 2;
    int previous = -1; // none since a clear code
    quint32 bits = 0;
    int held = 0;
    qint64 pixels = 0;
    for (;;) {
        int block = c.byte();
        if (block <= 0)
            return pixels;
        for (; block > 0; --block) {
            const int byte = c.byte();
            if (byte < 0)
                return pixels;
            bits |= quint32(byte) << held;
            held += 8;
            while (held >= codeSize) {
                const int code = int(bits & ((1u << codeSize) - 1));
                bits >>= codeSize;
                held -= codeSize;
                if (code == clear) {
                    codeSize = minimumCodeSize + 1;
                    next = clear + 2;
                    previous = -1;
                    continue;
                }
                if (code == clear + 1)
                    return pixels;
                if (previous < 0) {
                    ++pixels;
                    previous = code;
                    continue;
                }
                const int length = code < next ? lengths[code] : lengths[previous] + 1;
                pixels += length;
                if (next < tableSize) {
                    lengths[next++] = lengths[previous] + 1;
                    if (next == 1 << codeSize && codeSize < 12)
                        ++codeSize;
                }
                previous = code;
            }
        }
    }
}

} // namespace

int GifAnimation::Cut::rowsShown() const {
    if (width <= 0 || height <= 0)
        return 0;
    const qint64 rows = pixels / width;
    if (!interlaced)
        return int(std::min<qint64>(rows, height));
    // The first pass holds every eighth row, each standing for the seven below.
    return rows >= (height + 7) / 8 ? height : int(std::min<qint64>(rows * 8, height));
}

bool GifAnimation::Cut::coarse() const {
    return interlaced && !whole() && rowsShown() == height;
}

GifAnimation GifAnimation::read(const QByteArray& bytes) {
    GifAnimation gif;
    if (!bytes.startsWith("GIF87a") && !bytes.startsWith("GIF89a"))
        return gif;
    Cursor c(bytes);
    c.skip(10); // signature, screen width and height
    const int packed = c.byte();
    if (packed < 0 || !c.skip(2))
        return gif;
    if (packed & 0x80 && !c.skip(3 * (2 << (packed & 7))))
        return gif;
    int pendingDelay = 0;
    for (;;) {
        const int introducer = c.byte();
        if (introducer == 0x3B) {
            gif.complete = true;
            return gif;
        }
        if (introducer == 0x21) {
            const int label = c.byte();
            if (label == 0xF9) {
                const qsizetype start = c.position;
                const int size = c.byte();
                if (size >= 4) {
                    c.byte(); // disposal and flags
                    pendingDelay = c.le16();
                    c.position = start;
                }
            } else if (label == 0xFF) {
                const qsizetype start = c.position;
                if (c.byte() == 11 && c.has(11) && bytes.mid(c.position, 11) == "NETSCAPE2.0") {
                    c.skip(11);
                    if (c.byte() == 3 && c.byte() == 1) {
                        const int loops = c.le16();
                        if (loops >= 0)
                            gif.loopCount = loops;
                    }
                }
                c.position = start;
            } else if (label < 0) {
                return gif;
            }
            if (!c.skipSubBlocks())
                return gif;
        } else if (introducer == 0x2C) {
            const qsizetype descriptor = c.position;
            if (!c.skip(8))
                return gif;
            const int flags = c.byte();
            if (flags < 0)
                return gif;
            if (flags & 0x80 && !c.skip(3 * (2 << (flags & 7))))
                return gif;
            const int minimumCodeSize = c.byte();
            if (minimumCodeSize < 0)
                return gif;
            const qsizetype data = c.position;
            if (!c.skipSubBlocks()) {
                const auto le16 = [&](qsizetype at) {
                    return uchar(bytes.at(at)) | uchar(bytes.at(at + 1)) << 8;
                };
                Cut cut;
                cut.top = le16(descriptor + 2);
                cut.width = le16(descriptor + 4);
                cut.height = le16(descriptor + 6);
                cut.interlaced = flags & 0x40;
                c.position = data;
                cut.pixels = lzwPixels(c, minimumCodeSize);
                gif.cut = cut;
                return gif;
            }
            gif.delays.append(pendingDelay < 0 ? 0 : pendingDelay);
            pendingDelay = 0;
        } else {
            return gif; // end of data, or a stray byte that ends the stream
        }
    }
}
