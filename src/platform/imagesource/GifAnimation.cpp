#include "platform/imagesource/GifAnimation.h"

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

} // namespace

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
            if (!c.skip(8))
                return gif;
            const int flags = c.byte();
            if (flags < 0)
                return gif;
            if (flags & 0x80 && !c.skip(3 * (2 << (flags & 7))))
                return gif;
            if (c.byte() < 0 || !c.skipSubBlocks())
                return gif;
            gif.delays.append(pendingDelay < 0 ? 0 : pendingDelay);
            pendingDelay = 0;
        } else {
            return gif; // end of data, or a stray byte that ends the stream
        }
    }
}
