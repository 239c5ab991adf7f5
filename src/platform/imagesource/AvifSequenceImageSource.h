#pragma once

#include "platform/imagesource/EncodedImageSource.h"

#include <QColorSpace>
#include <QList>
#include <QRect>

struct avifDecoder;
struct avifImage;

// AVIF image sequences through libavif (libheif, which reads AVIF stills,
// does not read their tracks): the frames in order, 10- and 12-bit ones
// kept as 16-bit, converted from their CICP or ICC colour to sRGB, with
// their delays in the "{AVIS}" group, cropped, turned and mirrored as
// the file's properties say (sizes are of the upright image). A file with
// a single image is left to HeifImageSource; openStill() takes the stills
// that libheif refuses (an image pyramid's entity group, for one).
class AvifSequenceImageSource : public EncodedImageSource {
  public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    // Whether the major brand is an AVIF one.
    static bool claimsStill(const QByteArray& bytes);
    // The primary image alone, reported as a still.
    static std::unique_ptr<ImageSource> openStill(const QByteArray& bytes);
    ~AvifSequenceImageSource() override;

    int count() const override { return int(delays.size()); }
    QImage imageAtIndex(int index) override;
    QString type() const override {
        return still ? QStringLiteral("public.avif") : QStringLiteral("public.avis");
    }

  protected:
    QVariantMap imageProperties(int index) override;
    QVariantMap containerProperties() override;
    const ExifProperties& metadata(int index) override;

  private:
    AvifSequenceImageSource(const QByteArray& bytes, bool still);
    bool readHeader() override;
    void readTransforms(const avifImage* image);
    QImage upright(QImage image) const;

    avifDecoder* decoder = nullptr;
    int codedWidth = 0;
    int codedHeight = 0;
    QRect crop;           // the clean aperture, in coded pixels
    int quarterTurns = 0; // anti-clockwise, after the crop
    int mirror = -1;      // after the turn: 0 top and bottom exchanged, 1 left and right
    int width = 0;        // upright
    int height = 0;
    int depth = 8;
    bool hasAlpha = false;
    bool still = false;
    QList<double> delays; // per frame, in milliseconds
    QColorSpace colorSpace;
    std::optional<ExifProperties> blocks;
};
