#pragma once

#include "platform/imagesource/EncodedImageSource.h"
#include "platform/imagesource/RowDecoder.h"

// An image of a format read row by row (RowDecoder) that is too large to
// decode whole, or held in a file too large to read: its overview is its
// rows area-averaged as they are read, a region reads only the rows and
// columns it covers, and export streams bands of rows from the top. Only
// the result and a row are ever held. The image whole comes only when it
// fits the decode budget; properties come from the header alone.
class RowImageSource : public EncodedImageSource {
  public:
    // Nothing unless the decoder reads the header of `input`.
    static std::unique_ptr<ImageSource> open(const EncodedBytes& input, RowDecoder::Format format);
    // The same with a decoder already open over `input`.
    static std::unique_ptr<ImageSource> open(const EncodedBytes& input,
                                             std::unique_ptr<RowDecoder> decoder);

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return decoder->type(); }
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;
    bool streamImage(const BandSink& sink) override;

  protected:
    QVariantMap imageProperties(int index) override;

  private:
    RowImageSource(const EncodedBytes& input, std::unique_ptr<RowDecoder> decoder);
    bool readHeader() override { return decoder != nullptr; }
    // The rows [top, top + rows) of the columns [left, left + columns),
    // each handed to `row`, which returns false to stop; false when a row
    // could not be read, the work was cancelled or `row` stopped.
    bool readRows(int top, int rows, int left, int columns,
                  const std::function<bool(int y, const uchar* row)>& row);
    // The area at 1/denominator, area-averaged; at 1 its pixels as they are.
    QImage reduced(const QRect& area, QSize to);

    std::unique_ptr<RowDecoder> decoder;
};
