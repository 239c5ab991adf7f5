#include "platform/imagesource/AreaReducer.h"

#include "platform/LargeImage.h"

#include <QColorSpace>
#include <algorithm>

namespace {

// The first source index past target index i's box, boxes spread evenly.
qint64 boxEnd(qint64 i, qint64 source, qint64 target) {
    return (i + 1) * source / target;
}

} // namespace

AreaReducer::AreaReducer(QSize from, QSize to, QImage::Format format) : from(from), to(to) {
    if (from.isEmpty() || to.isEmpty() || to.width() > from.width() || to.height() > from.height())
        return;
    switch (format) {
    case QImage::Format_Grayscale8:
        channels = 1;
        break;
    case QImage::Format_RGB32:
        channels = 3;
        break;
    case QImage::Format_ARGB32:
        channels = 4; // alpha, then the colours times alpha
        weighted = true;
        break;
    default:
        return;
    }
    reduced = LargeImage::allocate(to, format);
    if (reduced.isNull())
        return;
    columnEnd.resize(size_t(to.width()));
    for (int x = 0; x < to.width(); ++x)
        columnEnd[size_t(x)] = int(boxEnd(x, from.width(), to.width()));
    sums.assign(size_t(to.width()) * size_t(channels), 0);
    bandEnd = boxEnd(0, from.height(), to.height());
}

void AreaReducer::addRow(const uchar* row) {
    if (isNull() || next >= from.height())
        return;
    quint64* sum = sums.data();
    int x = 0;
    if (channels == 1) {
        for (int t = 0; t < to.width(); ++t, ++sum) {
            quint64 s = 0;
            for (const int end = columnEnd[size_t(t)]; x < end; ++x)
                s += row[x];
            *sum += s;
        }
    } else {
        const auto* pixels = reinterpret_cast<const QRgb*>(row);
        for (int t = 0; t < to.width(); ++t, sum += channels) {
            quint64 a = 0, r = 0, g = 0, b = 0;
            const int end = columnEnd[size_t(t)];
            if (weighted) {
                for (; x < end; ++x) {
                    const QRgb p = pixels[x];
                    const quint32 alpha = qAlpha(p);
                    a += alpha;
                    r += quint32(qRed(p)) * alpha;
                    g += quint32(qGreen(p)) * alpha;
                    b += quint32(qBlue(p)) * alpha;
                }
                sum[3] += a;
            } else {
                // 32-bit sums: no row is wider than 2^18 pixels of 255.
                quint32 r32 = 0, g32 = 0, b32 = 0;
                for (; x < end; ++x) {
                    const QRgb p = pixels[x];
                    r32 += (p >> 16) & 0xff;
                    g32 += (p >> 8) & 0xff;
                    b32 += p & 0xff;
                }
                r = r32, g = g32, b = b32;
            }
            sum[0] += r;
            sum[1] += g;
            sum[2] += b;
        }
    }
    if (++next == bandEnd)
        finishRow();
}

void AreaReducer::finishRow() {
    const quint64 rows = quint64(bandEnd - bandStart);
    uchar* out = reduced.scanLine(target);
    const quint64* sum = sums.data();
    qint64 columnStart = 0;
    for (int t = 0; t < to.width(); ++t, sum += channels) {
        const quint64 n = rows * quint64(columnEnd[size_t(t)] - columnStart);
        columnStart = columnEnd[size_t(t)];
        // One reciprocal a box rather than a division a channel; the bias
        // keeps exact quotients from rounding down, and is far below the
        // 1/n that separates a quotient from the next integer.
        const double inverse = 1.0 / double(n);
        const bool quick = n < (quint64(1) << 26);
        const auto mean = [&](quint64 total, quint64 count) {
            const quint64 rounded = total + count / 2;
            return quick && count == n ? int(double(rounded) * inverse + 1e-9)
                                       : int(rounded / count);
        };
        if (channels == 1) {
            out[t] = uchar(mean(sum[0], n));
        } else if (!weighted) {
            reinterpret_cast<QRgb*>(out)[t] =
                qRgb(mean(sum[0], n), mean(sum[1], n), mean(sum[2], n));
        } else {
            const quint64 a = sum[3];
            reinterpret_cast<QRgb*>(out)[t] =
                a == 0 ? 0 : qRgba(mean(sum[0], a), mean(sum[1], a), mean(sum[2], a), mean(a, n));
        }
    }
    std::fill(sums.begin(), sums.end(), 0);
    ++target;
    bandStart = bandEnd;
    if (target < to.height())
        bandEnd = boxEnd(target, from.height(), to.height());
}

QSize AreaReducer::fitted(QSize size, QSize bound) {
    if (size.isEmpty() || bound.isEmpty() ||
        (size.width() <= bound.width() && size.height() <= bound.height()))
        return size;
    return size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)).boundedTo(size);
}

QImage AreaReducer::averaged(QImage image, QSize size) {
    if (image.isNull() || size == image.size())
        return image;
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32
                                  : image.isGrayscale() && image.depth() == 8
                                      ? QImage::Format_Grayscale8
                                      : QImage::Format_RGB32;
    const QColorSpace space = image.colorSpace();
    image.convertTo(format);
    AreaReducer reducer(image.size(), size, format);
    for (int y = 0; y < image.height() && !reducer.isNull(); ++y)
        reducer.addRow(image.constScanLine(y));
    QImage reduced = reducer.result();
    reduced.setColorSpace(space);
    return reduced;
}
