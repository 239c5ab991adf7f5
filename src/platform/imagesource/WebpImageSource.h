#pragma once

#include "platform/imagesource/EncodedImageSource.h"

#include <QColorSpace>
#include <QList>

struct WebPAnimDecoder;

// WebP through libwebp: a still image decoded straight into the QImage's
// own buffer (cut short, the rows that decoded, marked partial), or the
// frames of an animation composited by the library's animation decoder
// (blending and disposal applied), with their delays in the "{WebP}" group.
// EXIF and XMP come from Exiv2, the ICC profile from the file's ICCP chunk.
class WebpImageSource : public EncodedImageSource {
  public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    ~WebpImageSource() override;

    int count() const override { return animated ? int(delays.size()) : 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return QStringLiteral("org.webmproject.webp"); }
    // A still image is scaled and cropped by libwebp as it decodes: an
    // overview or a region costs the memory of its own pixels. So is an
    // animation's first frame when it covers the canvas, for an animation
    // too large to play: its frames are still counted, but only that one shows.
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;

  protected:
    QVariantMap imageProperties(int index) override;
    QVariantMap containerProperties() override;
    QImage reducedImage(int maxPixelSize) override;

  private:
    explicit WebpImageSource(const QByteArray& bytes);
    bool readHeader() override;
    // The still image, or its `crop` when given, at `scaled` when given.
    QImage decodeStill(QSize scaled = QSize(), const QRect& crop = QRect());
    QImage decodeFrame(int index);

    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    bool animated = false;
    bool truncated = false; // the file ends before its last chunk does
    int loopCount = 0;
    // The first frame's image data in the file, when the frame covers the
    // canvas: it then needs nothing composited under it.
    qsizetype firstOffset = 0;
    qsizetype firstSize = 0;
    QList<int> delays; // per frame, in milliseconds as stored
    QColorSpace colorSpace;
    WebPAnimDecoder* animation = nullptr;
    int nextFrame = 0; // the frame the animation decoder gives next
};
