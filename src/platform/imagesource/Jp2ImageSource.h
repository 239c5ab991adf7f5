#pragma once

#include "platform/imagesource/EncodedImageSource.h"

typedef struct opj_image opj_image_t;

// JPEG 2000 (JP2 files and bare codestreams) through OpenJPEG, with the
// embedded ICC profile and sYCC data converted to sRGB; more than 8 bits
// per sample decode to 16-bit images.
class Jp2ImageSource : public EncodedImageSource {
public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("public.jpeg-2000"); }
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;

  protected:
    QVariantMap imageProperties(int index) override;

private:
    explicit Jp2ImageSource(const QByteArray& bytes);
    bool readHeader() override;
    // Image 0 at `fit`, or `area` of it at 1/denominator: from the
    // codestream's lower resolutions and only the area's code blocks.
    QImage decodePart(QSize fit, const QRect& area, int denominator);
    // The decoded components as pixels, 16 bits a channel when `deep`.
    QImage render(const opj_image_t* image, QSize size, bool deep, bool direct) const;

    bool codestream = false; // a bare J2K codestream, not a JP2 file
    int width = 0;
    int height = 0;
    int components = 0;
    int precision = 8;
    bool ycc = false;
};
