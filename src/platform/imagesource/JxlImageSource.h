#pragma once

#include "platform/imagesource/EncodedImageSource.h"
#include "platform/imagesource/JxlFrameDecoder.h"

#include <memory>

// JPEG XL through libjxl: a still image, with the DC pass of a large one as
// its first look, or the frames of an animation with their delays in the
// "{JXL}" group. EXIF and XMP come from the container's boxes. libjxl
// applies the orientation while decoding, so images report orientation 1.
class JxlImageSource : public EncodedImageSource {
  public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    ~JxlImageSource() override;

    int count() const override { return int(info.delays.size()); }
    QImage imageAtIndex(int index) override;
    QImage firstLook() override;
    QString type() const override { return QStringLiteral("public.jpeg-xl"); }
    // Frame 0 rendered through once and reduced, cropped or handed on as
    // the library finishes its groups: memory for what is kept, never for
    // the whole picture. libjxl reads no crop, so each region is a pass
    // over the whole file.
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;
    bool streamImage(const BandSink& sink) override;

    // Images with fewer pixels than this decode whole about as fast as
    // their DC pass: they have no first look.
    static constexpr qint64 firstLookPixels = 4000000;

  protected:
    QVariantMap imageProperties(int index) override;
    QVariantMap containerProperties() override;
    const ExifProperties& metadata(int index) override;

  private:
    explicit JxlImageSource(const QByteArray& bytes);
    bool readHeader() override;
    bool deep() const { return info.bitsPerSample > 8; }
    // `area` averaged to `size` as its spans come.
    QImage reduced(const QRect& area, QSize size);

    JxlFrameDecoder::Info info;
    std::unique_ptr<JxlFrameDecoder> decoder;
    std::optional<ExifProperties> boxMetadata;
};
