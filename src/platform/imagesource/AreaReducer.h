#pragma once

#include <QImage>
#include <QSize>
#include <vector>

// Averages an image's rows, as they stream out of its decoder, into a smaller
// image: each pixel of the result is the mean of the source pixels its box
// covers. The overview of an image too large to decode whole then costs the
// memory of the overview and one row of sums, never the full picture's.
class AreaReducer {
  public:
    // A source of `from` pixels reduced to `to` (neither side larger than the
    // source's), in one of Grayscale8, RGB32 and ARGB32. ARGB32 colours are
    // averaged by their alpha, so transparent pixels lend the mean no colour.
    AreaReducer(QSize from, QSize to, QImage::Format format);

    // Null when the sizes or the format do not do, or the memory is not there.
    bool isNull() const { return reduced.isNull(); }
    // The source's next row: from.width() pixels of the format.
    void addRow(const uchar* row);
    // Every row in, or every pixel of a scattered reducer.
    bool complete() const;
    // The reduced image once every row is in; null before.
    QImage result() const { return complete() ? reduced : QImage(); }

    // A reducer whose pixels may come in any order, a span of a row at a
    // time, as a decoder renders them group by group: it keeps a sum for
    // each target pixel, not each source column, under the same box rule.
    // Its spans are 8-bit RGBA bytes, averaged by their alpha when `alpha`
    // (an ARGB32 result), else an RGB32 one.
    static AreaReducer scattered(QSize from, QSize to, bool alpha);
    // `count` pixels of row y from column x; spans off the image are ignored.
    void addSpan(int x, int y, int count, const uchar* rgba);

    // `size` scaled down to fit in `bound`, its aspect kept and at least one
    // pixel a side; `size` itself when it already fits.
    static QSize fitted(QSize size, QSize bound);
    // The area average of a whole image at `size` (8 bits a channel, its
    // colour space kept); the image itself at its own size.
    static QImage averaged(QImage image, QSize size);

  private:
    void finishRow();
    template <typename Sum>
    void addTo(std::vector<Sum>& sums, int x, int y, int count, const uchar* rgba);
    template <typename Sum> void finishScattered(const std::vector<Sum>& sums);

    QSize from;
    QSize to;
    int channels = 0;
    int bytesPerPixel = 0;
    bool weighted = false;
    bool spans = false;
    std::vector<int> columnEnd; // the first source column past each target column's box
    // Each source column's sums over the rows of the target row being made:
    // a byte lane for each byte of a pixel, so adding a row is one plain
    // loop the compiler vectorises; boxes are summed across once a target
    // row. 32 bits hold 2^18 rows of 255; alpha-weighted colours take 64.
    std::vector<quint32> columnSums;
    std::vector<quint64> weightedSums; // alpha, then the colours times alpha
    int next = 0;                      // the next source row
    int target = 0;                    // the target row being summed
    qint64 bandEnd = 0;                // the first source row past that target row's box
    qint64 bandStart = 0;
    QImage reduced;
    // Scattered: each source column's target column, and each target
    // pixel's sums, in 32 bits while its box cannot overflow them.
    std::vector<int> targetColumn;
    std::vector<quint32> pixelSums;
    std::vector<quint64> widePixelSums;
    qint64 pixelsIn = 0;
};
