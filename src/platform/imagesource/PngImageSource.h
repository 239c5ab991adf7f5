#pragma once

#include "platform/imagesource/EncodedImageSource.h"
#include "platform/imagesource/PngDecoder.h"

// A still PNG (or an animated one that does not play) through our libpng
// decoder; animations that play go to ApngImageSource.
class PngImageSource : public EncodedImageSource {
public:
    // Nothing unless the bytes start with a PNG signature and a sound IHDR.
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    // The same over a file too large to hold, read as it decodes.
    static std::unique_ptr<ImageSource> openStreamed(const EncodedBytes& file);

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("public.png"); }
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;
    bool streamImage(const BandSink& sink) override;

    // The keys every PNG image has, from its header and chunks: size, depth,
    // colour model, alpha, resolution.
    static QVariantMap headerProperties(const QByteArray& bytes, const PngDecoder::Header& header);

protected:
    QVariantMap imageProperties(int index) override;

private:
  explicit PngImageSource(const EncodedBytes& input);
  bool readHeader() override;
  PngDecoder::Header header;
};
