#include "platform/imagesource/AreaReducer.h"

#include "platform/LargeImage.h"
#include "platform/imagesource/DecodeLimits.h"

#include <QColorSpace>
#include <algorithm>

namespace {

// The first source index past target index i's box, boxes spread evenly.
qint64 boxEnd(qint64 i, qint64 source, qint64 target) {
    return (i + 1) * source / target;
}

// Rounded means by one count as a multiply, no division (Granlund and
// Montgomery): with m = floor(2^k / n) + 1, (total * m) >> k is the
// quotient, exact while total * n < 2^k. Boxes of fewer than 4096 pixels of
// 255 keep inside k = 32 with 64-bit products; fewer than 2^24 inside k = 64
// with 128-bit ones. The rest divide.
class Divider {
  public:
    explicit Divider(quint64 n) : n(n) {
        if (n < 4096)
            multiplier = (quint64(1) << 32) / n + 1;
        else if (n < (quint64(1) << 24))
            multiplier = ~quint64(0) / n + 1;
    }
    bool small() const { return n < 4096; }
    // Only for small counts.
    quint32 quick(quint64 total) const { return quint32(((total + n / 2) * multiplier) >> 32); }
    int operator()(quint64 total) const {
        const quint64 rounded = total + n / 2;
        if (small())
            return int((rounded * multiplier) >> 32);
        if (multiplier == 0)
            return int(rounded / n);
        return int(quint64((unsigned __int128)rounded * multiplier >> 64));
    }

  private:
    quint64 n;
    quint64 multiplier = 0;
};

} // namespace

AreaReducer::AreaReducer(QSize from, QSize to, QImage::Format format) : from(from), to(to) {
    if (from.isEmpty() || to.isEmpty() || to.width() > from.width() || to.height() > from.height())
        return;
    switch (format) {
    case QImage::Format_Grayscale8:
        channels = 1;
        bytesPerPixel = 1;
        break;
    case QImage::Format_RGB32:
        channels = 3;
        bytesPerPixel = 4;
        break;
    case QImage::Format_ARGB32:
        channels = 4;
        bytesPerPixel = 4;
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
    const size_t padded = size_t(from.width()) + 1;
    if (weighted)
        weightedSums.assign(padded * 4, 0);
    else
        columnSums.assign(padded * size_t(bytesPerPixel), 0);
    bandEnd = boxEnd(0, from.height(), to.height());
}

void AreaReducer::addRow(const uchar* row) {
    if (isNull() || next >= from.height())
        return;
    if (weighted) {
        const auto* pixels = reinterpret_cast<const QRgb*>(row);
        if (next == bandStart)
            std::fill(weightedSums.begin(), weightedSums.end(), 0);
        quint64* sum = weightedSums.data();
        for (int x = 0; x < from.width(); ++x, sum += 4) {
            const QRgb p = pixels[x];
            const quint32 alpha = qAlpha(p);
            sum[0] += alpha;
            sum[1] += quint32(qRed(p)) * alpha;
            sum[2] += quint32(qGreen(p)) * alpha;
            sum[3] += quint32(qBlue(p)) * alpha;
        }
    } else {
        // A band's first row sets the sums, so they need no clearing.
        quint32* sum = columnSums.data();
        const size_t n = size_t(from.width()) * size_t(bytesPerPixel);
        if (next == bandStart) {
            for (size_t i = 0; i < n; ++i)
                sum[i] = row[i];
        } else {
            for (size_t i = 0; i < n; ++i)
                sum[i] += row[i];
        }
    }
    if (++next == bandEnd)
        finishRow();
}

void AreaReducer::finishRow() {
    const quint64 rows = quint64(bandEnd - bandStart);
    uchar* out = reduced.scanLine(target);
    // Boxes are one of two widths: their dividers are worked out once.
    const int narrow = from.width() / to.width();
    const Divider dividers[2] = {Divider(rows * quint64(narrow)),
                                 Divider(rows * quint64(narrow + 1))};
    // Each box sums `narrow` columns and, the wide ones, one more: a fixed
    // count and a product, where a loop to each box's end would mispredict
    // every few pixels. The padding column past the last makes that read
    // safe. One loop for each format keeps the tests out of the pixels.
    const int* ends = columnEnd.data();
    if (weighted) {
        auto* pixels = reinterpret_cast<QRgb*>(out);
        for (int t = 0, x = 0; t < to.width(); x = ends[t++]) {
            const int extra = ends[t] - x - narrow;
            quint64 a = 0, r = 0, g = 0, b = 0;
            const quint64* sum = weightedSums.data() + size_t(x) * 4;
            for (int k = 0; k <= narrow; ++k, sum += 4) {
                const quint64 w = k < narrow ? 1 : quint64(extra);
                a += sum[0] * w, r += sum[1] * w, g += sum[2] * w, b += sum[3] * w;
            }
            const auto byAlpha = [a](quint64 total) { return int((total + a / 2) / a); };
            pixels[t] = a == 0 ? 0 : qRgba(byAlpha(r), byAlpha(g), byAlpha(b), dividers[extra](a));
        }
    } else if (channels == 1) {
        for (int t = 0, x = 0; t < to.width(); x = ends[t++]) {
            const int extra = ends[t] - x - narrow;
            const quint32* sum = columnSums.data() + x;
            quint64 v = quint64(sum[narrow]) * quint64(extra);
            for (int k = 0; k < narrow; ++k)
                v += sum[k];
            out[t] = uchar(dividers[extra](v));
        }
    } else {
        // The bytes of an RGB32 word as laid out in memory.
        constexpr bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
        constexpr int blue = little ? 0 : 3, green = little ? 1 : 2, red = little ? 2 : 1;
        auto* pixels = reinterpret_cast<QRgb*>(out);
        const auto each = [&](const auto& mean) {
            for (int t = 0, x = 0; t < to.width(); x = ends[t++]) {
                const int extra = ends[t] - x - narrow;
                const quint32* sum = columnSums.data() + size_t(x) * 4;
                const quint32* last = sum + size_t(narrow) * 4;
                quint64 r = quint64(last[red]) * quint64(extra),
                        g = quint64(last[green]) * quint64(extra),
                        b = quint64(last[blue]) * quint64(extra);
                for (int k = 0; k < narrow; ++k, sum += 4)
                    b += sum[blue], g += sum[green], r += sum[red];
                pixels[t] = qRgb(int(mean(extra, r)), int(mean(extra, g)), int(mean(extra, b)));
            }
        };
        // Small boxes, the common case, take the quick multiply untested.
        if (dividers[0].small() && dividers[1].small())
            each([&](int extra, quint64 total) { return dividers[extra].quick(total); });
        else
            each([&](int extra, quint64 total) { return dividers[extra](total); });
    }
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

bool AreaReducer::complete() const {
    if (isNull())
        return false;
    return spans ? pixelsIn == qint64(from.width()) * from.height() : next == from.height();
}

AreaReducer AreaReducer::scattered(QSize from, QSize to, bool alpha) {
    AreaReducer r(from, to, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (r.isNull())
        return r;
    r.spans = true;
    r.columnSums = {};
    r.weightedSums = {};
    r.targetColumn.resize(size_t(from.width()));
    for (int t = 0, x = 0; t < to.width(); x = r.columnEnd[size_t(t++)])
        std::fill(r.targetColumn.begin() + x, r.targetColumn.begin() + r.columnEnd[size_t(t)], t);
    // The largest box's sums: its pixels times 255, times 255 again for
    // colours weighted by alpha.
    const quint64 box =
        quint64(from.width() / to.width() + 1) * quint64(from.height() / to.height() + 1);
    const size_t n = size_t(to.width()) * size_t(to.height()) * 4;
    const bool narrow = box * (alpha ? 255 * 255 : 255) <= 0xffffffffu;
    if (!DecodeLimits::allowsWork(qint64(n) * (narrow ? 4 : 8))) {
        r.reduced = QImage();
        return r;
    }
    if (narrow)
        r.pixelSums.assign(n, 0);
    else
        r.widePixelSums.assign(n, 0);
    return r;
}

void AreaReducer::addSpan(int x, int y, int count, const uchar* rgba) {
    if (!spans || y < 0 || y >= from.height() || x < 0 || count <= 0 || count > from.width() - x)
        return;
    if (!pixelSums.empty())
        addTo(pixelSums, x, y, count, rgba);
    else
        addTo(widePixelSums, x, y, count, rgba);
}

template <typename Sum>
void AreaReducer::addTo(std::vector<Sum>& sums, int x, int y, int count, const uchar* rgba) {
    // The target row whose box holds source row y: the last box starting at or before it.
    const qint64 row = (qint64(y + 1) * to.height() - 1) / from.height();
    Sum* line = sums.data() + size_t(row) * size_t(to.width()) * 4;
    const int* column = targetColumn.data() + x;
    if (weighted) {
        for (int i = 0; i < count; ++i, rgba += 4) {
            Sum* sum = line + size_t(column[i]) * 4;
            const Sum alpha = rgba[3];
            sum[0] += alpha;
            sum[1] += rgba[0] * alpha;
            sum[2] += rgba[1] * alpha;
            sum[3] += rgba[2] * alpha;
        }
    } else {
        for (int i = 0; i < count; ++i, rgba += 4) {
            Sum* sum = line + size_t(column[i]) * 4;
            sum[0] += rgba[0];
            sum[1] += rgba[1];
            sum[2] += rgba[2];
        }
    }
    pixelsIn += count;
    if (pixelsIn == qint64(from.width()) * from.height())
        finishScattered(sums);
}

template <typename Sum> void AreaReducer::finishScattered(const std::vector<Sum>& sums) {
    const Sum* sum = sums.data();
    for (int ty = 0; ty < to.height(); ++ty) {
        const quint64 rows = quint64(boxEnd(ty, from.height(), to.height()) -
                                     (ty == 0 ? 0 : boxEnd(ty - 1, from.height(), to.height())));
        auto* pixels = reinterpret_cast<QRgb*>(reduced.scanLine(ty));
        for (int t = 0, x = 0; t < to.width(); x = columnEnd[size_t(t++)], sum += 4) {
            const Divider mean(rows * quint64(columnEnd[size_t(t)] - x));
            if (!weighted) {
                pixels[t] = qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2]));
                continue;
            }
            const quint64 a = sum[0];
            const auto byAlpha = [a](quint64 total) { return int((total + a / 2) / a); };
            pixels[t] =
                a == 0 ? 0 : qRgba(byAlpha(sum[1]), byAlpha(sum[2]), byAlpha(sum[3]), mean(a));
        }
    }
}
