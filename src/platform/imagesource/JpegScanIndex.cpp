#include "platform/imagesource/JpegScanIndex.h"

#include "platform/Cancellation.h"
#include "platform/imagesource/JpegBitReader.h"
#include "platform/imagesource/JpegSegments.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

int be16(const uchar* p) {
    return p[0] << 8 | p[1];
}

int ceilDiv(qint64 a, qint64 b) {
    return int((a + b - 1) / b);
}

// For an AC table, what the next bits skip when a symbol's code and the
// coefficient's own bits fit in them together: the bits (low 5) and the
// positions moved on (the rest, 64 at the block's end); 0 otherwise.
struct AcSkips {
    static constexpr int lookahead = 11;
    std::array<quint16, 1 << lookahead> entries{};
    explicit AcSkips(const JpegHuffmanTable& table) {
        for (quint32 head = 0; head < entries.size(); ++head) {
            int length = 0;
            const int symbol = table.decode(head << (16 - lookahead), &length);
            const int run = symbol >> 4, size = symbol & 15;
            if (length == 0 || length + size > lookahead)
                continue;
            const int advance = size != 0 ? run + 1 : run == 15 ? 16 : 64;
            entries[head] = quint16(advance << 5 | (length + size));
        }
    }
};

// Skips one block's coefficients, its DC difference in *diff. False on a
// code the tables lack, or coefficients past the block's end.
inline bool skipBlock(JpegBitReader& reader, const JpegHuffmanTable& dc, const JpegHuffmanTable& ac,
                      const AcSkips& skips, int* diff) {
    reader.ensure();
    int length = 0;
    const int category = dc.decode(reader.peek(16), &length);
    if (length == 0)
        return false;
    reader.skip(length);
    *diff = 0;
    if (category != 0) {
        const int bits = int(reader.peek(category));
        reader.skip(category);
        *diff = bits < (1 << (category - 1)) ? bits - (1 << category) + 1 : bits;
    }
    // k: the next coefficient; past 64 the data is wrong.
    for (int k = 1; k < 64;) {
        reader.ensure();
        const quint16 entry = skips.entries[reader.peek(AcSkips::lookahead)];
        if (entry != 0) {
            reader.skip(entry & 31);
            k += entry >> 5;
            if (k > 64)
                return (entry >> 5) == 64; // the block's end
            continue;
        }
        const int symbol = ac.decode(reader.peek(16), &length);
        if (length == 0)
            return false;
        const int run = symbol >> 4, size = symbol & 15;
        reader.skip(length + size);
        if (size == 0 && run != 15)
            break;                     // end of block
        k += size != 0 ? run + 1 : 16; // a run of zeros and a coefficient, or sixteen zeros
        if (k > 64)
            return false;
    }
    return true;
}

// The DC value's magnitude category, 16 when it has none.
int category(qint64 value) {
    const qint64 magnitude = std::abs(value);
    if (magnitude > 32767)
        return 16;
    int bits = 0;
    while (magnitude >> bits)
        ++bits;
    return bits;
}

} // namespace

std::optional<JpegScanIndex> JpegScanIndex::build(const QByteArray& bytes) {
    JpegScanIndex index;
    if (!index.readHeader(bytes) || !index.scan(bytes))
        return std::nullopt;
    index.checkpoints.shrink_to_fit();
    return index;
}

bool JpegScanIndex::readHeader(const QByteArray& bytes) {
    const QList<JpegSegments::Segment> segments = JpegSegments::read(bytes);
    if (segments.isEmpty() || segments.last().marker != 0xDA)
        return false;
    struct FrameComponent {
        int id, h, v;
    };
    std::vector<FrameComponent> components;
    int width = 0;
    // Table byId as DHT segments define them (DC 0-3, AC 4-7), the last
    // definition winning, as in libjpeg.
    // Only the tables the scan uses are kept.
    std::vector<JpegHuffmanTable> byId(8);
    for (const JpegSegments::Segment& s : segments) {
        const uchar* p = reinterpret_cast<const uchar*>(bytes.constData()) + s.offset;
        const qsizetype n = s.length;
        const uchar m = s.marker;
        if (m == 0xC0 || m == 0xC1) { // baseline and extended sequential, Huffman-coded
            if (!components.empty() || n < 6 || p[0] != 8)
                return false;
            frame.heightOffset = s.offset + 1;
            frame.height = be16(p + 1);
            width = be16(p + 3);
            const int count = p[5];
            if ((count != 1 && count != 3) || n < 6 + 3 * count || frame.height == 0 || width == 0)
                return false;
            for (int i = 0; i < count; ++i) {
                const FrameComponent c{p[6 + 3 * i], p[7 + 3 * i] >> 4, p[7 + 3 * i] & 15};
                if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4)
                    return false;
                for (const FrameComponent& other : components)
                    if (other.id == c.id)
                        return false;
                components.push_back(c);
            }
        } else if ((m >= 0xC2 && m <= 0xCF && m != 0xC4) || m == 0xDC) {
            return false; // progressive, lossless, arithmetic-coded; a height given later
        } else if (m == 0xC4) {
            for (qsizetype q = 0; q < n;) {
                if (q + 17 > n || (p[q] >> 4) > 1 || (p[q] & 15) > 3)
                    return false;
                int count = 0;
                for (int l = 0; l < 16; ++l)
                    count += p[q + 1 + l];
                if (q + 17 + count > n)
                    return false;
                const bool dc = (p[q] >> 4) == 0;
                if (!byId[size_t((dc ? 0 : 4) + (p[q] & 15))].define(p + q + 1, p + q + 17, dc))
                    return false;
                q += 17 + count;
            }
        } else if (m == 0xDD) {
            if (n < 2)
                return false;
            frame.restartInterval = be16(p);
        } else if (m == 0xDA) {
            const int count = n >= 1 ? p[0] : 0;
            if (components.empty() || count != int(components.size()) || n < 4 + 2 * count)
                return false;
            const uchar* tail = p + 1 + 2 * count;
            if (tail[0] != 0 || tail[1] != 63 || tail[2] != 0)
                return false; // not a sequential scan of all coefficients
            std::vector<bool> used(components.size());
            std::vector<int> kept(8, -1);
            const auto tableOf = [&](int slot) {
                if (kept[size_t(slot)] < 0) {
                    kept[size_t(slot)] = int(frame.tables.size());
                    frame.tables.push_back(byId[size_t(slot)]);
                }
                return kept[size_t(slot)];
            };
            int hmax = 1, vmax = 1, blocks = 0;
            for (const FrameComponent& c : components) {
                hmax = std::max(hmax, c.h);
                vmax = std::max(vmax, c.v);
            }
            for (int i = 0; i < count; ++i) {
                const auto c =
                    std::find_if(components.begin(), components.end(),
                                 [&](const FrameComponent& f) { return f.id == p[1 + 2 * i]; });
                const int dc = p[2 + 2 * i] >> 4, ac = p[2 + 2 * i] & 15;
                if (c == components.end() || used[size_t(c - components.begin())] || dc > 3 ||
                    ac > 3 || !byId[size_t(dc)].defined() || !byId[size_t(4 + ac)].defined())
                    return false;
                used[size_t(c - components.begin())] = true;
                const int inMcu = count == 1 ? 1 : c->h * c->v;
                blocks += inMcu;
                frame.components.push_back({inMcu, tableOf(dc), tableOf(4 + ac)});
            }
            if (blocks > 10) // libjpeg's limit for an MCU
                return false;
            frame.maxSampling = std::max(hmax, vmax);
            if (count == 1) {
                // One component alone: an MCU is a block of it.
                frame.rowHeight = 8;
                frame.mcusPerRow = ceilDiv(ceilDiv(qint64(width) * components[0].h, hmax), 8);
                frame.mcuRows = ceilDiv(ceilDiv(qint64(frame.height) * components[0].v, vmax), 8);
            } else {
                frame.rowHeight = 8 * vmax;
                frame.mcusPerRow = ceilDiv(width, 8 * hmax);
                frame.mcuRows = ceilDiv(frame.height, 8 * vmax);
            }
            frame.dataStart = s.offset + s.length;
        }
    }
    return frame.dataStart > 0;
}

bool JpegScanIndex::scan(const QByteArray& bytes) {
    const Layout& f = frame;
    const int components = int(f.components.size());
    JpegBitReader reader(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(),
                         f.dataStart);
    qint64 predictors[3] = {};
    qint64 mcu = 0;
    int nextRestart = 0;
    checkpoints.reserve(size_t(f.mcuRows));
    std::vector<AcSkips> skips;
    for (const Layout::Component& c : f.components)
        skips.emplace_back(f.tables[size_t(c.ac)]);
    for (int row = 0; row < f.mcuRows; ++row) {
        if ((row & 7) == 0 && Cancellation::requested())
            return false;
        for (int column = 0; column < f.mcusPerRow; ++column, ++mcu) {
            bool restarted = false;
            if (f.restartInterval > 0 && mcu > 0 && mcu % f.restartInterval == 0) {
                // Nothing but padding may come before the expected marker.
                reader.alignToByte();
                reader.fill();
                if (reader.buffered() != 0 || reader.marker() != 0xD0 + nextRestart)
                    return false;
                nextRestart = (nextRestart + 1) & 7;
                reader.restartAt(reader.afterMarker());
                std::fill(std::begin(predictors), std::end(predictors), 0);
                restarted = true;
            }
            // With restart markers, only rows that begin right after one:
            // there decoding starts afresh, on a byte.
            const bool starts = column == 0 && row > 0 && (f.restartInterval == 0 || restarted);
            Checkpoint point;
            if (starts) {
                reader.fill();
                point.position = quint64(reader.byteOffset()) * 8 + quint64(reader.bitOffset());
                point.row = quint16(row);
            }
            bool usable = starts;
            for (int c = 0; c < components; ++c) {
                const Layout::Component& component = f.components[size_t(c)];
                const JpegHuffmanTable& dc = f.tables[size_t(component.dc)];
                const JpegHuffmanTable& ac = f.tables[size_t(component.ac)];
                for (int b = 0; b < component.blocks; ++b) {
                    int diff = 0;
                    if (!skipBlock(reader, dc, ac, skips[size_t(c)], &diff))
                        return false;
                    if (b == 0 && starts) {
                        // Resuming writes this block's DC value whole, so
                        // the table must have a code for its category.
                        int length = 0;
                        dc.code(category(predictors[c] + diff), &length);
                        usable = usable && category(predictors[c]) < 16 && length > 0;
                        point.dc[c] = qint16(predictors[c]);
                    }
                    predictors[c] += diff;
                }
            }
            if (reader.overrun())
                return false;
            if (usable)
                checkpoints.push_back(point);
        }
    }
    return true;
}

int JpegScanIndex::checkpointAbove(int y) const {
    const auto after = std::upper_bound(
        checkpoints.begin(), checkpoints.end(), y,
        [&](int top, const Checkpoint& c) { return top < c.row * frame.rowHeight; });
    return after == checkpoints.begin() ? -1 : int(after - checkpoints.begin()) - 1;
}

qsizetype JpegScanIndex::memoryBytes() const {
    return qsizetype(sizeof(*this) + checkpoints.capacity() * sizeof(Checkpoint) +
                     frame.tables.capacity() * sizeof(JpegHuffmanTable) +
                     frame.components.capacity() * sizeof(Layout::Component));
}
