#pragma once

#include <QtGlobal>
#include <array>

// One Huffman table of a JPEG stream as a DHT segment defines it: decodes a
// symbol from the head of the bit stream through a lookahead table, as
// libjpeg does, and gives the code of a symbol for writing it again.
class JpegHuffmanTable {
  public:
    // Codes up to this long are found with one look-up; longer ones by length.
    static constexpr int lookahead = 9;

    // counts[l] codes of length l + 1 (l = 0 .. 15), their symbols in
    // `symbols` in code order. False for a table libjpeg refuses: more than
    // 256 codes, a code that does not fit its length, DC symbols past 15.
    bool define(const uchar counts[16], const uchar* symbols, bool dc);
    bool defined() const { return isDefined; }

    // The symbol whose code heads `head` (the next 16 bits, first bit
    // highest), and its code's length in `length`; length 0 when no code
    // matches.
    int decode(quint32 head, int* length) const {
        const quint16 entry = fast[head >> (16 - lookahead)];
        if (entry != 0) {
            *length = entry >> 8;
            return entry & 0xFF;
        }
        for (int l = lookahead + 1; l <= 16; ++l) {
            const qint32 code = qint32(head >> (16 - l));
            if (code <= maxCode[l]) {
                *length = l;
                return values[uchar(code + valueOffset[l])];
            }
        }
        *length = 0;
        return 0;
    }
    // The code of `symbol`; its length 0 when the table has none.
    quint16 code(int symbol, int* length) const {
        *length = lengths[uchar(symbol)];
        return codes[uchar(symbol)];
    }

  private:
    std::array<quint16, 1 << lookahead> fast{}; // length << 8 | symbol; 0: a longer code
    std::array<qint32, 17> maxCode{};           // the largest code of each length, -1: none
    std::array<qint32, 17> valueOffset{};       // from a code of each length to its symbol's index
    std::array<uchar, 256> values{};
    std::array<quint16, 256> codes{};
    std::array<uchar, 256> lengths{};
    bool isDefined = false;
};
