#include "platform/imagesource/RadianceRowReader.h"

#include "platform/imagesource/DecodeLimits.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

// A side from the resolution line: digits only, within what a real image has.
int side(const QByteArray& text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && text[0] != '+' && text[0] != '-' && DecodeLimits::allowsSize(value, 1) ? int(value)
                                                                                        : 0;
}

} // namespace

bool RadianceRowReader::claims(const QByteArray& head) {
    return head.startsWith("#?RADIANCE\n") || head.startsWith("#?RGBE\n");
}

RadianceRowReader::RadianceRowReader(const EncodedBytes& bytes, int width, int height)
    : reader(bytes), columns(width), rows(height) {}

std::unique_ptr<RadianceRowReader> RadianceRowReader::open(const EncodedBytes& bytes) {
    const QByteArray& head = bytes.head();
    if (!claims(head))
        return nullptr;
    // The header's lines up to a blank one. EXPOSURE and the other
    // variables tell how the values came to be; the stored values are what
    // a display shows, so they are taken as they are.
    qsizetype at = head.indexOf('\n') + 1;
    for (;;) {
        const qsizetype end = head.indexOf('\n', at);
        if (end < 0)
            return nullptr;
        const QByteArray line = head.mid(at, end - at);
        at = end + 1;
        if (line.isEmpty())
            break;
        // Without a FORMAT line the pixels are RGBE, as Radiance's own tools take them.
        if (line.startsWith("FORMAT=") && line.mid(7).trimmed() != "32-bit_rle_rgbe")
            return nullptr;
    }
    // The resolution line: the axis scanlines run along second, each way.
    const qsizetype end = head.indexOf('\n', at);
    if (end < 0)
        return nullptr;
    const QList<QByteArray> parts = head.mid(at, end - at).simplified().split(' ');
    if (parts.size() != 4 || parts[0].size() != 2 || parts[2].size() != 2 || parts[0][1] != 'Y' ||
        parts[2][1] != 'X' || (parts[0][0] != '-' && parts[0][0] != '+') ||
        (parts[2][0] != '-' && parts[2][0] != '+'))
        return nullptr;
    const int height = side(parts[1]), width = side(parts[3]);
    // Every scanline takes a pixel at least.
    if (width == 0 || height == 0 || bytes.size() - (end + 1) < qint64(height) * 4)
        return nullptr;
    std::unique_ptr<RadianceRowReader> reader(new RadianceRowReader(bytes, width, height));
    reader->fromBottom = parts[0][0] == '+';
    reader->fromRight = parts[2][0] == '-';
    reader->seek(end + 1);
    return reader;
}

bool RadianceRowReader::readScanline(uchar* rgbe) {
    uchar first[4];
    if (reader.read(first, 4) != 4)
        return false;
    // New-style runs begin with 2, 2 and the width, which no normalised
    // pixel is; they cannot code widths outside 8 to 32767.
    if (columns >= 8 && columns < 0x8000 && first[0] == 2 && first[1] == 2 && !(first[2] & 0x80))
        return (first[2] << 8 | first[3]) == columns && readRuns(rgbe);
    return readOldStyle(first, rgbe);
}

bool RadianceRowReader::readRuns(uchar* rgbe) {
    uchar literal[128];
    for (int component = 0; component < 4; ++component) {
        uchar* out = rgbe + component;
        for (int x = 0; x < columns;) {
            uchar code[2];
            if (reader.read(code, 1) != 1)
                return false;
            if (code[0] > 128) {
                const int count = code[0] - 128;
                if (count > columns - x || reader.read(code + 1, 1) != 1)
                    return false;
                for (int i = 0; i < count; ++i, out += 4)
                    *out = code[1];
                x += count;
            } else {
                const int count = code[0];
                if (count == 0 || count > columns - x || reader.read(literal, count) != count)
                    return false;
                for (int i = 0; i < count; ++i, out += 4)
                    *out = literal[i];
                x += count;
            }
        }
    }
    return true;
}

bool RadianceRowReader::readOldStyle(const uchar first[4], uchar* rgbe) {
    // Pixels as they are, but for 1, 1, 1, n: the pixel before repeated n
    // times, n shifted up a byte for each such marker straight before.
    uchar pixel[4];
    memcpy(pixel, first, 4);
    int shift = 0;
    for (int x = 0;;) {
        if (pixel[0] == 1 && pixel[1] == 1 && pixel[2] == 1) {
            const int n = pixel[3];
            if (n != 0 && (x == 0 || shift >= 24 || (qint64(n) << shift) > columns - x))
                return false;
            const int count = n << shift;
            for (int i = 0; i < count; ++i, ++x)
                memcpy(rgbe + qint64(x) * 4, rgbe + qint64(x - 1) * 4, 4);
            shift = std::min(shift + 8, 24);
        } else {
            memcpy(rgbe + qint64(x) * 4, pixel, 4);
            ++x;
            shift = 0;
        }
        if (x == columns)
            return true;
        if (reader.read(pixel, 4) != 4)
            return false;
    }
}

void RadianceRowReader::toLinear(const uchar* rgbe, int count, float* rgba, bool reversed) {
    // 2^(e - 136) for each exponent: the mantissas are bytes over 256.
    static const std::array<float, 256> scale = [] {
        std::array<float, 256> s{};
        for (int e = 1; e < 256; ++e)
            s[size_t(e)] = std::ldexp(1.0f, e - 136);
        return s;
    }();
    const int step = reversed ? -4 : 4;
    const uchar* p = reversed ? rgbe + qint64(count - 1) * 4 : rgbe;
    for (int i = 0; i < count; ++i, p += step, rgba += 4) {
        const float f = scale[p[3]];
        rgba[0] = float(p[0]) * f;
        rgba[1] = float(p[1]) * f;
        rgba[2] = float(p[2]) * f;
        rgba[3] = 1.0f;
    }
}
