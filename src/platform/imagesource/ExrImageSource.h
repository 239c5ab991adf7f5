#pragma once

#include "platform/imagesource/EncodedImageSource.h"

#include <functional>
#include <optional>

// OpenEXR images through the library's RGBA interface (luminance and
// chroma files included), tone-mapped to 8 bits. OpenEXR's exceptions end
// here: a damaged file decodes to nothing. An image too large to decode
// whole is read a band of rows at a time: one pass for the tone mapping's
// white point, then one for its overview, a region's rows or an export.
class ExrImageSource : public EncodedImageSource {
  public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("com.ilm.openexr-image"); }
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;
    bool streamImage(const BandSink& sink) override;

  protected:
    QVariantMap imageProperties(int index) override;

  private:
    explicit ExrImageSource(const QByteArray& bytes);
    bool readHeader() override;
    // Rows [top, bottom] of the data window, `columns` wide from `left`, as
    // 8-bit sRGB bands (RGB32 or ARGB32) from the top, mapped as the full
    // decode maps them; `sink` returns false to stop. False when the file
    // fails or `sink` stopped.
    using Band = std::function<bool(int top, const QImage& band)>;
    bool bands(int top, int bottom, int left, int columns, const Band& sink);
    // The tone mapping's white point, from one pass over the file.
    bool findWhite();
    // Rows [top, bottom] to `row` as straight (not premultiplied) floats.
    template <typename Row> bool readRows(int top, int bottom, Row row);

    int width = 0;
    int height = 0;
    int depth = 16;
    bool hasAlpha = false;
    std::optional<float> white;
};
