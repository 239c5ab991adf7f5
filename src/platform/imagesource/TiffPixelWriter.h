#pragma once

#include "platform/imagesource/TiffLayout.h"

#include <QFloat16>
#include <QImage>
#include <QPoint>
#include <algorithm>
#include <array>
#include <cstring>
#include <tiffio.h>
#include <vector>

// Turns rows of samples into the pixels of the image, or of a band of its
// rows and columns whose top left pixel is at `origin`.
class TiffPixelWriter {
    // The samples of one channel of a row, scaled to 16 bits (palette indexes
    // as stored): first is the index of the pixel's first sample, stride the
    // samples per pixel in the row.
    class SampleReader {
      public:
        explicit SampleReader(const TiffLayout& l)
            : bits(l.bits),
              format(l.sampleFormat == SAMPLEFORMAT_VOID ? SAMPLEFORMAT_UINT : l.sampleFormat),
              raw(l.model == TiffLayout::Model::Palette), low(l.minValue),
              scale(65535.0 / (l.maxValue - l.minValue)) {}

        void read(const uchar* row, int first, int stride, int count, quint16* out,
                  int outStride) const {
            for (int i = 0; i < count; ++i)
                out[i * outStride] = value(row, qint64(first) + qint64(i) * stride);
        }

      private:
        quint16 value(const uchar* row, qint64 k) const {
            if (format == SAMPLEFORMAT_IEEEFP)
                return fromFloat(floating(row, k));
            quint32 v = integer(row, k);
            if (format == SAMPLEFORMAT_INT) // signed: the lowest value is black
                v ^= 1u << (bits - 1);
            if (raw)
                return quint16(std::min<quint32>(v, 0xffff));
            if (bits >= 16)
                return quint16(v >> (bits - 16));
            const quint32 max = (1u << bits) - 1;
            return quint16((v * 65535u + max / 2) / max);
        }
        quint32 integer(const uchar* row, qint64 k) const {
            switch (bits) {
            case 8:
                return row[k];
            case 16: {
                quint16 v;
                memcpy(&v, row + 2 * k, 2); // libtiff hands over samples in the host's order
                return v;
            }
            case 32: {
                quint32 v;
                memcpy(&v, row + 4 * k, 4);
                return v;
            }
            case 24: {
                const uchar* p = row + 3 * k;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
                return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16;
#else
                return quint32(p[2]) | quint32(p[1]) << 8 | quint32(p[0]) << 16;
#endif
            }
            default: {
                // Other sizes are packed most significant bit first.
                quint64 position = quint64(k) * quint64(bits);
                quint32 v = 0;
                for (int n = 0; n < bits; ++n, ++position)
                    v = (v << 1) | ((row[position >> 3] >> (7 - (position & 7))) & 1u);
                return v;
            }
            }
        }
        double floating(const uchar* row, qint64 k) const {
            if (bits == 16) {
                qfloat16 h;
                memcpy(&h, row + 2 * k, 2);
                return double(float(h));
            }
            if (bits == 32) {
                float f;
                memcpy(&f, row + 4 * k, 4);
                return f;
            }
            double d;
            memcpy(&d, row + 8 * k, 8);
            return d;
        }
        quint16 fromFloat(double v) const {
            const double scaled = (v - low) * scale;
            if (!(scaled > 0.0)) // also NaN
                return 0;
            return scaled >= 65535.0 ? 65535 : quint16(scaled + 0.5);
        }

        int bits;
        uint16_t format;
        bool raw;
        double low;
        double scale;
    };

  public:
    TiffPixelWriter(TIFF* t, const TiffLayout& l, QImage& image)
        : layout(l), image(&image), reader(l) {
        scratch.resize(size_t(l.width) * size_t(l.wanted()));
        if (l.model != TiffLayout::Model::Palette)
            return;
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b)
            return;
        const size_t entries = size_t(1) << l.bits;
        // Some writers store 8-bit values in the 16-bit map.
        const bool eightBit = std::all_of(r, r + entries, [](uint16_t v) { return v < 256; }) &&
                              std::all_of(g, g + entries, [](uint16_t v) { return v < 256; }) &&
                              std::all_of(b, b + entries, [](uint16_t v) { return v < 256; });
        const int factor = eightBit ? 257 : 1;
        for (size_t i = 0; i < entries; ++i)
            palette.push_back(
                {quint16(r[i] * factor), quint16(g[i] * factor), quint16(b[i] * factor)});
    }
    bool ready() const {
        return layout.model != TiffLayout::Model::Palette || !palette.empty();
    }
    void setTarget(QImage& band, QPoint topLeft) {
        image = &band;
        origin = topLeft;
    }

    // count pixels at (x, y); rows holds one row for contiguous samples, a
    // row of each wanted plane for planar ones.
    void put(int x, int y, int count, const uchar* const* rows) {
        x -= origin.x();
        y -= origin.y();
        if (putBytes(x, y, count, rows[0]))
            return;
        const int wanted = layout.wanted();
        for (int c = 0; c < wanted; ++c) {
            if (layout.separate())
                reader.read(rows[c], 0, 1, count, scratch.data() + c, wanted);
            else
                reader.read(rows[0], c, layout.samples, count, scratch.data() + c, wanted);
        }
        switch (image->format()) {
        case QImage::Format_Grayscale8: {
            uchar* out = image->scanLine(y) + x;
            for (int i = 0; i < count; ++i)
                out[i] = uchar(grey(scratch[size_t(i)]) >> 8);
            break;
        }
        case QImage::Format_Grayscale16: {
            quint16* out = reinterpret_cast<quint16*>(image->scanLine(y)) + x;
            for (int i = 0; i < count; ++i)
                out[i] = grey(scratch[size_t(i)]);
            break;
        }
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied: {
            QRgb* out = reinterpret_cast<QRgb*>(image->scanLine(y)) + x;
            for (int i = 0; i < count; ++i) {
                const QRgba64 p = pixel(scratch.data() + size_t(i) * size_t(wanted));
                out[i] = qRgba(p.red() >> 8, p.green() >> 8, p.blue() >> 8, p.alpha() >> 8);
            }
            break;
        }
        default: {
            QRgba64* out = reinterpret_cast<QRgba64*>(image->scanLine(y)) + x;
            for (int i = 0; i < count; ++i)
                out[i] = pixel(scratch.data() + size_t(i) * size_t(wanted));
            break;
        }
        }
    }

  private:
    // The commonest layouts, 8-bit grey or RGB(A) samples side by side,
    // copied straight: the same pixels as through 16 bits, several times
    // faster, which is most of a large scan's decode.
    bool putBytes(int x, int y, int count, const uchar* in) {
        const uint16_t format = layout.sampleFormat;
        if (layout.bits != 8 || layout.separate() ||
            (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_VOID))
            return false;
        const int n = layout.samples;
        const QImage::Format target = image->format();
        if (layout.model == TiffLayout::Model::Gray && target == QImage::Format_Grayscale8) {
            uchar* out = image->scanLine(y) + x;
            const uchar flip = layout.photometric == PHOTOMETRIC_MINISWHITE ? 255 : 0;
            for (int i = 0; i < count; ++i)
                out[i] = in[size_t(i) * size_t(n)] ^ flip;
            return true;
        }
        if (layout.model != TiffLayout::Model::Rgb ||
            (target != QImage::Format_RGB32 && target != QImage::Format_ARGB32 &&
             target != QImage::Format_ARGB32_Premultiplied))
            return false;
        QRgb* out = reinterpret_cast<QRgb*>(image->scanLine(y)) + x;
        if (!layout.alpha && n == 3) { // the commonest of all, kept free of branches
            for (int i = 0; i < count; ++i, in += 3)
                out[i] = 0xff000000u | quint32(in[0]) << 16 | quint32(in[1]) << 8 | in[2];
            return true;
        }
        const int alphaAt = layout.alpha ? layout.colorSamples : -1;
        for (int i = 0; i < count; ++i) {
            const uchar* p = in + size_t(i) * size_t(n);
            const uchar a = alphaAt >= 0 ? p[alphaAt] : 255;
            if (layout.associated) // damaged data must not break the premultiplied promise
                out[i] = qRgba(std::min(p[0], a), std::min(p[1], a), std::min(p[2], a), a);
            else
                out[i] = qRgba(p[0], p[1], p[2], a);
        }
        return true;
    }

    quint16 grey(quint16 v) const {
        return layout.photometric == PHOTOMETRIC_MINISWHITE ? quint16(65535 - v) : v;
    }

    QRgba64 pixel(const quint16* s) const {
        quint16 r = 0, g = 0, b = 0;
        switch (layout.model) {
        case TiffLayout::Model::Gray:
            r = g = b = grey(s[0]);
            break;
        case TiffLayout::Model::Rgb:
            r = s[0], g = s[1], b = s[2];
            break;
        case TiffLayout::Model::Cmyk: {
            const quint32 white = 65535u - s[3];
            r = quint16((65535u - s[0]) * white / 65535u);
            g = quint16((65535u - s[1]) * white / 65535u);
            b = quint16((65535u - s[2]) * white / 65535u);
            break;
        }
        case TiffLayout::Model::Palette: {
            const auto& entry = palette[std::min<size_t>(s[0], palette.size() - 1)];
            r = entry[0], g = entry[1], b = entry[2];
            break;
        }
        case TiffLayout::Model::Other:
            break;
        }
        quint16 a = layout.alpha ? s[layout.colorSamples] : 65535;
        if (layout.associated) // damaged data must not break the premultiplied promise
            r = std::min(r, a), g = std::min(g, a), b = std::min(b, a);
        return QRgba64::fromRgba64(r, g, b, a);
    }

    const TiffLayout& layout;
    QImage* image;
    QPoint origin;
    SampleReader reader;
    std::vector<quint16> scratch;
    std::vector<std::array<quint16, 3>> palette;
};
