#pragma once

#include "platform/imagesource/EncodedImageSource.h"

// TIFF files through libtiff (TiffDecoder): one image for each directory,
// each with its own size, depth, orientation, resolution and profile; the
// file's tags (Exiv2) under "{TIFF}" and "{Exif}". Class F fax files under
// their own names go to FaxImageSource instead.
class TiffImageSource : public EncodedImageSource {
public:
    // Nothing when libtiff cannot read the file's first directory.
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    // The same over a file too large to hold, read as it decodes.
    static std::unique_ptr<ImageSource> openStreamed(const EncodedBytes& file);

    int count() const override { return pages; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("public.tiff"); }
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;
    bool streamImage(const BandSink& sink) override;

  protected:
    QVariantMap imageProperties(int index) override;

private:
  explicit TiffImageSource(const EncodedBytes& input);
  bool readHeader() override;

  int pages = 0;
};
