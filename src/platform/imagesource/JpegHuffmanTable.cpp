#include "platform/imagesource/JpegHuffmanTable.h"

bool JpegHuffmanTable::define(const uchar counts[16], const uchar* symbols, bool dc) {
    *this = JpegHuffmanTable();
    int total = 0;
    for (int l = 0; l < 16; ++l)
        total += counts[l];
    if (total > 256)
        return false;
    // Canonical codes, as JPEG assigns them: consecutive within a length,
    // doubled on to the next; none may be all ones.
    int index = 0;
    qint32 code = 0;
    for (int l = 1; l <= 16; ++l) {
        const int n = counts[l - 1];
        maxCode[l] = n ? code + n - 1 : -1;
        valueOffset[l] = index - code;
        for (int i = 0; i < n; ++i, ++index, ++code) {
            if (code + 1 >= (qint32(1) << l)) // past its length, or all ones
                return false;
            const uchar symbol = symbols[index];
            if (dc && symbol > 15)
                return false;
            values[index] = symbol;
            // A symbol listed twice keeps its first code: the one writing it takes.
            if (lengths[symbol] == 0) {
                codes[symbol] = quint16(code);
                lengths[symbol] = uchar(l);
            }
            if (l <= lookahead) {
                const int shift = lookahead - l;
                for (int k = 0; k < (1 << shift); ++k)
                    fast[(code << shift) | k] = quint16(l << 8 | symbol);
            }
        }
        code <<= 1;
    }
    isDefined = true;
    return true;
}
