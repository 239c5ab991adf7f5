#pragma once

#include "platform/imagesource/EncodedImageSource.h"

#include <QColorSpace>
#include <QList>

struct avifDecoder;

// AVIF image sequences through libavif (libheif, which reads AVIF stills,
// does not read their tracks): the frames in order, 10- and 12-bit ones
// kept as 16-bit, converted from their CICP or ICC colour to sRGB, with
// their delays in the "{AVIS}" group. A file with a single image is left
// to HeifImageSource.
class AvifSequenceImageSource : public EncodedImageSource {
  public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    ~AvifSequenceImageSource() override;

    int count() const override { return int(delays.size()); }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("public.avis"); }

  protected:
    QVariantMap imageProperties(int index) override;
    QVariantMap containerProperties() override;
    const ExifProperties& metadata(int index) override;

  private:
    explicit AvifSequenceImageSource(const QByteArray& bytes);

    avifDecoder* decoder = nullptr;
    int width = 0;
    int height = 0;
    int depth = 8;
    bool hasAlpha = false;
    QList<double> delays; // per frame, in milliseconds
    QColorSpace colorSpace;
    std::optional<ExifProperties> blocks;
};
