#include "support/TiffFixtures.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <tiffio.h>
#include <vector>

namespace {

// Sample c of pixel (x, y) as stored at the layout's size and format.
void store(const TiffFixtures::Layout& l, int x, int y, int c, std::vector<uchar>& row, qint64 index) {
    const quint16 v = TiffFixtures::sample(x, y, c);
    if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        if (l.bits == 64) {
            const double d = v / 65535.0;
            memcpy(row.data() + 8 * index, &d, 8);
        } else {
            const float f = float(v / 65535.0);
            memcpy(row.data() + 4 * index, &f, 4);
        }
        return;
    }
    quint32 stored = l.bits >= 16 ? quint32(v) << (l.bits - 16) | (l.bits == 32 ? v : 0) : quint32(v) >> (16 - l.bits);
    if (l.sampleFormat == SAMPLEFORMAT_INT)
        stored ^= 1u << (l.bits - 1); // the lowest value is the most negative
    switch (l.bits) {
    case 8: row[size_t(index)] = uchar(stored); break;
    case 16: {
        const quint16 s = quint16(stored);
        memcpy(row.data() + 2 * index, &s, 2);
        break;
    }
    case 24: {
        uchar* out = row.data() + 3 * index; // libtiff hands 24-bit samples over in the host's order
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        out[0] = uchar(stored), out[1] = uchar(stored >> 8), out[2] = uchar(stored >> 16);
#else
        out[2] = uchar(stored), out[1] = uchar(stored >> 8), out[0] = uchar(stored >> 16);
#endif
        break;
    }
    case 32: memcpy(row.data() + 4 * index, &stored, 4); break;
    default: {
        // Packed most significant bit first.
        quint64 position = quint64(index) * quint64(l.bits);
        for (int n = l.bits - 1; n >= 0; --n, ++position) {
            if ((stored >> n) & 1u)
                row[size_t(position >> 3)] |= uchar(0x80 >> (position & 7));
        }
        break;
    }
    }
}

// The samples of rows [top, top + rows) and columns [left, left + width)
// (of one plane for planar pages), each row padded to whole bytes.
std::vector<uchar> block(const TiffFixtures::Layout& l, int left, int top, int width, int rows, int plane) {
    const int perPixel = l.planar ? 1 : l.samples;
    const size_t rowBytes = (size_t(width) * size_t(perPixel) * size_t(l.bits) + 7) / 8;
    std::vector<uchar> out(rowBytes * size_t(rows));
    for (int r = 0; r < rows; ++r) {
        std::vector<uchar> row(rowBytes);
        const int y = std::min(top + r, TiffFixtures::size.height() - 1);
        for (int i = 0; i < width; ++i) {
            const int x = std::min(left + i, TiffFixtures::size.width() - 1);
            for (int s = 0; s < perPixel; ++s)
                store(l, x, y, l.planar ? plane : s, row, qint64(i) * perPixel + s);
        }
        memcpy(out.data() + size_t(r) * rowBytes, row.data(), rowBytes);
    }
    return out;
}

} // namespace

quint16 TiffFixtures::sample(int x, int y, int c) {
    switch (c) {
    case 0: return quint16(x * 1680 + 3);
    case 1: return quint16(y * 2849 + 5);
    case 2: return quint16((x + y) * 1040 + 7);
    default: return quint16(20000 + x * 800);
    }
}

QByteArray TiffFixtures::write(const Layout& l) {
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("f.tif")));
    TIFFSetWarningHandler(nullptr);
    TIFF* t = TIFFOpen(path.constData(), "w");
    if (!t)
        return QByteArray();
    const int width = size.width(), height = size.height();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(l.bits));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(l.samples));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t(l.photometric));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(l.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG));
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, uint16_t(l.sampleFormat));
    TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(l.compression));
    TIFFSetField(t, TIFFTAG_ORIENTATION, uint16_t(l.orientation));
    if (l.compression == COMPRESSION_JPEG && l.photometric == PHOTOMETRIC_YCBCR)
        TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB); // libtiff converts our RGB
    if (l.extraSamples > 0) {
        std::vector<uint16_t> kinds(size_t(l.extraSamples), EXTRASAMPLE_UNSPECIFIED);
        kinds[0] = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(l.extraSamples), kinds.data());
    }
    std::vector<uint16_t> map[3];
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        const int entries = 1 << l.bits;
        for (int i = 0; i < entries; ++i) {
            const int v = i * 255 / (entries - 1);
            map[0].push_back(uint16_t(v * 257));
            map[1].push_back(uint16_t((255 - v) * 257));
            map[2].push_back(uint16_t(v / 2 * 257));
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
    }
    const int planes = l.planar ? l.samples : 1;
    bool ok = true;
    if (l.tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16u);
        for (int p = 0; p < planes; ++p) {
            for (int y = 0; y < height; y += 16) {
                for (int x = 0; x < width; x += 16) {
                    std::vector<uchar> tile = block(l, x, y, 16, 16, p);
                    ok = ok && TIFFWriteEncodedTile(t, TIFFComputeTile(t, uint32_t(x), uint32_t(y), 0, uint16_t(p)),
                                                    tile.data(), tmsize_t(tile.size())) >= 0;
                }
            }
        }
    } else {
        // JPEG wants whole blocks of rows; the others get a short last strip.
        const int rowsPerStrip = l.compression == COMPRESSION_JPEG ? 16 : 5;
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
        const int strips = (height + rowsPerStrip - 1) / rowsPerStrip;
        for (int p = 0; p < planes; ++p) {
            for (int s = 0; s < strips; ++s) {
                const int rows = std::min(rowsPerStrip, height - s * rowsPerStrip);
                std::vector<uchar> strip = block(l, 0, s * rowsPerStrip, width, rows, p);
                ok = ok && TIFFWriteEncodedStrip(t, uint32_t(p * strips + s), strip.data(), tmsize_t(strip.size())) >= 0;
            }
        }
    }
    TIFFClose(t);
    return ok ? TestImages::read(QString::fromLocal8Bit(path)) : QByteArray();
}
