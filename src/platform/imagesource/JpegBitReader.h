#pragma once

#include <QtGlobal>

// The bits of a JPEG scan's entropy-coded data, first bit highest, with the
// zero byte stuffed after each 0xFF taken out. Reading stops at the first
// marker (or the data's end): from there on zeros come, counted, so that a
// reader can tell it has taken bits the data does not have.
class JpegBitReader {
  public:
    JpegBitReader(const uchar* data, qsizetype size, qsizetype start) : data(data), size(size) {
        restartAt(start);
    }

    // Fills the buffer to at least 57 bits.
    void fill() {
        // Whole bytes at once while none is an 0xFF.
        if (bits <= 56 && !stopped && position + 8 <= size) {
            quint64 word = 0;
            for (int i = 0; i < 8; ++i)
                word = word << 8 | data[position + i];
            const quint64 v = ~word;
            if (((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) == 0) {
                const int count = (64 - bits) / 8;
                buffer |= (word >> (64 - 8 * count)) << (64 - bits - 8 * count);
                for (int i = 0; i < count; ++i)
                    origins[(loaded + quint64(i)) & 7] = position + i;
                bits += 8 * count;
                loaded += quint64(count);
                position += count;
                return;
            }
        }
        while (bits <= 56) {
            origins[loaded & 7] = position;
            quint64 byte = 0;
            if (!stopped && position < size && data[position] != 0xFF)
                byte = data[position++];
            else
                byte = slowByte();
            buffer |= byte << (56 - bits);
            bits += 8;
            ++loaded;
        }
    }
    // At least 32 bits buffered.
    void ensure() {
        if (bits < 32)
            fill();
    }
    // The next n bits (1 <= n <= 32; fill() first).
    quint32 peek(int n) const { return quint32(buffer >> (64 - n)); }
    void skip(int n) {
        buffer <<= n;
        bits -= n;
    }
    // Whether bits past the data's end were taken.
    bool overrun() const { return bits < padding; }
    // The data's bits still buffered.
    int buffered() const { return bits - padding; }
    // Where the next bit is: the offset of its byte (of its 0xFF when the
    // byte was stuffed), and the bit within it, 0 the highest.
    qsizetype byteOffset() const { return origins[((loaded * 8 - quint64(bits)) / 8) & 7]; }
    int bitOffset() const { return int((loaded * 8 - quint64(bits)) & 7); }
    // Drops the rest of the current byte, as at a restart marker.
    void alignToByte() { skip(bits & 7); }
    // The marker reading stopped at (the byte after 0xFF), -1 at the data's
    // end or before reading stopped; and the offset just past it.
    int marker() const { return stopped ? stopMarker : -1; }
    qsizetype afterMarker() const { return markerEnd; }
    // Starts again at a byte of the data, with nothing buffered.
    void restartAt(qsizetype start) {
        position = start;
        buffer = 0;
        bits = padding = 0;
        stopped = false;
        stopMarker = -1;
    }

  private:
    quint64 slowByte() {
        if (!stopped && position < size) { // an 0xFF: stuffed data, or a marker
            qsizetype next = position + 1;
            while (next < size && data[next] == 0xFF) // fill bytes
                ++next;
            if (next < size && data[next] == 0) {
                position = next + 1;
                return 0xFF;
            }
            stopMarker = next < size ? data[next] : -1;
            markerEnd = next < size ? next + 1 : size;
        }
        stopped = true;
        padding += 8;
        return 0;
    }

    const uchar* data;
    qsizetype size;
    qsizetype position = 0;
    quint64 buffer = 0;
    int bits = 0;
    int padding = 0; // zeros past the data at the buffer's end
    quint64 loaded = 0;
    qsizetype origins[8] = {}; // the offsets of the last bytes buffered
    bool stopped = false;
    int stopMarker = -1;
    qsizetype markerEnd = 0;
};
