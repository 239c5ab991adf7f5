#include "platform/imagesource/JpegResumedStream.h"

#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Output is made in pieces of about this size as the decoder asks for it.
constexpr size_t pieceBytes = 65536;

} // namespace

JpegResumedStream::JpegResumedStream(const QByteArray& bytes, const JpegScanIndex& index,
                                     int checkpoint)
    : data(reinterpret_cast<const uchar*>(bytes.constData())), size(bytes.size()),
      layout(index.layout()), reader(data, size, 0) {
    const JpegScanIndex::Checkpoint& point = index.checkpoint(checkpoint);
    skipped = point.row * layout.rowHeight;
    const int height = layout.height - skipped;
    if (height <= 0 || layout.dataStart > size)
        return;
    pending.reserve(pieceBytes + 64);
    newHeight[0] = uchar(height >> 8);
    newHeight[1] = uchar(height);
    const qsizetype offset = qsizetype(point.position / 8);
    if (layout.restartInterval > 0) {
        position = offset;
        renumbering = int(qint64(point.row) * layout.mcusPerRow / layout.restartInterval) & 7;
        valid = true;
        return;
    }
    reader.restartAt(offset);
    reader.fill();
    reader.skip(int(point.position % 8));
    valid = rewriteFirstMcu(point);
    // On from the byte the first MCU ends in, its bits left first.
    reader.fill();
    position = reader.byteOffset();
    const int used = reader.bitOffset();
    uchar byte = 0;
    if (used > 0 && nextByte(&byte))
        put(byte & ((1u << (8 - used)) - 1), 8 - used);
}

// Copies the first MCU's bits, each component's first DC difference made
// the DC value itself.
bool JpegResumedStream::rewriteFirstMcu(const JpegScanIndex::Checkpoint& point) {
    for (size_t c = 0; c < layout.components.size(); ++c) {
        const JpegScanIndex::Layout::Component& component = layout.components[c];
        const JpegHuffmanTable& dc = layout.tables[size_t(component.dc)];
        const JpegHuffmanTable& ac = layout.tables[size_t(component.ac)];
        for (int b = 0; b < component.blocks; ++b) {
            reader.fill();
            int length = 0;
            const int category = dc.decode(reader.peek(16), &length);
            if (length == 0)
                return false;
            if (b > 0) {
                put(reader.peek(length + category), length + category);
                reader.skip(length + category);
            } else {
                reader.skip(length);
                int diff = 0;
                if (category != 0) {
                    const int bits = int(reader.peek(category));
                    reader.skip(category);
                    diff = bits < (1 << (category - 1)) ? bits - (1 << category) + 1 : bits;
                }
                const int value = point.dc[c] + diff;
                int size = 0;
                while (size < 16 && (std::abs(value) >> size) != 0)
                    ++size;
                int codeLength = 0;
                const quint16 code = dc.code(size, &codeLength);
                if (codeLength == 0)
                    return false;
                put(code, codeLength);
                if (size > 0)
                    put(quint32(value < 0 ? value - 1 : value) & ((1u << size) - 1), size);
            }
            for (int k = 1; k < 64; ++k) {
                reader.ensure();
                const int symbol = ac.decode(reader.peek(16), &length);
                if (length == 0)
                    return false;
                const int run = symbol >> 4, bits = symbol & 15;
                put(reader.peek(length + bits), length + bits);
                reader.skip(length + bits);
                if (bits != 0)
                    k += run;
                else if (run != 15)
                    break;
                else
                    k += 15;
            }
        }
    }
    return !reader.overrun();
}

void JpegResumedStream::put(quint32 value, int count) {
    bitBuffer = (bitBuffer << count) | value;
    bitCount += count;
    while (bitCount >= 8) {
        bitCount -= 8;
        const uchar byte = uchar(bitBuffer >> bitCount);
        pending.push_back(byte);
        if (byte == 0xFF)
            pending.push_back(0); // stuffed, as in any scan
    }
}

void JpegResumedStream::appendEnd() {
    pending.push_back(0xFF);
    pending.push_back(0xD9);
    stage = Stage::Done;
}

void JpegResumedStream::produceShifted() {
    // Eight bytes at a time while neither side has an 0xFF to stuff or unstuff.
    const auto hasFF = [](quint64 word) {
        const quint64 v = ~word;
        return ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0;
    };
    const int shift = bitCount; // the bits still to go out, before each byte's
    const quint64 low = (quint64(1) << shift) - 1;
    quint64 carry = bitBuffer & low;
    const size_t start = pending.size();
    pending.resize(start + pieceBytes + 24);
    uchar* out = pending.data() + start;
    uchar* const limit = out + pieceBytes;
    const auto send = [&](uchar byte) {
        *out++ = byte;
        if (byte == 0xFF)
            *out++ = 0;
    };
    while (out < limit) {
        if (position + 8 <= size) {
            const quint64 word = qFromBigEndian<quint64>(data + position);
            if (!hasFF(word)) {
                const quint64 shifted = shift ? (carry << (64 - shift)) | (word >> shift) : word;
                carry = word & low;
                position += 8;
                if (hasFF(shifted)) {
                    for (int i = 56; i >= 0; i -= 8)
                        send(uchar(shifted >> i));
                } else {
                    qToBigEndian(shifted, out);
                    out += 8;
                }
                continue;
            }
        }
        uchar byte = 0;
        if (!nextByte(&byte)) { // the scan's end
            if (shift > 0)      // padded with ones, as encoders do
                send(uchar(carry << (8 - shift) | ((1u << (8 - shift)) - 1)));
            *out++ = 0xFF;
            *out++ = 0xD9;
            stage = Stage::Done;
            break;
        }
        send(uchar(shift ? carry << (8 - shift) | byte >> shift : byte));
        carry = byte & low;
    }
    bitBuffer = carry;
    pending.resize(size_t(out - pending.data()));
}

bool JpegResumedStream::nextByte(uchar* byte) {
    if (position >= size)
        return false;
    if (data[position] != 0xFF) {
        *byte = data[position++];
        return true;
    }
    qsizetype next = position + 1;
    while (next < size && data[next] == 0xFF) // fill bytes
        ++next;
    if (next >= size || data[next] != 0)
        return false; // a marker
    *byte = 0xFF;
    position = next + 1;
    return true;
}

void JpegResumedStream::produceCopied() {
    const qsizetype stop = std::min(size, position + qsizetype(pieceBytes));
    while (position < stop) {
        const uchar* from = data + position;
        const auto* mark =
            static_cast<const uchar*>(std::memchr(from, 0xFF, size_t(stop - position)));
        const qsizetype plain = mark ? mark - from : stop - position;
        pending.insert(pending.end(), from, from + plain);
        position += plain;
        if (!mark)
            break;
        const uchar next = position + 1 < size ? data[position + 1] : 0xD9;
        if (next == 0 || next == 0xFF) { // stuffed or a fill byte: as it is
            pending.push_back(0xFF);
            ++position;
        } else if (next >= 0xD0 && next <= 0xD7) {
            pending.push_back(0xFF);
            pending.push_back(uchar(0xD0 + ((next - 0xD0 - renumbering) & 7)));
            position += 2;
        } else {
            position = size; // the end of the scan
        }
    }
    if (position >= size)
        appendEnd();
}

qsizetype JpegResumedStream::read(uchar* out, qsizetype capacity) {
    qsizetype n = 0;
    // The header straight from the original, but for the height.
    while (n < capacity && valid && headerAt < layout.dataStart) {
        const qsizetype height = layout.heightOffset;
        if (headerAt == height || headerAt == height + 1) {
            out[n++] = newHeight[headerAt++ - height];
            continue;
        }
        const qsizetype end = headerAt < height ? height : layout.dataStart;
        const qsizetype count = std::min(end - headerAt, capacity - n);
        std::memcpy(out + n, data + headerAt, size_t(count));
        headerAt += count;
        n += count;
    }
    while (n < capacity && valid) {
        if (pendingAt < pending.size()) {
            const size_t count = std::min(pending.size() - pendingAt, size_t(capacity - n));
            std::memcpy(out + n, pending.data() + pendingAt, count);
            pendingAt += count;
            n += qsizetype(count);
            continue;
        }
        pending.clear();
        pendingAt = 0;
        if (stage == Stage::Done)
            break;
        if (layout.restartInterval > 0)
            produceCopied();
        else
            produceShifted();
    }
    return n;
}
